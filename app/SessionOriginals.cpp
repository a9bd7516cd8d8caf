// The comparison session: setting, clearing, swapping, reloading and preprocessing the originals.

#include "app/ComparisonSession.h"

#include "imagefiles/DocumentContainer.h"
#include "imagefiles/ImageConversion.h"
#include "imagefiles/ImageFormat.h"
#include "imagefiles/ImageLoader.h"
#include "imagefiles/ImageSaver.h"
#include "res/Strings.h"

#include <QFileInfo>

#include <latch>
#include <system_error>
#include <thread>

namespace corvane {

namespace {

QString openFilter() {
    return QStringLiteral(
        "イメージファイル(jpeg, gif, bmp, png, tiff) |*.jpg;*.jpeg;*.gif;*.bmp;*.png;*.tif;*.tiff|"
        "JPEGファイル(*.jpeg)|*.jpg;*.jpeg|GIFファイル(*.gif)|*.gif|"
        "ビットマップファイル(*.bmp)|*.bmp|PNGファイル(*.png)|*.png|"
        "TIFFファイル(*.tiff)|*.tif;*.tiff||");
}

} // namespace

bool ComparisonSession::CreateSurfaces(int width, int height) {
    // All eight are made before any is replaced, so a failure leaves the session as it was.
    std::array<DeviceBitmap, kSurfaceCount> surfaces;
    for (DeviceBitmap& surface : surfaces) {
        surface = DeviceBitmap::create(width, height, m_displayBits);
        if (surface.isNull()) {
            return reportFailure({}, kMsgOutOfMemory);
        }
    }
    m_surfaces = std::move(surfaces);
    m_transparent = {0, 0};
    m_workingSize = {width, height};
    stateChanged();
    return true;
}

bool ComparisonSession::SetOriginal(int k, const QString& path, const QString& type, bool ask) {
    LoadedImage loaded;
    if (const Status status = LoadImageFile(path, type.toLower(), m_displayBits, loaded); !status) {
        return reportFailure(status.message(), kMsgReadFailed);
    }
    // An image that will be drawn at its own size becomes its surface without a copy; one that will be
    // scaled keeps its decoded pixels for the smooth scaling.
    const std::size_t other = 1 - static_cast<std::size_t>(k);
    DeviceBitmap converted;
    if (m_paths[other].isEmpty() || loaded.image.size() == m_workingSize) {
        converted = takeSurface(loaded, m_displayBits);
    }
    return setLoadedOriginal(k, path, loaded, ask, &converted);
}

bool ComparisonSession::setLoadedOriginal(int k, const QString& path, const LoadedImage& loaded, bool ask,
                                          DeviceBitmap* converted) {
    const auto uk = static_cast<std::size_t>(k);
    const std::size_t other = 1 - uk;
    // The image may already have become `converted` (its buffer taken over), which then has its size.
    const bool taken = loaded.image.isNull() && converted != nullptr && !converted->isNull();
    const QSize size = taken ? QSize(converted->width(), converted->height()) : loaded.image.size();
    const auto askSizeDiffers = [&] {
        return !ask || size == m_workingSize ||
               m_host.showMessage({}, kMsgSizeDiffers, MessageType::YesNo) == MessageButton::Yes;
    };
    if (m_paths[other].isEmpty()) {
        if (!CreateSurfaces(size.width(), size.height())) {
            return false;
        }
    } else if (m_paths[uk].isEmpty()) {
        if (!askSizeDiffers()) {
            return false;
        }
    } else if (ask) {
        switch (m_host.showMessage({}, kMsgClearOtherFirst, MessageType::YesNoCancel)) {
        case MessageButton::Yes:
            if (!CreateSurfaces(size.width(), size.height())) {
                return false;
            }
            m_paths[other].clear();
            break;
        case MessageButton::No:
            if (!askSizeDiffers()) {
                return false;
            }
            break;
        default:
            return false;
        }
    }
    m_naturalSizes[uk] = size;
    if (converted != nullptr && !converted->isNull() && converted->geometry() == m_surfaces[uk].geometry()) {
        // Already converted at the working size: it becomes the surface as it is.
        m_surfaces[uk] = std::move(*converted);
    } else if (taken || !renderImage(loaded.image, m_surfaces[uk])) {
        // (Callers take an image over only when it will not be scaled, so `taken` never gets here.)
        return reportFailure(fileMessage(path, QStringLiteral("を描画できません")), kMsgOutOfMemory);
    }
    ResetProcessing();
    m_gridPosition = {m_workingSize.width() / 2, m_workingSize.height() / 2};
    m_host.resetShiftControls(m_workingSize.width() - 1, m_workingSize.height() - 1);
    if (k == kOriginal1) {
        Status status;
        m_embeddedDocument =
            loaded.document ? writeDocumentToWorkFolder(*loaded.document, &status) : QString();
        if (!status) {
            m_host.showMessage(status.message() + QLatin1Char('\n'), kMsgExtractFailed, MessageType::Stop);
        }
        m_documentField = embeddedDocumentName();
    }
    stateChanged();
    return true;
}

QString ComparisonSession::embeddedDocumentName() const {
    return m_embeddedDocument.isEmpty() ? QString() : QFileInfo(m_embeddedDocument).fileName();
}

bool ComparisonSession::setOriginalFromFile(int k, const QString& path, bool ask) {
    if (k != kOriginal1 && k != kOriginal2) {
        return false;
    }
    const QString type = ClassifyImageExtension(path);
    if (type.isEmpty() || !SetOriginal(k, path, type, ask)) {
        return false;
    }
    m_paths[static_cast<std::size_t>(k)] = path;
    m_types[static_cast<std::size_t>(k)] = type;
    m_host.redrawAreas(redraw::kAll, true);
    stateChanged();
    return true;
}

bool ComparisonSession::setOriginalsFromFiles(const QString& path1, const QString& path2, bool ask) {
    const std::array<QString, 2> paths = {path1, path2};
    std::array<QString, 2> types;
    for (std::size_t k = 0; k < 2; ++k) {
        types[k] = ClassifyImageExtension(paths[k]);
        if (types[k].isEmpty()) {
            return false;
        }
    }
    // Both files are decoded at once, and each becomes a surface on its own thread where it will be one:
    // original 1 gives the working size; original 2 is taken over as it is when it has that size too. The
    // originals are then set in order, as two drops would.
    std::array<LoadedImage, 2> loaded;
    std::array<DeviceBitmap, 2> converted;
    std::array<Status, 2> status;
    QSize firstSize;
    std::latch firstLoaded(1);
    const auto loadFirst = [&] {
        status[0] = LoadImageFile(paths[0], types[0], m_displayBits, loaded[0]);
        firstSize = status[0] ? loaded[0].image.size() : QSize();
        firstLoaded.count_down();
        if (status[0]) {
            converted[0] = takeSurface(loaded[0], m_displayBits);
        }
    };
    const auto loadSecond = [&] {
        status[1] = LoadImageFile(paths[1], types[1], m_displayBits, loaded[1]);
        firstLoaded.wait();
        if (status[1] && loaded[1].image.size() == firstSize) {
            converted[1] = takeSurface(loaded[1], m_displayBits);
        }
    };
    std::thread second;
    try {
        second = std::thread(loadSecond);
    } catch (const std::system_error&) {
        // No second thread: one after the other.
    }
    loadFirst();
    if (second.joinable()) {
        second.join();
    } else {
        loadSecond();
    }
    for (std::size_t k = 0; k < 2; ++k) {
        if (!status[k]) {
            return reportFailure(status[k].message(), kMsgReadFailed);
        }
        if (!setLoadedOriginal(static_cast<int>(k), paths[k], loaded[k], ask, &converted[k])) {
            return false;
        }
        m_paths[k] = paths[k];
        m_types[k] = types[k];
        loaded[k] = {};
    }
    m_host.redrawAreas(redraw::kAll, true);
    stateChanged();
    return true;
}

void ComparisonSession::chooseOriginal(int k) {
    if (k != kOriginal1 && k != kOriginal2) {
        return;
    }
    const std::optional<QString> path =
        m_host.chooseOpenFile(QStringLiteral("原本にセットするイメージを指定"), openFilter());
    if (path) {
        setOriginalFromFile(k, *path);
    }
}

void ComparisonSession::dropFile(int area, const QString& path, bool isDirectory) {
    if (isDirectory || (area != kOriginal1 && area != kOriginal2)) {
        return;
    }
    if (m_documentMode) {
        if (area == kOriginal1) {
            m_host.redrawPictures(kOriginal1);
            ResetProcessing();
            EmbedDocument(path);
        }
        return;
    }
    setOriginalFromFile(area, path);
}

void ComparisonSession::clearOriginals() {
    if (m_host.showMessage({}, kMsgConfirmClear, MessageType::YesNo) != MessageButton::Yes) {
        return;
    }
    m_paths = {};
    m_surfaces = {};
    ResetProcessing();
    m_documentField.clear();
    m_host.redrawAreas(redraw::kAll, true);
    stateChanged();
}

void ComparisonSession::swapOriginals() {
    std::swap(m_paths[0], m_paths[1]);
    std::swap(m_types[0], m_types[1]);
    std::swap(m_naturalSizes[0], m_naturalSizes[1]);
    std::swap(m_surfaces[kOriginal1], m_surfaces[kOriginal2]);
    m_host.redrawPictures(redraw::kAll);
    stateChanged();
}

bool ComparisonSession::ReloadOriginal(int k) {
    const auto uk = static_cast<std::size_t>(k);
    if (m_paths[uk].isEmpty() || m_types[uk].isEmpty()) {
        return true;
    }
    LoadedImage loaded;
    if (const Status status = LoadImageFile(m_paths[uk], m_types[uk], m_displayBits, loaded); !status) {
        return reportFailure(status.message(), kMsgReadFailed);
    }
    if (!renderImage(loaded.image, m_surfaces[uk])) {
        return reportFailure(fileMessage(m_paths[uk], QStringLiteral("を描画できません")), kMsgOutOfMemory);
    }
    return true;
}

bool ComparisonSession::applyPreprocessing(int k, Preprocessing operation) {
    DeviceBitmap& surface = m_surfaces[static_cast<std::size_t>(k)];
    bool ok = false;
    switch (operation) {
    case Preprocessing::Greyscale:
        ok = m_filter.GreyscaleImage(surface, surface, 255);
        break;
    case Preprocessing::Colors256:
        ok = ReduceTo256Colors(surface);
        break;
    case Preprocessing::Colors64:
        ok = m_filter.ReduceTo64Colors(surface, surface);
        break;
    case Preprocessing::Blur3:
        ok = m_filter.BlurImage(surface, surface, 3);
        break;
    case Preprocessing::Blur7:
        ok = m_filter.BlurImage(surface, surface, 7);
        break;
    case Preprocessing::Blur11:
        ok = m_filter.BlurImage(surface, surface, 11);
        break;
    case Preprocessing::Reload:
        return ReloadOriginal(k);
    }
    return ok || reportFailure({}, kMsgOutOfMemory);
}

void ComparisonSession::preprocessOriginal(int k, Preprocessing operation, bool otherShowsImage) {
    if ((k != kOriginal1 && k != kOriginal2) || m_paths[static_cast<std::size_t>(k)].isEmpty()) {
        return;
    }
    bool both = false;
    if (otherShowsImage) {
        const MessageButton answer = m_host.showMessage({}, kMsgProcessBoth, MessageType::YesNoCancel);
        if (answer == MessageButton::Cancel) {
            return;
        }
        both = answer == MessageButton::Yes;
    }
    m_host.setWaitCursor(true);
    const bool ok = applyPreprocessing(k, operation) && (!both || applyPreprocessing(1 - k, operation));
    m_host.setWaitCursor(false);
    if (!ok) {
        return;
    }
    if (m_processing == ProcessingMode::Visual || m_processing == ProcessingMode::Histogram) {
        m_host.redrawAreas(redraw::kAll, true);
    } else {
        m_host.redrawPictures(redraw::kAll);
    }
}

void ComparisonSession::openOriginalLocation(int k) {
    if ((k != kOriginal1 && k != kOriginal2) || m_paths[static_cast<std::size_t>(k)].isEmpty()) {
        return;
    }
    if (!m_host.showFileLocation(m_paths[static_cast<std::size_t>(k)])) {
        m_host.showMessage({}, kMsgFileManagerFailed, MessageType::Stop);
    }
}

} // namespace corvane
