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
// call; inside one the batch's store is lent and given back.
std::unique_ptr<QSettings> SettingsStore::open() const {
    return m_batch ? std::move(m_batch) : openStore();
}

void SettingsStore::done(std::unique_ptr<QSettings> store) const {
    if (m_batchDepth > 0) {
        m_batch = std::move(store);
    }
}

void SettingsStore::beginBatch() const {
    if (m_batchDepth++ == 0) {
        m_batch = openStore();
    }
}

void SettingsStore::endBatch() const {
    if (m_batchDepth > 0 && --m_batchDepth == 0) {
        m_batch.reset();
    }
}

int SettingsStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    auto settings = open();
    bool ok = false;
    const int value = settings->value(key(section, name)).toInt(&ok);
    done(std::move(settings));
    return ok ? value : defaultValue;
}

void SettingsStore::writeInt(const QString& section, const QString& name, int value) {
    auto settings = open();
    settings->setValue(key(section, name), value);
    done(std::move(settings));
}

QString SettingsStore::readString(const QString& section, const QString& name,
                                  const QString& defaultValue) const {
    auto settings = open();
    const QVariant value = settings->value(key(section, name));
    done(std::move(settings));
    return value.isValid() && value.canConvert<QString>() ? value.toString() : defaultValue;
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    auto settings = open();
    settings->setValue(key(section, name), value);
    done(std::move(settings));
}

} // namespace corvane
