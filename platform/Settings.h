#pragma once

#include <QString>

namespace corvane {

// The per-user settings, in sections ("Last", "Navi", "Obj") of named values, kept by QSettings under the
// organisation and application names. A missing, unreadable or malformed value gives the default.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual int readInt(const QString& section, const QString& name, int defaultValue) const;
    virtual void writeInt(const QString& section, const QString& name, int value);
    virtual QString readString(const QString& section, const QString& name,
                               const QString& defaultValue = {}) const;
    virtual void writeString(const QString& section, const QString& name, const QString& value);
};

} // namespace corvane
