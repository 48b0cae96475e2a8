// tollervane-bench: times the real extraction commands on the generated
// corpus, the way a user runs them (the main window and its extraction
// windows, prompts answered from a script), and the longest time the event
// loop went without processing events during each run.
//
//   tollervane-bench CORPUS-FOLDER [RUNS [COMMAND]]
//
// Prints one line per command: name, best wall time and best processor time
// in seconds, rows, and the longest stall in milliseconds.

#include "BenchCorpus.h"
#include "ScriptRunner.h"
#include "ScriptedPrompts.h"
#include "core/app/SettingsStore.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

struct Measure
{
    double seconds = 0;
    double cpuSeconds = 0;
    qsizetype rows = 0;
    double longestStallMs = 0;
};

// Runs one command and measures it: a zero-interval timer fires every time
// events are processed, so the longest gap between its firings is the
// longest stall of the event loop.
Measure measure(Form1 &form, const std::function<void()> &command)
{
    QElapsedTimer clock;
    qint64 lastEvents = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastEvents);
        lastEvents = now;
    });
    ticker.start(0);
    const std::clock_t cpuStart = std::clock();
    clock.start();
    command();
    const qint64 total = clock.nsecsElapsed();
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    longestGap = std::max(longestGap, total - lastEvents);
    ticker.stop();
    form.results().flushPending();
    return { double(total) / 1e9, cpu, form.results().size(), double(longestGap) / 1e6 };
}

void run(ScriptRunner &runner, const QByteArray &script)
{
    const QString error = runner.runScript(script);
    if (!error.isEmpty())
        qFatal("bench script: %s", qPrintable(error));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs("usage: tollervane-bench CORPUS-FOLDER [RUNS [COMMAND]]\n", stderr);
        return 2;
    }
    const QStringList files = BenchCorpus::make(args[0]);
    const int runs = args.size() > 1 ? args[1].toInt() : 3;
    const QString only = args.value(2);

    QTemporaryDir config;
    SettingsStore settings(SettingsStore::filePathInConfigDir(config.path()));
    ScriptedPrompts prompts;
    Form1 form(AppEnvironment { QCoreApplication::applicationDirPath(), &settings, &prompts });
    form.Form_Load();
    form.show();
    ScriptRunner runner(form, prompts, settings, [](const QJsonObject &) {});
    form.fileList().append(files);

    run(runner, QByteArray(R"({"set":"Text1","text":")") + BenchCorpus::Needle.toLatin1() + R"("})");
    run(runner, R"({"click":"PushButton4"})");
    run(runner, R"({"set":"Text3","text":"invoice","window":"Form2"})");
    run(runner, R"({"set":"Text4","text":".","window":"Form2"})");
    run(runner, R"({"click":"PushButton15"})");
    for (const QString &set : BenchCorpus::textSets()) {
        prompts.queueAnswers(QJsonArray { QJsonObject { { QStringLiteral("text"), set } } });
        run(runner, R"({"click":"PushButton2","window":"Form3"})");
    }

    const std::pair<const char *, QByteArray> commands[] = {
        { "containing", R"({"click":"PushButton2"})" },
        { "text-sets-200", R"({"click":"PushButton4","window":"Form3"})" },
        { "between", R"({"click":"PushButton4","window":"Form2"})" },
    };
    // Whatever the set-up left to paint is done before the first command,
    // as it would be before a user's first click.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    for (const auto &[name, script] : commands) {
        if (!only.isEmpty() && only != QString::fromLatin1(name))
            continue;
        Measure best;
        double bestCpu = 0;
        double longestStall = 0;
        for (int r = 0; r < runs; ++r) {
            const Measure m = measure(form, [&] { run(runner, script); });
            if (r == 0 || m.seconds < best.seconds)
                best = m;
            bestCpu = r == 0 ? m.cpuSeconds : std::min(bestCpu, m.cpuSeconds);
            longestStall = std::max(longestStall, m.longestStallMs);
        }
        std::printf("%-14s %8.3f s (cpu %.3f s) %9lld rows  longest stall %6.1f ms\n", name, best.seconds, bestCpu,
            static_cast<long long>(best.rows), longestStall);
        std::fflush(stdout);
    }
    return 0;
}
