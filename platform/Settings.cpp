#include "platform/Settings.h"

#include "platform/AppInfo.h"

#include <QSettings>

#include <memory>

namespace corvane {

namespace {
QString key(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}

// Each call opens the store afresh (QSettings objects are cheap), so no state outlives a call.
std::unique_ptr<QSettings> openStore() {
    return std::make_unique<QSettings>(QString::fromLatin1(kOrganisationName),
                                       QString::fromLatin1(kApplicationName));
}
} // namespace

int SettingsStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    const auto settings = openStore();
    bool ok = false;
    const int value = settings->value(key(section, name)).toInt(&ok);
    return ok ? value : defaultValue;
}

void SettingsStore::writeInt(const QString& section, const QString& name, int value) {
    const auto settings = openStore();
    settings->setValue(key(section, name), value);
}

QString SettingsStore::readString(const QString& section, const QString& name,
                                  const QString& defaultValue) const {
    const auto settings = openStore();
    const QVariant value = settings->value(key(section, name));
    return value.isValid() && value.canConvert<QString>() ? value.toString() : defaultValue;
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    const auto settings = openStore();
    settings->setValue(key(section, name), value);
}

} // namespace corvane
