// The comparison session: saving results, embedding and extracting documents, comparing properties.

#include "app/ComparisonSession.h"

#include "imagefiles/BmpWriter.h"
#include "imagefiles/DocumentContainer.h"
#include "imagefiles/ImageFormat.h"
#include "imagefiles/ImageSaver.h"
#include "platform/Blit.h"
#include "platform/SafeFile.h"
#include "platform/Settings.h"
#include "res/Strings.h"
#include "views/ColorStatistics.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

namespace {

// The file types of the save dialog, by their 1-based index.
struct SaveType {
    const char* text;
    int bmpBits;
    bool rle;
    bool transparent;
};

constexpr std::array<SaveType, 16> kSaveTypes = {{
    {"モノクロ BITMAPファイル(*.bmp)|*.bmp", 1, false, false},
    {"16色 BITMAPファイル(*.bmp)|*.bmp", 4, false, false},
    {"16色(圧縮) BITMAPファイル(*.bmp)|*.bmp", 4, true, false},
    {"256色 BITMAPファイル(*.bmp)|*.bmp", 8, false, false},
    {"256色(圧縮) BITMAPファイル(*.bmp)|*.bmp", 8, true, false},
    {"16ビット色 BITMAPファイル(*.bmp)|*.bmp", 16, false, false},
    {"24ビット色 BITMAPファイル(*.bmp)|*.bmp", 24, false, false},
    {"32ビット色 BITMAPファイル(*.bmp)|*.bmp", 32, false, false},
    {"JPEGファイル(*.jpeg)|*.jpeg", 0, false, false},
    {"GIFファイル(*.gif)|*.gif", 0, false, false},
    {"PNGファイル(*.png)|*.png", 0, false, false},
    {"TIFFファイル(*.tiff)|*.tiff", 0, false, false},
    {"透過BITMAPファイル(*.bmp)|*.bmp", 0, false, true},
    {"透過GIFファイル(*.gif)|*.gif", 0, false, true},
    {"透過PNGファイル(*.png)|*.png", 0, false, true},
    {"透過TIFFファイル(*.tiff)|*.tiff", 0, false, true},
}};

constexpr int kJpegTypeIndex = 9;
constexpr int kPngTypeIndex = 11;

QString saveFilter() {
    QString filter;
    for (const SaveType& type : kSaveTypes) {
        filter += QString::fromUtf8(type.text) + QLatin1Char('|');
    }
    return filter + QLatin1Char('|');
}

QString saveTitle() {
    return QStringLiteral("保存するファイルを指定");
}

BmpCompression compressionOf(int bits, bool rle) {
    if (rle) {
        return bits == 4 ? BmpCompression::Rle4 : BmpCompression::Rle8;
    }
    return bits == 16 || bits == 32 ? BmpCompression::Bitfields : BmpCompression::Rgb;
}

} // namespace

Status ComparisonSession::saveSurface(int index, const QString& path, const SaveOptions& options) {
    const DeviceBitmap& bitmap = m_surfaces[static_cast<std::size_t>(index)];
    if (bitmap.isNull()) {
        return Status::failure(fileMessage(path, QStringLiteral("に保存する画像がありません")));
    }
    if (options.bmpBits != 0) {
        return WriteBmpFile(bitmap, path, options.bmpBits, compressionOf(options.bmpBits, options.rle));
    }
    const QString extension = QFileInfo(path).suffix().toLower();
    if (!options.transparent) {
        return SaveBitmapWithEncoder(bitmap, path, extension, options.quality);
    }
    // Pure white becomes transparent in every format. (A GIF gets its own transparent palette entry for
    // exactly those pixels: marking afterwards the entry nearest a near-white, as a fixed palette allowed,
    // would with an adaptive palette catch some other light colour and leave white opaque.)
    return SaveTransparentWithEncoder(bitmap, path, extension);
}

