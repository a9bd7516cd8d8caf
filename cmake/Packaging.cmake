# The Debian package: `cpack -G DEB` in a build folder makes corvane_VERSION_ARCH.deb from what
# `cmake --install` puts under /usr. Its Depends are the packages of the shared libraries the programs
# link, found by dpkg-shlibdeps, plus the plugins that Qt loads at run time (which no link shows).
set(CORVANE_PACKAGE_MAINTAINER "Corvane developers <corvane@pellucora.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR Pellucora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compare two images and show where they differ")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane compares two images side by side: pixel maps, blends in fifteen modes, colour-distance
gradations, extracted difference regions, histograms, row and column match rates with a best-shift
search, pixel-value tables, a magnifier and a property table with file digests. It writes watermark
texts and hides documents in PNG or TIFF copies of images. The interface is Japanese. The package also
holds corvane-cli, which runs the same comparisons from the command line for scripts and CI.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# TIFF is read and written through Qt's image-format plugin; a Japanese font makes the interface legible.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-japanese-gothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
