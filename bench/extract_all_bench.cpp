// Runs Extract All Lines through the real main window (offscreen) over the
// files named in a list, and prints one JSON line: wall time, rows, peak
// resident memory and the longest stall of the event loop during the run.
//
//   tollervane-bench-extract-all --files-from LIST [--remove-duplicates] [--show-source]

#include "ScriptedPrompts.h"
#include "app/Form1.h"
#include "app/SettingsStore.h"
#include "filelist/FileListModel.h"
#include "results/ResultsModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {
double peakResidentMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}
} // namespace

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

    // A timer that should fire every 2 ms: the longest gap between two of its
    // firings is the longest time the event loop was kept waiting.
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.nsecsElapsed();
        if (gap > 30'000'000 && qEnvironmentVariableIsSet("TOLLERVANE_BENCH_VERBOSE"))
            std::fprintf(stderr, "stall %.1f ms at %lld rows\n", double(gap) / 1e6,
                static_cast<long long>(window.results().size()));
        longestGapNs = qMax(longestGapNs, gap);
        sinceTick.restart();
    });
    ticker.start();
    sinceTick.start();

    QElapsedTimer clock;
    clock.start();
    window.findChild<QPushButton *>(QStringLiteral("PushButton13"))->click();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    longestGapNs = qMax(longestGapNs, sinceTick.nsecsElapsed());
    ticker.stop();

    std::printf("{\"seconds\":%.3f,\"rows\":%lld,\"peak_rss_mib\":%.1f,\"longest_stall_ms\":%.1f,\"prompts\":%d}\n",
        seconds, static_cast<long long>(window.results().size()), peakResidentMiB(), double(longestGapNs) / 1e6,
        promptsShown);
    return 0;
}