void ComparisonSession::SaveResultImage(int area) {
    if ((area != kResult1 && area != kResult2) || m_surfaces[static_cast<std::size_t>(area)].isNull()) {
        return;
    }
    const std::optional<SaveChoice> choice = m_host.chooseSaveFile(
        saveTitle(), saveFilter(), QStringLiteral("無題"), QStringLiteral("png"), kPngTypeIndex);
    if (!choice || choice->filterIndex < 1 || choice->filterIndex > static_cast<int>(kSaveTypes.size())) {
        return;
    }
    const SaveType& type = kSaveTypes[static_cast<std::size_t>(choice->filterIndex - 1)];
    SaveOptions options{type.bmpBits, type.rle, 100, type.transparent};
    if (choice->filterIndex == kJpegTypeIndex) {
        const int stored = m_settings != nullptr
                               ? m_settings->readInt(QStringLiteral("Last"), QStringLiteral("Quality"), 100)
                               : 100;
        const std::optional<int> quality = m_host.chooseQuality(std::clamp(stored, 10, 100));
        if (!quality) {
            return;
        }
        options.quality = std::clamp(*quality, 10, 100);
        if (m_settings != nullptr) {
            m_settings->writeInt(QStringLiteral("Last"), QStringLiteral("Quality"), options.quality);
        }
    }
    if (QFileInfo::exists(choice->path) &&
        m_host.showMessage({}, kMsgConfirmOverwrite, MessageType::YesNo) != MessageButton::Yes) {
        return;
    }
    if (options.bmpBits == 0) {
        m_host.setWaitCursor(true);
    }
    const Status saved = saveSurface(area, choice->path, options);
    if (options.bmpBits == 0) {
        m_host.setWaitCursor(false);
    }
    if (!saved) {
        // The writer's reason leads; the BMP writer's failures keep their own message.
        reportFailure(saved.message(), options.bmpBits != 0 ? kMsgBitmapSaveFailed : kMsgSaveFailed);
        return;
    }
    if (m_host.showMessage({}, kMsgSaved, MessageType::YesNo) == MessageButton::Yes &&
        !m_host.showFileLocation(choice->path)) {
        m_host.showMessage({}, kMsgFileManagerFailed, MessageType::Stop);
    }
}

void ComparisonSession::EmbedDocument(const QString& documentPath) {
    const QString& original1 = m_paths[kOriginal1];
    const QString documentName = QFileInfo(documentPath).fileName();
    if (original1.isEmpty() || documentName.isEmpty() || m_surfaces[kOriginal1].isNull()) {
        return;
    }
    const std::optional<SaveChoice> choice = m_host.chooseSaveFile(
        saveTitle(),
        QStringLiteral("イメージファイル(png, tiff) "
                       "|*.png;*.tiff|PNGファイル(*.png)|*.png|TIFFファイル(*.tiff)|*.tiff||"),
        QFileInfo(original1).completeBaseName(), QStringLiteral("png"), 1);
    if (!choice) {
        return;
    }
    // Only a format that keeps every alpha value exactly can carry the document; any other is refused
    // before anything is read or written.
    if (const Status checked = checkCarrierPath(choice->path); !checked) {
        reportFailure(checked.message(), kMsgEmbedFailed);
        return;
    }
    // Unlike a plain save dialog, ask before replacing a file: the carrier could be original 1's own file.
    if (QFileInfo::exists(choice->path) &&
        m_host.showMessage({}, kMsgConfirmOverwrite, MessageType::YesNo) != MessageButton::Yes) {
        return;
    }
    // The document's size decides the carrier; a document that could never fit is refused before it is
    // read, and no more than that size is read later.
    const QFileInfo document(documentPath);
    if (!document.isFile()) {
        reportFailure(fileMessage(documentPath, QStringLiteral("を読み込めません（ファイルではありません）")),
                      kMsgReadFailed);
        return;
    }
    const qint64 documentBytes = document.size();
    if (const QString problem = documentNameProblem(documentName); !problem.isEmpty()) {
        reportFailure(fileMessage(documentPath, problem), kMsgEmbedFailed);
        return;
    }
    // A carrier larger than the program loads could never give its document back.
    const QSize size = carrierSize(m_workingSize, containerLength(documentName, documentBytes));
    if (size.isEmpty() || !withinImageLimits(size)) {
        reportFailure(
            fileMessage(documentPath,
                        QStringLiteral("は大きすぎて埋め込めません（読み込める画像の大きさを超えます）")),
            kMsgEmbedFailed);
        return;
    }
    DeviceBitmap work = DeviceBitmap::create(size.width(), size.height(), m_displayBits);
    if (work.isNull()) {
        reportFailure({}, kMsgOutOfMemory);
        return;
    }
    const DeviceBitmap& source = m_surfaces[kOriginal1];
    if (size == m_workingSize) {
        bitBlt(work, 0, 0, source);
    } else if (!stretchBlt(work, {0, 0, size.width(), size.height()}, source,
                           {0, 0, source.width(), source.height()})) {
        reportFailure({}, kMsgOutOfMemory);
        return;
    }
    QByteArray stream;
    if (const Status built = buildContainerFromFile(documentPath, documentBytes, stream); !built) {
        reportFailure(built.message(),
                      built.kind() == Status::Kind::OutOfMemory ? kMsgOutOfMemory : kMsgReadFailed);
        return;
    }
    m_host.setWaitCursor(true);
    const QImage carrier = EncodeContainerIntoImage(
        work, stream, [this](std::int64_t done, std::int64_t total) { m_host.showProgress(done, total); });
    work = DeviceBitmap();
    Status saved = carrier.isNull() ? Status::failure({}, Status::Kind::OutOfMemory) : Status::success();
    if (saved) {
        // Success is told only once the written file has been read back and found to hold the document.
        saved = writeCarrierFile(carrier, choice->path, stream);
    }
    m_host.showProgress(0, 0);
    m_host.setWaitCursor(false);
    if (!saved) {
        if (saved.kind() == Status::Kind::OutOfMemory) {
            reportFailure({}, kMsgOutOfMemory);
        }
        reportFailure(saved.message(), kMsgEmbedFailed);
        return;
    }
    if (m_host.showMessage({}, kMsgEmbedDone, MessageType::YesNo) == MessageButton::Yes &&
        !m_host.showFileLocation(choice->path)) {
        m_host.showMessage({}, kMsgFileManagerFailed, MessageType::Stop);
    }
}

