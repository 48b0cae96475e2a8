#include "SettingsStore.h"

#include "AppFailure.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString Organisation = QStringLiteral("Ardenwick");
const QString Application = QStringLiteral("Tollervane");
const QString Section = QStringLiteral("Tollervane");
} // namespace

SettingsStore::SettingsStore()
    : m_filePath(filePathInConfigDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)))
{ }

SettingsStore::SettingsStore(const QString &filePath)
    : m_filePath(filePath)
{ }

QString SettingsStore::filePathInConfigDir(const QString &configDir)
{
    return QDir(configDir).filePath(Organisation + QLatin1Char('/') + Application + QStringLiteral(".conf"));
}

QString SettingsStore::read(const QString &key, const QString &defaultValue) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.beginGroup(Section);
    return settings.value(key, defaultValue).toString();
}

bool SettingsStore::contains(const QString &key) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.beginGroup(Section);
    return settings.contains(key);
}

void SettingsStore::save(const QString &key, const QString &value)
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.beginGroup(Section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (!wasStored(settings.status(), key, value))
        throw AppFailure(QStringLiteral("Could not save the setting \"%1\" to %2").arg(key, m_filePath));
}

bool SettingsStore::wasStored(QSettings::Status status, const QString &key, const QString &value) const
{
    if (status == QSettings::NoError)
        return true;
    if (status == QSettings::AccessError)
        return false;
    // A format error from reading a damaged file is kept as the status even
    // when the write that followed succeeded, and it hides a later access
    // error; so the file is read again to see whether the value is in it.
    return contains(key) && read(key) == value;
}

QMap<QString, QString> SettingsStore::all() const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.beginGroup(Section);
    QMap<QString, QString> values;
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        values.insert(key, settings.value(key).toString());
    return values;
}
