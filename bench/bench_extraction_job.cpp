// Runs one extraction through the real main window (offscreen) over the
// files named in a list, and prints one JSON line: the time of the command,
// its rows, the peak resident memory and the longest stall of the event loop
// while it ran.
//
//   bench_extraction_job --files-from LIST SCRIPT
//
// SCRIPT holds the steps of the driver's scripts, one JSON object a line:
// every step but the last sets the job up (texts, options, windows), the
// last one starts it and is the one measured. With TOLLERVANE_BENCH_VERBOSE
// set, every stall over 30 ms is told on standard error as it ends.
//
// It also prints when the window was first painted, as nanoseconds since the
// epoch ("first_paint_ns"), so that a caller who noted when it started the
// process knows the start-up time.

#include "ScriptRunner.h"
#include "ScriptedPrompts.h"
#include "StallWatch.h"
#include "core/app/SettingsStore.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {
int usage()
{
    std::fputs("usage: bench_extraction_job --files-from LIST SCRIPT\n", stderr);
    return 2;
}

long long epochNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

// Notes the moment a widget is first painted.
class FirstPaint : public QObject
{
public:
    long long at = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (at == 0 && event->type() == QEvent::Paint)
            at = epochNanoseconds();
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QString listPath;
    QString scriptPath;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--files-from") && i + 1 < args.size())
            listPath = args[++i];
        else
            scriptPath = args[i];
    }
    QFile list(listPath);
    QFile scriptFile(scriptPath);
    if (listPath.isEmpty() || scriptPath.isEmpty() || !list.open(QIODevice::ReadOnly)
        || !scriptFile.open(QIODevice::ReadOnly))
        return usage();
    QStringList paths;
    for (const QByteArray &line : list.readAll().split('\n')) {
        if (!line.isEmpty())
            paths.append(QFile::decodeName(line));
    }
    QList<QJsonObject> steps;
    for (const QByteArray &line : scriptFile.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            steps.append(QJsonDocument::fromJson(line).object());
    }
    if (steps.isEmpty())
        return usage();

    QTemporaryDir config;
    SettingsStore settings(SettingsStore::filePathInConfigDir(config.path()));
    int promptsShown = 0;
    ScriptedPrompts prompts([&](const QJsonObject &) { ++promptsShown; });
    Form1 window(AppEnvironment { config.path(), &settings, &prompts });
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.Form_Load();
    window.show();
    QElapsedTimer painting;
    painting.start();
    while (firstPaint.at == 0 && painting.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    window.removeEventFilter(&firstPaint);
    ScriptRunner runner(window, prompts, settings, [](const QJsonObject &) {});
    window.fileList().append(paths);
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        const QString error = runner.runStep(steps[i]);
        if (!error.isEmpty())
            qFatal("step %lld: %s", static_cast<long long>(i + 1), qPrintable(error));
    }
    QCoreApplication::processEvents();
    const int promptsBefore = promptsShown;

    StallWatch stalls([&] { return QString::number(window.results().size()) + QStringLiteral(" rows"); });
    stalls.start();

    QElapsedTimer clock;
    clock.start();
    const QString error = runner.runStep(steps.back());
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double longestStallMs = stalls.stopMs();
    if (!error.isEmpty())
        qFatal("last step: %s", qPrintable(error));

    std::printf("{\"seconds\":%.3f,\"rows\":%lld,\"peak_rss_mib\":%.1f,\"longest_stall_ms\":%.1f,\"prompts\":%d,"
                "\"first_paint_ns\":%lld}\n",
        seconds, static_cast<long long>(window.results().size()), peakResidentMiB(), longestStallMs,
        promptsShown - promptsBefore, firstPaint.at);
    return 0;
}
