#pragma once

#include "platform/DeviceBitmap.h"
#include "platform/Progress.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace corvane {

// The longest document name a container holds, in code page 932 bytes.
inline constexpr int kMaxContainerNameBytes = 259;

// A document taken out of a container: its file name (without folder) and its bytes.
struct EmbeddedDocument {
    QString name;
    QByteArray bytes;
};

// True for a name that can only ever denote a file directly inside a folder: not empty, at most
// kMaxContainerNameBytes in code page 932 (and representable there), not "." or "..", without "/" or
// "\", without a drive prefix such as "C:", without control characters.
bool isPlainDocumentName(const QString& name);

// Why `name` cannot be stored in a container (it has a character that code page 932 lacks, is longer
// than kMaxContainerNameBytes there, or is no plain file name), as the end of a sentence naming it; empty
// when it can.
QString documentNameProblem(const QString& name);

// The container stream of a document: "stg", the name length and the document length (four bytes each,
// most significant first), the name in code page 932, the document's bytes. Empty when the name is no
// plain document name (above) or the document is longer than a 32-bit length field holds.
std::optional<QByteArray> buildContainer(const QString& name, const QByteArray& document);

// The length of the container stream of a document named `name` of `documentBytes` bytes; −1 when the
// name cannot be stored or the length does not fit the length field.
qint64 containerLength(const QString& name, qint64 documentBytes);

// The container stream of the document file at `path` (stored under its file name), of which exactly
// `documentBytes` bytes are read, the length the caller checked against the carrier before: a file that
// is shorter now is a read failure, one that grew is read no further. A failure names the file and the
// reason; Status::Kind::OutOfMemory when the stream cannot be allocated.
Status buildContainerFromFile(const QString& path, qint64 documentBytes, QByteArray& stream);

// Whether files of the extension (lower case) keep every alpha value exactly as written, so that they can
// carry a container: PNG and TIFF.
bool keepsAlphaExactly(const QString& extension);
// Success when `path` has such an extension; otherwise a failure naming the file and saying so.
Status checkCarrierPath(const QString& path);

// Writes the carrier image to `path` in the format of its extension, which must keep alpha exactly. The
// file is encoded in memory and decoded again, and written (atomically) only when the decoded image gives
// back exactly `stream`; otherwise nothing is written and the failure says why.
Status writeCarrierFile(const QImage& carrier, const QString& path, const QByteArray& stream);

// The carrier size for a stream of `streamBytes` on an original of `original` size: the original's size
// when it has 10 pixels per stream byte, else both sides scaled by sqrt(need / area), rounded up (and
// grown further if rounding left it short). An empty size when the original is empty, the stream length
// is negative, or a side would not fit in an int.
QSize carrierSize(QSize original, qint64 streamBytes);

// A copy of `work` (the original drawn at the carrier size) whose alpha carries the stream: ten alpha
// values per byte, repeated to the last pixel; the colour bytes stay as they are (Format_ARGB32, not
// premultiplied; 16-bit surfaces widened). Null when the stream is empty, does not fit in the surface
// (fewer than 10 pixels per byte) or memory runs out. `progress` is told (rows done, rows).
QImage EncodeContainerIntoImage(const DeviceBitmap& work, const QByteArray& stream,
                                const ProgressFn& progress = {});

// The document of an image's alpha values, or empty when there is no usable one (no signature, lengths
// beyond the alpha capacity, a name that is no plain document name or not valid code page 932). Never
// reads outside `image`. `progress` is told (document bytes done, document bytes).
std::optional<EmbeddedDocument> readContainer(const QImage& image, const ProgressFn& progress = {});

// Writes the document into the work folder under its name, atomically: an existing file of that name is
// replaced only when the whole document was written (a symbolic link of that name is replaced by the file,
// its target left alone). Returns the written path, or empty with `status` (when given) saying why.
QString writeDocumentToWorkFolder(const EmbeddedDocument& document, Status* status = nullptr);

// Reads the image file and writes its document into the work folder (see writeDocumentToWorkFolder).
// Returns the written path, or empty when the image carries no usable document (`status` stays a
// success) or decoding or writing fails (then `status` says why, when given).
QString ExtractEmbeddedDocument(const QString& imagePath, const ProgressFn& progress = {},
                                Status* status = nullptr);

} // namespace corvane
