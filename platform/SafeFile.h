#pragma once

#include "platform/Allocation.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

namespace corvane {

// Writes a file atomically: `write` fills a temporary file beside `path`, which replaces `path` only
// when everything was written. A failure (of `write`, which returns false with a reason, or of the
// disk) leaves an existing file at `path` byte-identical.
Status writeFileAtomically(const QString& path, const std::function<Status(QIODevice& out)>& write);

// The same for bytes that are ready.
Status writeFileAtomically(const QString& path, const QByteArray& bytes);

// The whole file, or a failure naming the file and the reason. Refuses files larger than `maxBytes`.
Status readWholeFile(const QString& path, QByteArray& bytes, qint64 maxBytes = qint64{1} << 31);

// The same into a buffer from allocateBuffer() (large files get its page handling); `bytes` is a view of
// `storage` and is valid only as long as `storage` is.
Status readWholeFile(const QString& path, Buffer<char>& storage, QByteArray& bytes,
                     qint64 maxBytes = qint64{1} << 31);

} // namespace corvane
