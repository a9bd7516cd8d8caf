#include "app/window/LibraryVersions.h"

#include <QFileInfo>
#include <QImageReader>
#include <QtGlobal>

#include <gif_lib.h>
#include <libimagequant.h>
#include <openssl/crypto.h>
#include <zlib.h>

#ifdef __linux__
#include <dlfcn.h>
#include <link.h>
#endif

#include <string>

namespace corvane {

namespace {

#ifdef __linux__

// The path of the loaded shared object whose file name starts with `stem` (for example "libtiff.so"),
// empty when none is loaded.
std::string loadedObject(const char* stem) {
    struct Search {
        std::string stem;
        std::string path;
    } search{stem, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            const std::string path = info->dlpi_name != nullptr ? info->dlpi_name : "";
            const std::size_t slash = path.rfind('/');
            const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
            if (name.rfind(s->stem, 0) == 0) {
                s->path = path;
                return 1;
            }
            return 0;
        },
        &search);
    return search.path;
}

// Calls the version function `symbol` of the already loaded object at `path` (never loads it).
template <typename Function, typename... Arguments>
QString askLoaded(const std::string& path, const char* symbol, Arguments... arguments) {
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        return {};
    }
    QString text;
    if (void* address = dlsym(handle, symbol)) {
        auto* function = reinterpret_cast<Function*>(address);
        if (const char* reported = function(arguments...)) {
            text = QString::fromUtf8(reported);
        }
    }
    dlclose(handle);
    return text;
}

// The libraries Qt reads PNG, JPEG and TIFF files with, as far as they are loaded.
void addImageLibraries(std::vector<LibraryVersion>& out) {
    // Asking for the formats loads Qt's image plugins, and with them their libraries.
    QImageReader::supportedImageFormats();
    if (const std::string png = loadedObject("libpng"); !png.empty()) {
        const QString version = askLoaded<const char*(const void*)>(png, "png_get_libpng_ver", nullptr);
        if (!version.isEmpty()) {
            out.push_back({QStringLiteral("libpng（Qt 経由）"), version.trimmed()});
        }
    }
    if (const std::string jpeg = loadedObject("libjpeg.so"); !jpeg.empty()) {
        // libjpeg has no call that reports its version: the loaded file's name carries it.
        const QString file = QFileInfo(QString::fromStdString(jpeg)).canonicalFilePath();
        if (!file.isEmpty()) {
            out.push_back({QStringLiteral("libjpeg（Qt 経由）"), QFileInfo(file).fileName()});
        }
    }
    if (const std::string tiff = loadedObject("libtiff.so"); !tiff.empty()) {
        // "LIBTIFF, Version 4.5.0\nCopyright …": the first line's version.
        QString version = askLoaded<const char*()>(tiff, "TIFFGetVersion").section(QLatin1Char('\n'), 0, 0);
        version.remove(QStringLiteral("LIBTIFF, Version "));
        if (!version.trimmed().isEmpty()) {
            out.push_back({QStringLiteral("libtiff（Qt 経由）"), version.trimmed()});
        }
    }
}

#else

void addImageLibraries(std::vector<LibraryVersion>&) {}

#endif

} // namespace

std::vector<LibraryVersion> libraryVersions() {
    std::vector<LibraryVersion> out;
    QString qt = QString::fromLatin1(qVersion());
    if (qt != QLatin1String(QT_VERSION_STR)) {
        qt += QStringLiteral("（ビルド時 %1）").arg(QLatin1String(QT_VERSION_STR));
    }
    out.push_back({QStringLiteral("Qt"), qt});
    out.push_back({QStringLiteral("zlib"), QString::fromLatin1(zlibVersion())});
    // "OpenSSL 3.0.15 3 Sep 2024": the version without the name.
    out.push_back({QStringLiteral("OpenSSL"),
                   QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION)).remove(QStringLiteral("OpenSSL "))});
    out.push_back({QStringLiteral("giflib"),
                   QStringLiteral("%1.%2.%3").arg(GIFLIB_MAJOR).arg(GIFLIB_MINOR).arg(GIFLIB_RELEASE)});
    out.push_back({QStringLiteral("libimagequant"), QString::fromLatin1(LIQ_VERSION_STRING)});
    addImageLibraries(out);
    return out;
}

} // namespace corvane
