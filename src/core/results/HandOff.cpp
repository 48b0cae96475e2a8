#include "HandOff.h"

#include "core/app/EventPump.h"

#include <QElapsedTimer>
#include <QProcess>

namespace HandOff {

bool startAndWatch(const QString &program, const QStringList &arguments, std::chrono::milliseconds wait)
{
    // Not owned by anything: a process object that is destroyed ends its
    // process, and the application must outlive the command and the program.
    auto *process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(QIODevice::NotOpen);
    if (!process->waitForStarted(int(wait.count()))) {
        delete process;
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (process->state() != QProcess::NotRunning && waited.elapsed() < wait.count()) {
        process->waitForFinished(20);
        EventPump::yield();
    }
    if (process->state() == QProcess::NotRunning) {
        const bool tookIt = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return tookIt;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return true;
}

} // namespace HandOff
