// Runs Extract All Lines through the real main window (offscreen) over the
// files named in a list, and prints one JSON line: wall time, rows, peak
// resident memory and the longest stall of the event loop during the run.
//
//   tollervane-bench-extract-all --files-from LIST [--remove-duplicates] [--show-source]

#include "ScriptedPrompts.h"
#include "StallWatch.h"
#include "core/app/SettingsStore.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QString listPath;
    bool removeDuplicates = false;
    bool showSource = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--files-from") && i + 1 < args.size())
            listPath = args[++i];
        else if (args[i] == QStringLiteral("--remove-duplicates"))
            removeDuplicates = true;
        else if (args[i] == QStringLiteral("--show-source"))
            showSource = true;
    }
    QFile list(listPath);
    if (listPath.isEmpty() || !list.open(QIODevice::ReadOnly)) {
        std::fputs(
            "usage: tollervane-bench-extract-all --files-from LIST [--remove-duplicates] [--show-source]\n", stderr);
        return 2;
    }
    QStringList paths;
    for (const QByteArray &line : list.readAll().split('\n')) {
        if (!line.isEmpty())
            paths.append(QFile::decodeName(line));
    }

    QTemporaryDir config;
    SettingsStore settings(SettingsStore::filePathInConfigDir(config.path()));
    int promptsShown = 0;
    ScriptedPrompts prompts([&](const QJsonObject &) { ++promptsShown; });
    Form1 window(AppEnvironment { config.path(), &settings, &prompts });
    window.Form_Load();
    window.show();
    window.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(removeDuplicates);
    window.findChild<QCheckBox *>(QStringLiteral("Check14"))->setChecked(showSource);
    window.fileList().append(paths);
    QCoreApplication::processEvents();

    StallWatch stalls([&] { return QString::number(window.results().size()) + QStringLiteral(" rows"); });
    stalls.start();

    QElapsedTimer clock;
    clock.start();
    window.findChild<QPushButton *>(QStringLiteral("PushButton13"))->click();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double longestStallMs = stalls.stopMs();

    std::printf("{\"seconds\":%.3f,\"rows\":%lld,\"peak_rss_mib\":%.1f,\"longest_stall_ms\":%.1f,\"prompts\":%d}\n",
        seconds, static_cast<long long>(window.results().size()), peakResidentMiB(), longestStallMs, promptsShown);
    return 0;
}
