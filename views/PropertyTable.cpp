#include "views/PropertyTable.h"

namespace corvane {

void readFileProperties(OriginalProperties&) {}
std::vector<PropertyRow> buildPropertyRows(const OriginalProperties&, const OriginalProperties&) {
    return {};
}
QString FormatThousands(const QString& text) {
    return text;
}

} // namespace corvane
