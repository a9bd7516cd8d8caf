#include "views/Hash.h"

namespace corvane {

bool CHash::HashFile(const QString&, QString&, QString&, QString&) const {
    return false;
}

} // namespace corvane
