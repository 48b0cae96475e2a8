#include "ExtractionRun.h"

#include "app/CaptionedProgressBar.h"
#include "app/ErrorTrap.h"
#include "app/EventPump.h"
#include "app/Form1.h"
#include "app/PathTools.h"
#include "app/Prompts.h"
#include "filelist/FileListModel.h"
#include "results/ResultsModel.h"

ExtractionRun::ExtractionRun(Form1 &form)
    : m_form(form)
{ }

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
    for (qsizetype i = 0; i < fileCount && fileStillListed(i); ++i) {
        step(marks.firstYield, [] { EventPump::yield(); });
        if (!fileStillListed(i))
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
    }
    m_readAhead.stop();
}

void ExtractionRun::resetProgress()
{
    m_form.setBusyPointer(false);
    m_form.progressBar().setProgress(0);
    m_form.progressBar().setCaption(QStringLiteral("Progress Bar"));
}

void ExtractionRun::sayDone()
{
    if (!m_form.AppClosing)
        m_form.prompts().info(QStringLiteral("Done."));
}
