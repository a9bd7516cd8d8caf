#include "imagefiles/DocumentContainer.h"

#include "imagefiles/ImageConversion.h"
#include "imagefiles/ImageLoader.h"
#include "imagefiles/ImageSaver.h"
#include "platform/CodePage.h"
#include "platform/SafeFile.h"
#include "platform/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <new>

namespace corvane {

namespace {

constexpr char kSignature[3] = {'s', 't', 'g'};
constexpr qint64 kHeaderBytes = 11;
constexpr qint64 kValuesPerByte = 10;
constexpr qint64 kMaxFieldValue = 0xFFFFFFFF;

// The ten alpha values that carry each byte value: the byte is split into ten shortfalls from 255 that
// differ by at most one, the larger ones first.
constexpr std::array<std::array<std::uint8_t, kValuesPerByte>, 256> makeAlphaTable() {
    std::array<std::array<std::uint8_t, kValuesPerByte>, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const int q = b / 10;
        const int r = b % 10;
        for (int i = 0; i < kValuesPerByte; ++i) {
            table[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(255 - (i < r ? q + 1 : q));
        }
    }
    return table;
}
constexpr auto kAlphaTable = makeAlphaTable();

void putBigEndian32(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((value >> (8 * (3 - i))) & 0xFF);
    }
}

// Walks the alpha values of a Format_ARGB32 image in pixel order (rows from the top, each from the left).
// The caller checks the capacity first; the cursor itself never steps past the last pixel it was told of.
class AlphaCursor {
public:
    explicit AlphaCursor(const QImage& image) : m_image(image) { startRow(0); }

    // One stream byte: the total by which its ten alpha values fall short of 255, modulo 256.
    std::uint8_t nextByte() {
        unsigned shortfall = 0;
        for (int i = 0; i < kValuesPerByte; ++i) {
            shortfall += 255u - (*m_pixel >> 24);
            ++m_pixel;
            if (--m_leftInRow == 0) {
                startRow(m_row + 1);
            }
        }
        return static_cast<std::uint8_t>(shortfall & 0xFF);
    }

private:
    void startRow(int y) {
        m_row = y;
        m_leftInRow = m_image.width();
        // Past the last row there is nothing to point at; the capacity check keeps nextByte() from
        // reading on.
        m_pixel = y < m_image.height() ? reinterpret_cast<const QRgb*>(m_image.constScanLine(y)) : nullptr;
    }

    const QImage& m_image;
    int m_row = 0;
    int m_leftInRow = 0;
    const QRgb* m_pixel = nullptr;
};

std::uint32_t readBigEndian32(AlphaCursor& cursor) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | cursor.nextByte();
    }
    return value;
}

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

} // namespace

bool isPlainDocumentName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    if (name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == QLatin1Char(':')) {
        return false;
    }
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control) {
            return false;
        }
    }
    // The byte form decides the length: double-byte characters take two of the 259 bytes.
    const auto bytes = toCp932(name);
    return bytes && !bytes->isEmpty() && bytes->size() <= kMaxContainerNameBytes;
}

QString documentNameProblem(const QString& name) {
    if (isPlainDocumentName(name)) {
        return {};
    }
    const auto bytes = toCp932(name);
    if (!bytes) {
        return QStringLiteral(
            "の名前には、文書に付けて保存できない文字（コードページ 932 にない文字）が含まれています");
    }
    if (bytes->size() > kMaxContainerNameBytes) {
        return QStringLiteral("の名前は長すぎて埋め込めません（%1 バイトまで）").arg(kMaxContainerNameBytes);
    }
    return QStringLiteral("の名前は文書のファイル名として使えません");
}

qint64 containerLength(const QString& name, qint64 documentBytes) {
    if (!isPlainDocumentName(name) || documentBytes < 0 || documentBytes > kMaxFieldValue) {
        return -1;
    }
    return kHeaderBytes + toCp932(name)->size() + documentBytes;
}

Status buildContainerFromFile(const QString& path, qint64 documentBytes, QByteArray& stream) {
    const QString name = QFileInfo(path).fileName();
    const qint64 total = containerLength(name, documentBytes);
    if (total < 0) {
        return Status::failure(fileMessage(path, documentNameProblem(name)));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を開けません（%1）").arg(file.errorString())));
    }
    QByteArray built;
    try {
        built.resize(total);
    } catch (const std::bad_alloc&) {
        return Status::failure(fileMessage(path, QStringLiteral("：メモリの確保に失敗しました")),
                               Status::Kind::OutOfMemory);
    }
    const QByteArray nameBytes = *toCp932(name);
    char* out = built.data();
    std::copy(std::begin(kSignature), std::end(kSignature), out);
    putBigEndian32(out + 3, static_cast<std::uint32_t>(nameBytes.size()));
    putBigEndian32(out + 7, static_cast<std::uint32_t>(documentBytes));
    std::copy(nameBytes.cbegin(), nameBytes.cend(), out + kHeaderBytes);
    char* document = out + kHeaderBytes + nameBytes.size();
    qint64 done = 0;
    while (done < documentBytes) {
        const qint64 read = file.read(document + done, documentBytes - done);
        if (read <= 0) {
            return Status::failure(
                fileMessage(path, read < 0 ? QStringLiteral("を読み込めません（%1）").arg(file.errorString())
                                           : QStringLiteral("が読み込みの途中で短くなりました")));
        }
        done += read;
    }
    stream = std::move(built);
    return Status::success();
}

