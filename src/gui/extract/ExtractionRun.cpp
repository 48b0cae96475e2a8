#include "ExtractionRun.h"

#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"
#include "core/app/StopRequest.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"

ExtractionRun::ExtractionRun(Form1 &form)
    : m_form(form)
{
    m_clock.start();
}

void ExtractionRun::clearResults()
{
    m_form.results().clearRows();
}

bool ExtractionRun::refuseWhenNoFiles()
{
    if (m_form.fileList().size() > 0)
        return false;
    m_form.prompts().info(QStringLiteral("No files added."));
    return true;
}

void ExtractionRun::setUpColumns()
{
    if (m_form.showSourceFilename())
        m_form.setResultColumns(
            { { QStringLiteral("Source Filename"), 3000 }, { QStringLiteral("Extraction Results"), 4400 } });
    else
        m_form.setResultColumns({ { QStringLiteral("Results"), 7000 } });
}

bool ExtractionRun::fileStillListed(qsizetype i) const
{
    return !m_form.AppClosing && i < m_form.fileList().size();
}

void ExtractionRun::showFileProgress(qsizetype i)
{
    const qsizetype rows = m_form.fileList().size();
    m_form.progressBar().setProgress(rows > 0 ? double(i + 1) / double(rows) * 100.0 : 0.0);
}

void ExtractionRun::showProcessingCaption(const QString &path)
{
    m_form.progressBar().setCaption(QStringLiteral("Processing: ") + PathTools::GetFileNameFromPath(path));
}

void ExtractionRun::append(QByteArrayView text, const QString &path, const QByteArray *owner)
{
    m_form.results().appendResult(text, path, m_form.removeDuplicates(), m_form.showSourceFilename(), owner);
}

void ExtractionRun::forEachFile(ErrorTrap &trap, const FileStepMarks &marks, FileReader reader, const FileBody &body,
    const std::function<void()> &showBusy)
{
    const auto busy = [&] {
        if (showBusy)
            showBusy();
        else
            m_form.setBusyPointer(true);
    };
    const auto step = [&](int mark, const auto &what) {
        if (mark >= 0)
            trap.step(mark, what);
    };
    const qsizetype fileCount = m_form.fileList().size();
    m_fileCount = fileCount;
    // Stop ends the run between files, so that its results are exactly
    // those of the files it went through.
    const auto stopAsked = [&] {
        m_stopped = m_stopped || StopRequest::asked();
        return m_stopped;
    };
    for (qsizetype i = 0; i < fileCount && fileStillListed(i) && !stopAsked(); ++i) {
        step(marks.firstYield, [] { EventPump::yield(); });
        if (!fileStillListed(i) || stopAsked())
            break;
        QString path;
        step(marks.firstBusyPointer, busy);
        step(marks.progress, [&] { showFileProgress(i); });
        step(marks.path, [&] { path = m_form.fileList().path(i); });
        step(marks.caption, [&] { showProcessingCaption(path); });
        step(marks.yield, [] { EventPump::yield(); });
        step(marks.busyPointer, busy);
        FileText text;
        step(marks.read, [&] {
            text = ReadFileTrapped(reader, m_form.prompts(), [&] {
                // The files the loop expects to come to from here on, as
                // the list stands now.
                const auto upcoming = [&] {
                    const QStringList &paths = m_form.fileList().paths();
                    return paths.mid(i, std::min(fileCount, paths.size()) - i);
                };
                return m_readAhead.take(path, upcoming);
            });
        });
        body(path, text.bytes());
        m_filesDone = i + 1;
        m_form.statusLine().follow([&] {
            return StatusLine::number(m_filesDone) + QStringLiteral(" of ") + StatusLine::number(fileCount)
                + QStringLiteral(" files, ") + resultsText();
        });
    }
    m_readAhead.stop();
}

void ExtractionRun::resetProgress()
{
    // The views learn of the last rows now, not at the next refresh.
    m_form.results().flushPending();
    m_form.setBusyPointer(false);
    m_form.progressBar().setProgress(0);
    m_form.progressBar().setCaption(QStringLiteral("Progress Bar"));
}

QString ExtractionRun::resultsText() const
{
    const qsizetype results = m_form.results().size();
    return StatusLine::number(results) + (results == 1 ? QStringLiteral(" result") : QStringLiteral(" results"));
}

void ExtractionRun::sayDone()
{
    if (m_form.AppClosing)
        return;
    const QString took
        = QStringLiteral(" in ") + QString::number(double(m_clock.elapsed()) / 1000.0, 'f', 1) + QStringLiteral(" s");
    if (m_stopped) {
        m_form.statusLine().say(QStringLiteral("Stopped after ") + StatusLine::number(m_filesDone)
            + QStringLiteral(" of ") + StatusLine::number(m_fileCount) + QStringLiteral(" files, ") + resultsText()
            + took);
        m_form.prompts().info(QStringLiteral("Stopped after %1 of %2 files.").arg(m_filesDone).arg(m_fileCount));
        return;
    }
    m_form.statusLine().say(StatusLine::number(m_filesDone)
        + (m_filesDone == 1 ? QStringLiteral(" file, ") : QStringLiteral(" files, ")) + resultsText() + took);
    m_form.prompts().info(QStringLiteral("Done."));
}
