#include "imagefiles/KeyColour.h"

namespace corvane {

bool ReadBmpKeyColour(const QByteArray&, ColorRef&) {
    return false;
}
bool CPNGSub::ReadPngKeyColour(const QByteArray&, ColorRef&) {
    return false;
}

} // namespace corvane
