#pragma once

#include <QString>

#include <vector>

namespace corvane {

// One library the program uses and its version.
struct LibraryVersion {
    QString name;
    QString version;
};

// The libraries Corvane uses, each with the version it reports while the program runs or, for those
// without such a call, the version it was built with. The libraries that Qt's image plugins load (PNG,
// JPEG, TIFF) are listed when they are loaded and say which version they are; a library whose version
// cannot be found out is left out.
std::vector<LibraryVersion> libraryVersions();

} // namespace corvane
