#pragma once

#include <QMap>
#include <QSettings>
#include <QString>

// The per-user settings store: text values under application "Ardenwick",
// section "Tollervane". Every save is written through to disk at once and
// every read goes to the store; nothing is cached in between.
class SettingsStore
{
public:
    // The user's own settings file.
    SettingsStore();
    // A settings file of the caller's choosing (tests, the scripted driver).
    explicit SettingsStore(const QString &filePath);

    // The settings file under a configuration folder, laid out as the user's.
    static QString filePathInConfigDir(const QString &configDir);

    QString filePath() const { return m_filePath; }

    QString read(const QString &key, const QString &defaultValue = QString()) const;
    bool contains(const QString &key) const;
    // Throws AppFailure when the value could not be made durable.
    void save(const QString &key, const QString &value);
    // Every stored key of the section with its value.
    QMap<QString, QString> all() const;

private:
    bool wasStored(QSettings::Status status, const QString &key, const QString &value) const;
    QString m_filePath;
};
