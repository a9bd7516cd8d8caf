#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace corvane {

// The per-user settings, in sections ("Last", "Navi", "Obj") of named values, kept by QSettings under the
// organisation and application names. A missing, unreadable or malformed value gives the default.
//
// A write on its own reaches the file at once (the whole file is written and synced). Many values
// written together go inside a Batch: they reach the file once, when the batch ends.
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

    // While one exists, reads and writes of the store go to one copy of it, written to the file when the
    // last batch ends. Batches nest.
    class [[nodiscard]] Batch {
    public:
        explicit Batch(SettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SettingsStore& m_store;
    };

private:
    template <class Use>
    auto withStore(Use use) const;

    std::unique_ptr<QSettings> m_batch;
    int m_batchDepth = 0;
};

} // namespace corvane
