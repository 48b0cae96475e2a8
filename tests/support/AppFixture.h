#pragma once

#include "ScriptRunner.h"
#include "ScriptedPrompts.h"
#include "core/app/SettingsStore.h"
#include "gui/app/Form1.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>

#include <memory>

// A list's rows as the fixture dumps them, each row as its column texts.
using Rows = QList<QStringList>;

// Rows of a one-column list holding these texts.
inline Rows column(const QStringList &texts)
{
    Rows rows;
    for (const QString &text : texts)
        rows.append(QStringList { text });
    return rows;
}

// The whole program as a test sees it: the real main window after its load
// steps, with scripted prompts, settings in a folder of its own and a
// transcript of every prompt and dump.
class AppFixture
{
public:
    // programFolder: where the optional program files are looked up (an
    // empty folder of its own when not given).
    explicit AppFixture(const QString &programFolder = QString());
    ~AppFixture();

    Form1 &form() { return *m_form; }
    ScriptedPrompts &prompts() { return m_prompts; }
    SettingsStore &settings() { return m_settings; }
    QString configDir() const { return m_configDir.path(); }

    // Closes the window and starts the program again on the same settings.
    void restart();

    // Runs script steps (JSON Lines); fails the test on a step error.
    void run(const QByteArray &script);
    void run(const QJsonObject &step);

    QList<QJsonObject> transcript;
    // The prompts in the transcript (not the dumps or progress lines).
    QList<QJsonObject> shownPrompts() const;
    // The texts of the messages shown, in order.
    QStringList messageTexts() const;
    // Dumps a list and returns its rows, each row as its column texts.
    QList<QStringList> rows(const QString &list, const QString &window = QStringLiteral("Form1"));
    QJsonObject dump(const QString &name, const QString &window = QStringLiteral("Form1"));

    // Puts files on the file list as a drop would.
    void dropFiles(const QStringList &paths);

private:
    void start();

    QTemporaryDir m_configDir;
    QTemporaryDir m_ownProgramFolder;
    QString m_programFolder;
    SettingsStore m_settings;
    ScriptedPrompts m_prompts;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<ScriptRunner> m_runner;
};