Status ComparisonSession::copyEmbeddedDocument(const QString& folder, QString& target) const {
    // A missing folder is made, as file managers make a missing desktop folder.
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        return Status::failure(fileMessage(folder, QStringLiteral("のフォルダを作れません")));
    }
    target = QDir(folder).filePath(QFileInfo(m_embeddedDocument).fileName());
    QByteArray bytes;
    Status copied = readWholeFile(m_embeddedDocument, bytes);
    if (copied) {
        copied = writeFileAtomically(target, bytes);
    }
    return copied;
}

void ComparisonSession::ExtractToDesktop() {
    if (m_embeddedDocument.isEmpty()) {
        return;
    }
    if (m_host.showMessage({}, kMsgConfirmExtract, MessageType::YesNo) != MessageButton::Yes) {
        return;
    }
    const QString desktop = m_host.desktopFolder();
    const QString planned = QDir(desktop).filePath(QFileInfo(m_embeddedDocument).fileName());
    if (QFileInfo::exists(planned) &&
        m_host.showMessage({}, kMsgConfirmOverwrite, MessageType::YesNo) != MessageButton::Yes) {
        return;
    }
    QString target;
    if (const Status copied = copyEmbeddedDocument(desktop, target); !copied) {
        reportFailure(copied.message(), kMsgExtractFailed);
        return;
    }
    // The whole path says where the document went (the desktop folder may have been made just now).
    m_host.showMessage(QDir::toNativeSeparators(target) + QLatin1Char('\n'), kMsgExtractedToDesktop,
                       MessageType::Information);
}

bool ComparisonSession::CompareProperties() {
    if (!HasBothOriginals()) {
        m_host.showMessage({}, kMsgNeedBothOriginals, MessageType::Stop);
        return false;
    }
    m_host.setWaitCursor(true);
    // The digests of two large files take a while: the progress bar counts the bytes of both.
    std::array<qint64, 2> sizes{};
    for (const int k : {0, 1}) {
        sizes[static_cast<std::size_t>(k)] =
            std::max<qint64>(0, QFileInfo(m_paths[static_cast<std::size_t>(k)]).size());
    }
    const std::int64_t totalBytes = std::max<std::int64_t>(1, sizes[0] + sizes[1]);
    m_host.showProgress(0, totalBytes);
    std::array<OriginalProperties, 2> properties;
    for (const int k : {0, 1}) {
        OriginalProperties& p = properties[static_cast<std::size_t>(k)];
        p.path = m_paths[static_cast<std::size_t>(k)];
        p.width = m_naturalSizes[static_cast<std::size_t>(k)].width();
        p.height = m_naturalSizes[static_cast<std::size_t>(k)].height();
        const DeviceBitmap& surface = m_surfaces[static_cast<std::size_t>(k)];
        p.colorCounts = countPureColors(surface);
        p.distinctColors = countDistinctColors(surface);
        const std::int64_t before = k == 0 ? 0 : sizes[0];
        readFileProperties(p, [&](std::int64_t done, std::int64_t) {
            m_host.showProgress(std::min(totalBytes, before + done), totalBytes);
        });
    }
    m_propertyRows = buildPropertyRows(properties[0], properties[1]);
    m_host.showProgress(0, 0);
    m_host.setWaitCursor(false);
    m_host.redrawAreas(redraw::kResults, false);
    m_host.showPropertyComparison();
    ResetProcessing();
    return true;
}

} // namespace corvane