bool keepsAlphaExactly(const QString& extension) {
    return extension == QLatin1String("png") || extension == QLatin1String("tiff");
}

Status checkCarrierPath(const QString& path) {
    if (keepsAlphaExactly(QFileInfo(path).suffix().toLower())) {
        return Status::success();
    }
    return Status::failure(fileMessage(
        path, QStringLiteral("：文書を埋め込めるのは PNG（.png）か TIFF（.tiff）の画像だけです（ほかの"
                             "形式では文書を運ぶ透明度が正確に残りません）")));
}

Status writeCarrierFile(const QImage& carrier, const QString& path, const QByteArray& stream) {
    if (const Status checked = checkCarrierPath(path); !checked) {
        return checked;
    }
    const QString extension = QFileInfo(path).suffix().toLower();
    QByteArray encoded;
    if (const Status status = encodeImageWithEncoder(carrier, path, extension, 100, encoded); !status) {
        return status;
    }
    // The file is written only when what it holds gives the document back.
    QImage decoded;
    if (const Status status = decodeImageBytes(encoded, path, decoded); !status) {
        return status;
    }
    const std::optional<EmbeddedDocument> found = readContainer(decoded);
    const std::optional<QByteArray> again =
        found ? buildContainer(found->name, found->bytes) : std::optional<QByteArray>();
    if (!again || *again != stream) {
        return Status::failure(fileMessage(
            path, QStringLiteral("：書き出した画像から文書を読み戻せませんでした（保存していません）")));
    }
    return writeFileAtomically(path, encoded);
}

std::optional<QByteArray> buildContainer(const QString& name, const QByteArray& document) {
    if (!isPlainDocumentName(name)) {
        return std::nullopt;
    }
    const auto nameBytes = toCp932(name);
    if (!nameBytes) {
        return std::nullopt;
    }
    const qint64 nameLength = nameBytes->size();
    const qint64 documentLength = document.size();
    if (documentLength > kMaxFieldValue) {
        return std::nullopt;
    }
    const qint64 total = kHeaderBytes + nameLength + documentLength;
    QByteArray stream;
    try {
        stream.resize(total);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    char* out = stream.data();
    std::copy(std::begin(kSignature), std::end(kSignature), out);
    putBigEndian32(out + 3, static_cast<std::uint32_t>(nameLength));
    putBigEndian32(out + 7, static_cast<std::uint32_t>(documentLength));
    std::copy(nameBytes->cbegin(), nameBytes->cend(), out + kHeaderBytes);
    std::copy(document.cbegin(), document.cend(), out + kHeaderBytes + nameLength);
    return stream;
}

QSize carrierSize(QSize original, qint64 streamBytes) {
    constexpr qint64 kMaxSide = std::numeric_limits<int>::max();
    // The stream of the longest name and document is about 2^32 bytes; anything beyond cannot be built.
    constexpr qint64 kMaxStream = kHeaderBytes + kMaxContainerNameBytes + kMaxFieldValue;
    if (original.isEmpty() || streamBytes < 0 || streamBytes > kMaxStream) {
        return {};
    }
    const qint64 need = streamBytes * kValuesPerByte;
    const qint64 width = original.width();
    const qint64 height = original.height();
    if (width * height >= need) {
        return original;
    }
    const double factor = std::sqrt(static_cast<double>(need) / static_cast<double>(width * height));
    const double scaledWidth = std::ceil(static_cast<double>(width) * factor);
    const double scaledHeight = std::ceil(static_cast<double>(height) * factor);
    if (scaledWidth > static_cast<double>(kMaxSide) || scaledHeight > static_cast<double>(kMaxSide)) {
        return {};
    }
    qint64 newWidth = static_cast<qint64>(scaledWidth);
    qint64 newHeight = static_cast<qint64>(scaledHeight);
    // The product of the rounded-up sides covers `need` in exact arithmetic; a rounding error of the
    // square root must not leave the carrier a few pixels short, which would cut the stream.
    while (newWidth * newHeight < need) {
        if (newWidth <= newHeight) {
            ++newWidth;
        } else {
            ++newHeight;
        }
    }
    if (newWidth > kMaxSide || newHeight > kMaxSide) {
        return {};
    }
    return {static_cast<int>(newWidth), static_cast<int>(newHeight)};
}

QImage EncodeContainerIntoImage(const DeviceBitmap& work, const QByteArray& stream,
                                const ProgressFn& progress) {
    if (work.isNull() || stream.isEmpty()) {
        return {};
    }
    const qint64 capacity = qint64{work.width()} * work.height();
    if (capacity / kValuesPerByte < stream.size()) {
        return {};
    }
    QImage image = toImage(work);
    if (image.isNull() || !image.reinterpretAsFormat(QImage::Format_ARGB32)) {
        return {};
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
    const qsizetype streamLength = stream.size();
    qsizetype position = 0;
    std::size_t value = 0;
    const std::array<std::uint8_t, kValuesPerByte>* alphas = &kAlphaTable[bytes[0]];
    const int height = image.height();
    const int width = image.width();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = (row[x] & 0x00FFFFFFu) | (QRgb{(*alphas)[value]} << 24);
            if (++value == kValuesPerByte) {
                value = 0;
                // After the last byte the stream starts again, so every pixel of the carrier carries it.
                if (++position == streamLength) {
                    position = 0;
                }
                alphas = &kAlphaTable[bytes[position]];
            }
        }
        if (progress) {
            progress(y + 1, height);
        }
    }
    return image;
}

