#include "platform/Settings.h"

#include "platform/AppInfo.h"

#include <QSettings>

namespace corvane {

namespace {

QString key(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}

std::unique_ptr<QSettings> openStore() {
    return std::make_unique<QSettings>(QString::fromLatin1(kOrganisationName),
                                       QString::fromLatin1(kApplicationName));
}

} // namespace

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

// Outside a batch each call opens the store afresh (QSettings objects are cheap), so no state outlives a
// call and the file always holds what was written.
template <class Use>
auto SettingsStore::withStore(Use use) const {
    if (m_batch) {
        return use(*m_batch);
    }
    const std::unique_ptr<QSettings> settings = openStore();
    return use(*settings);
}

int SettingsStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    return withStore([&](QSettings& settings) {
        bool ok = false;
        const int value = settings.value(key(section, name)).toInt(&ok);
        return ok ? value : defaultValue;
    });
}

void SettingsStore::writeInt(const QString& section, const QString& name, int value) {
    withStore([&](QSettings& settings) { settings.setValue(key(section, name), value); });
}

QString SettingsStore::readString(const QString& section, const QString& name,
                                  const QString& defaultValue) const {
    return withStore([&](QSettings& settings) {
        const QVariant value = settings.value(key(section, name));
        return value.isValid() && value.canConvert<QString>() ? value.toString() : defaultValue;
    });
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    withStore([&](QSettings& settings) { settings.setValue(key(section, name), value); });
}

SettingsStore::Batch::Batch(SettingsStore& store) : m_store(store) {
    if (m_store.m_batchDepth++ == 0) {
        m_store.m_batch = openStore();
    }
}

SettingsStore::Batch::~Batch() {
    if (--m_store.m_batchDepth == 0) {
        // Going out of existence, the copy writes the file once.
        m_store.m_batch.reset();
    }
}

} // namespace corvane
