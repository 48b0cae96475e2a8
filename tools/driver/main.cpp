// tollervane-drive: runs the real windows from a script of JSON Lines and
// writes what the program showed as JSON Lines on standard output.
//
//   tollervane-drive [--program-dir DIR] [--config-dir DIR] [--real-spreadsheet] SCRIPT
//
// SCRIPT is a path, or - for standard input. Without --config-dir the run
// uses a fresh settings folder of its own, never the user's settings. With
// --real-spreadsheet the workbook export hands its workbook to the real
// spreadsheet application, as the program does.

#include "ScriptRunner.h"
#include "ScriptedPrompts.h"
#include "core/app/SettingsStore.h"
#include "gui/app/Form1.h"
#include "gui/app/QtPrompts.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>

namespace {
void writeLine(const QJsonObject &object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

int usage()
{
    std::fputs("usage: tollervane-drive [--program-dir DIR] [--config-dir DIR] [--real-spreadsheet] SCRIPT\n", stderr);
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QString programDir = QCoreApplication::applicationDirPath();
    QString configDir;
    QString scriptPath;
    bool realSpreadsheet = false;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--program-dir") && i + 1 < args.size())
            programDir = args[++i];
        else if (args[i] == QStringLiteral("--config-dir") && i + 1 < args.size())
            configDir = args[++i];
        else if (args[i] == QStringLiteral("--real-spreadsheet"))
            realSpreadsheet = true;
        else if (scriptPath.isEmpty())
            scriptPath = args[i];
        else
            return usage();
    }
    if (scriptPath.isEmpty())
        return usage();

    QByteArray script;
    QFile scriptFile;
    if (scriptPath == QStringLiteral("-")) {
        if (!scriptFile.open(stdin, QIODevice::ReadOnly))
            return usage();
    } else {
        scriptFile.setFileName(scriptPath);
        if (!scriptFile.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "tollervane-drive: cannot read %s\n", qPrintable(scriptPath));
            return 2;
        }
    }
    script = scriptFile.readAll();

    QTemporaryDir ownConfig;
    if (configDir.isEmpty())
        configDir = ownConfig.path();
    SettingsStore settings(SettingsStore::filePathInConfigDir(configDir));
    ScriptedPrompts prompts(writeLine);
    QtPrompts realPrompts;
    if (realSpreadsheet)
        prompts.useRealSpreadsheet(&realPrompts);

    int status = 0;
    {
        Form1 window(AppEnvironment { programDir, &settings, &prompts });
        window.Form_Load();
        window.show();
        ScriptRunner runner(window, prompts, settings, writeLine);
        const QString error = runner.runScript(script);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "tollervane-drive: %s\n", qPrintable(error));
            status = 1;
        }
    }
    return status;
}