std::optional<EmbeddedDocument> readContainer(const QImage& image, const ProgressFn& progress) {
    // An image without alpha reads as all 255: the signature decodes as three zero bytes.
    if (image.isNull() || !image.hasAlphaChannel()) {
        return std::nullopt;
    }
    const QImage argb =
        image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) {
        return std::nullopt;
    }
    const qint64 capacity = qint64{argb.width()} * argb.height();
    if (capacity < kHeaderBytes * kValuesPerByte) {
        return std::nullopt;
    }
    AlphaCursor cursor(argb);
    for (const char expected : kSignature) {
        if (cursor.nextByte() != static_cast<std::uint8_t>(expected)) {
            return std::nullopt;
        }
    }
    const qint64 nameLength = readBigEndian32(cursor);
    const qint64 documentLength = readBigEndian32(cursor);
    if (nameLength == 0 || nameLength > kMaxContainerNameBytes ||
        kValuesPerByte * (kHeaderBytes + nameLength + documentLength) > capacity) {
        return std::nullopt;
    }

    QByteArray nameBytes(nameLength, Qt::Uninitialized);
    for (char& c : nameBytes) {
        c = static_cast<char>(cursor.nextByte());
    }
    const auto name = fromCp932(nameBytes);
    if (!name || !isPlainDocumentName(*name)) {
        return std::nullopt;
    }

    EmbeddedDocument document{*name, {}};
    try {
        document.bytes.resize(documentLength);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    char* out = document.bytes.data();
    constexpr qint64 kProgressStep = qint64{1} << 16;
    for (qint64 i = 0; i < documentLength; ++i) {
        out[i] = static_cast<char>(cursor.nextByte());
        if (progress && ((i + 1) % kProgressStep == 0 || i + 1 == documentLength)) {
            progress(i + 1, documentLength);
        }
    }
    return document;
}

QString writeDocumentToWorkFolder(const EmbeddedDocument& document, Status* status) {
    const auto fail = [&](const QString& message) {
        if (status != nullptr) {
            *status = Status::failure(message);
        }
        return QString();
    };
    if (!isPlainDocumentName(document.name)) {
        return fail(fileMessage(document.name, QStringLiteral("は文書のファイル名として使えません")));
    }
    Status folderStatus;
    const QString folder = workFolder({}, &folderStatus);
    if (folder.isEmpty()) {
        if (status != nullptr) {
            *status = folderStatus;
        }
        return {};
    }
    const QString target = QDir(folder).filePath(document.name);
    // The name rules already keep the target inside the folder; this guards against a folder path that
    // the join would reinterpret.
    if (QFileInfo(target).absolutePath() != QFileInfo(folder).absoluteFilePath()) {
        return fail(fileMessage(target, QStringLiteral("は作業フォルダの外を指しています")));
    }
    // An atomic save writes through a symbolic link to its target, which may lie anywhere; the document
    // belongs in the work folder, so the link itself goes.
    const QFileInfo existing(target);
    if (existing.isSymLink() && !QFile::remove(target)) {
        return fail(fileMessage(
            target, QStringLiteral("を置き換えられません（シンボリックリンクを削除できません）")));
    }
    const Status written = writeFileAtomically(target, document.bytes);
    if (!written) {
        if (status != nullptr) {
            *status = written;
        }
        return {};
    }
    if (status != nullptr) {
        *status = Status::success();
    }
    return target;
}

QString ExtractEmbeddedDocument(const QString& imagePath, const ProgressFn& progress, Status* status) {
    if (status != nullptr) {
        *status = Status::success();
    }
    QImage image;
    const Status decoded = decodeImageFile(imagePath, image);
    if (!decoded) {
        if (status != nullptr) {
            *status = decoded;
        }
        return {};
    }
    const auto document = readContainer(image, progress);
    if (!document) {
        return {};
    }
    return writeDocumentToWorkFolder(*document, status);
}

} // namespace corvane
