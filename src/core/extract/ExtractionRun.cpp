#include "ExtractionRun.h"

#include "DecodedReading.h"
#include "RunHost.h"
#include "core/app/CountText.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"

ExtractionRun::ExtractionRun(RunHost &host, TextKind kind)
    : m_host(host)
    , m_kind(kind)
{
    m_clock.start();
    if (kind == TextKind::Unicode)
        m_readAhead.setPrepare(decodedSearchText);
}

ExtractionRun::ExtractionRun(RunHost &host, TextKind kind, ReadAhead::Prepare prepare)
    : m_host(host)
    , m_kind(kind)
{
    m_clock.start();
    m_readAhead.setPrepare(std::move(prepare));
}

bool ExtractionRun::prepare(ErrorTrap &trap, Preamble order, const InputCheck &checkInput, int &mark)
{
    mark = 100;
    const auto next = [&mark] {
        const int current = mark;
        mark += 2;
        return current;
    };
    bool refused = false;
    const auto noFiles = [&] {
        trap.step(next(), [&] { refused = refuseWhenNoFiles(); });
        return refused;
    };
    const auto input = [&] { return checkInput && checkInput(trap, mark); };
    switch (order) {
    case Preamble::InputFirst:
        if (input() || noFiles())
            return false;
        trap.step(next(), [&] { clearResults(); });
        break;
    case Preamble::ClearFirst:
        trap.step(next(), [&] { clearResults(); });
        if (noFiles())
            return false;
        break;
    case Preamble::FilesFirst:
        if (noFiles() || input())
            return false;
        trap.step(next(), [&] { clearResults(); });
        break;
    }
    trap.step(next(), [&] { setUpColumns(); });
    return true;
}

ExtractionRun::InputCheck ExtractionRun::refuseEmpty(const QString &text, const QString &message)
{
    return [text, message](ErrorTrap &trap, int &mark) {
        bool refused = false;
        trap.step(mark, [&] {
            if (text.isEmpty()) {
                trap.prompts().info(message);
                refused = true;
            }
        });
        mark += 2;
        return refused;
    };
}

void ExtractionRun::clearResults()
{
    m_host.clearResults(m_kind);
}

bool ExtractionRun::refuseWhenNoFiles()
{
    if (m_host.fileCount() > 0)
        return false;
    m_host.prompts().info(QStringLiteral("No files added."));
    return true;
}

void ExtractionRun::setUpColumns()
{
    const bool counted = m_host.countDuplicates() && m_host.removeDuplicates();
    m_table = !m_tableNames.isEmpty() || counted;
    if (m_table) {
        m_tableSource = m_host.showSourceFilename();
        const QStringList names = m_tableNames.isEmpty() ? QStringList { QStringLiteral("Results") } : m_tableNames;
        QList<std::pair<QString, int>> columns;
        if (m_tableSource)
            columns.append({ QStringLiteral("Source Filename"), 3000 });
        // The text columns share what the one text column has.
        const int width = qMax(1200, (m_tableSource ? 4400 : 7000) / int(names.size()));
        for (const QString &name : names)
            columns.append({ name, width });
        if (counted)
            columns.append({ QStringLiteral("Count"), 900 });
        m_host.setResultColumns(columns);
        m_host.setTableLayout(int(names.size()), counted);
        return;
    }
    if (m_host.showSourceFilename())
        m_host.setResultColumns(
            { { QStringLiteral("Source Filename"), 3000 }, { QStringLiteral("Extraction Results"), 4400 } });
    else
        m_host.setResultColumns({ { QStringLiteral("Results"), 7000 } });
}

bool ExtractionRun::fileStillListed(qsizetype i) const
{
    return !m_host.closing() && i < m_host.fileCount();
}

void ExtractionRun::showFileProgress(qsizetype i)
{
    const qsizetype rows = m_host.fileCount();
    m_host.setProgress(rows > 0 ? double(i + 1) / double(rows) * 100.0 : 0.0);
}

void ExtractionRun::showProcessingCaption(const QString &path)
{
    m_host.setCaption(QStringLiteral("Processing: ") + PathTools::GetFileNameFromPath(path));
}

void ExtractionRun::append(QByteArrayView text, const QString &path, qint64 line, const QByteArray *owner)
{
    if (m_table)
        m_host.appendRow({ text }, path, line, m_host.removeDuplicates(), m_tableSource);
    else
        m_host.appendResult(text, path, line, m_host.removeDuplicates(), m_host.showSourceFilename(), owner);
}

