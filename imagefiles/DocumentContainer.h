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

// The container stream of a document: "stg", the name length and the document length (four bytes each,
// most significant first), the name in code page 932, the document's bytes. Empty when the name is empty,
// longer than kMaxContainerNameBytes, has no code page 932 form or is no plain file name.
std::optional<QByteArray> buildContainer(const QString& name, const QByteArray& document);

// The carrier size for a stream of `streamBytes` on an original of `original` size: the original's size
// when it has 10 pixels per stream byte, else both sides scaled by sqrt(need / area), rounded up.
QSize carrierSize(QSize original, qint64 streamBytes);

// A copy of `work` (the original drawn at the carrier size) whose alpha carries the stream: ten alpha
// values per byte, repeated to the last pixel; the colour bytes stay as they are (not premultiplied).
QImage EncodeContainerIntoImage(const DeviceBitmap& work, const QByteArray& stream,
                                const ProgressFn& progress = {});

// The document of an image's alpha values, or empty when there is no usable one (no signature, lengths
// beyond the alpha capacity, a name that is no plain file name). Never reads outside `image`.
std::optional<EmbeddedDocument> readContainer(const QImage& image, const ProgressFn& progress = {});

// Reads the image file and writes its document into the work folder (atomically, replacing a file of the
// same name). Returns the written path, or empty when the image carries no usable document or writing
// fails (then `status` says why, when given).
QString ExtractEmbeddedDocument(const QString& imagePath, const ProgressFn& progress = {},
                                Status* status = nullptr);

} // namespace corvane
