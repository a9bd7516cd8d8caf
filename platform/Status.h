#pragma once

#include <QString>

namespace corvane {

// The outcome of a file operation: success, or a failure with a message that names the file and the
// reason, in the interface's language. The kind lets callers choose how to report it.
class Status {
public:
    enum class Kind {
        Ok,
        Failed,      // the operation could not be done; the message says why
        OutOfMemory, // a buffer could not be allocated
        NoEncoder,   // no encoder writes files with this extension
    };

    Status() = default;
    static Status success() { return {}; }
    static Status failure(QString message, Kind kind = Kind::Failed) {
        return Status(kind, std::move(message));
    }

    bool ok() const { return m_kind == Kind::Ok; }
    explicit operator bool() const { return ok(); }
    Kind kind() const { return m_kind; }
    const QString& message() const { return m_message; }

private:
    Status(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind = Kind::Ok;
    QString m_message;
};

// "「name」" + reason: how every file message names its file (the file name only, not the folder).
QString fileMessage(const QString& path, const QString& reason);

} // namespace corvane