void ExtractionRun::appendRow(const QList<QByteArrayView> &cells, const QString &path, qint64 line)
{
    m_host.appendRow(cells, path, line, m_host.removeDuplicates(), m_tableSource);
}

void ExtractionRun::forEachFile(ErrorTrap &trap, const FileStepMarks &marks, FileReader reader, const FileBody &body)
{
    const auto busy = [&] { m_host.setBusyPointer(true); };
    const auto step = [&](int mark, const auto &what) {
        if (mark >= 0)
            trap.step(mark, what);
    };
    const qsizetype fileCount = m_host.fileCount();
    m_fileCount = fileCount;
    // Stop ends the run between files, so that its results are exactly
    // those of the files it went through.
    const auto stopAsked = [&] {
        m_stopped = m_stopped || m_host.stopAsked();
        return m_stopped;
    };
    for (qsizetype i = 0; i < fileCount && fileStillListed(i) && !stopAsked(); ++i) {
        step(marks.firstYield, [] { EventPump::yield(); });
        if (!fileStillListed(i) || stopAsked())
            break;
        QString path;
        step(marks.firstBusyPointer, busy);
        step(marks.progress, [&] { showFileProgress(i); });
        step(marks.path, [&] { path = m_host.filePath(i); });
        step(marks.caption, [&] { showProcessingCaption(path); });
        step(marks.yield, [] { EventPump::yield(); });
        step(marks.busyPointer, busy);
        FileText text;
        step(marks.read, [&] {
            text = ReadFileTrapped(reader, m_host.prompts(), [&] {
                // The files the loop expects to come to from here on, as
                // the list stands now: only the few read ahead are asked
                // for, however long the list.
                bool fellBack = false;
                QByteArray bytes = m_readAhead.take(
                    path,
                    [&](qsizetype offset) {
                        const qsizetype row = i + offset;
                        return row < fileCount && row < m_host.fileCount() ? m_host.filePath(row) : QString();
                    },
                    &fellBack);
                m_undecoded += fellBack ? 1 : 0;
                return bytes;
            });
        });
        body(path, text.bytes());
        m_filesDone = i + 1;
        m_host.followStatus([&] {
            return CountText::number(m_filesDone) + QStringLiteral(" of ") + CountText::number(fileCount)
                + QStringLiteral(" files, ") + resultsText();
        });
    }
    m_readAhead.stop();
}

void ExtractionRun::resetProgress()
{
    // The views learn of the last rows now, not at the next refresh.
    m_host.flushResults();
    m_host.setMainBusyPointer(false);
    m_host.setProgress(0);
    m_host.setCaption(QStringLiteral("Progress Bar"));
}

QString ExtractionRun::resultsText() const
{
    return CountText::counted(m_host.resultCount(), QStringLiteral("result"), QStringLiteral("results"));
}

void ExtractionRun::sayDone()
{
    if (m_host.closing())
        return;
    const QString took
        = QStringLiteral(" in ") + QString::number(double(m_clock.elapsed()) / 1000.0, 'f', 1) + QStringLiteral(" s");
    if (m_stopped) {
        m_host.sayStatus(QStringLiteral("Stopped after ") + CountText::number(m_filesDone) + QStringLiteral(" of ")
            + CountText::number(m_fileCount) + QStringLiteral(" files, ") + resultsText() + took);
        m_host.prompts().info(QStringLiteral("Stopped after %1 of %2 files.").arg(m_filesDone).arg(m_fileCount));
        return;
    }
    const QString undecoded = m_undecoded == 0
        ? QString()
        : QStringLiteral(", ") + CountText::number(m_undecoded) + QStringLiteral(" not decoded");
    m_host.sayStatus(CountText::counted(m_filesDone, QStringLiteral("file,"), QStringLiteral("files,"))
        + QLatin1Char(' ') + resultsText() + undecoded + took);
    if (m_undecoded == 0)
        m_host.prompts().info(QStringLiteral("Done."));
    else if (m_undecoded == 1)
        m_host.prompts().info(QStringLiteral("Done. 1 file could not be decoded and was searched as it stands."));
    else
        m_host.prompts().info(
            QStringLiteral("Done. %1 files could not be decoded and were searched as they stand.").arg(m_undecoded));
}
