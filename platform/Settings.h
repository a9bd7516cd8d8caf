#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace corvane {

// The per-user settings, in sections ("Last", "Navi", "Obj") of named values, kept by QSettings under the
// organisation and application names. A missing, unreadable or malformed value gives the default.
class SettingsStore {
public:
    SettingsStore();
    virtual ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    virtual int readInt(const QString& section, const QString& name, int defaultValue) const;
    virtual void writeInt(const QString& section, const QString& name, int value);
    virtual QString readString(const QString& section, const QString& name,
                               const QString& defaultValue = {}) const;
    virtual void writeString(const QString& section, const QString& name, const QString& value);

    // Between these two calls the store stays open: many values are read and written with one load and
    // one save of the file instead of one each. Calls nest; the last endBatch() saves.
    void beginBatch() const;
    void endBatch() const;

private:
    // The open store of a batch, or a store opened for one call.
    std::unique_ptr<QSettings> open() const;
    void done(std::unique_ptr<QSettings> store) const;

    mutable std::unique_ptr<QSettings> m_batch;
    mutable int m_batchDepth = 0;
};

// A batch of reads and writes for the life of the object.
class SettingsBatch {
public:
    explicit SettingsBatch(const SettingsStore& settings) : m_settings(settings) { m_settings.beginBatch(); }
    ~SettingsBatch() { m_settings.endBatch(); }
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

private:
    const SettingsStore& m_settings;
};

} // namespace corvane
