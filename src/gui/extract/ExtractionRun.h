#pragma once

#include "core/extract/FileReaders.h"
#include "core/extract/ReadAhead.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

#include <functional>

class ErrorTrap;
class Form1;

// The line marks of the steps each file of a run goes through, as each
// command numbers them; -1 for a step the command does not have.
struct FileStepMarks
{
    int firstYield = -1; // a yield before anything else
    int firstBusyPointer = -1; // the busy pointer before the progress
    int progress = -1;
    int path = -1;
    int caption = -1;
    int yield = -1;
    int busyPointer = -1; // the busy pointer after the yield
    int read = -1;
};

// The steps every extraction command shares: clearing and laying out the
// results list, the per-file progress, the append step with the two options,
// and the end of the run. Each command strings them together in its own
// order, under its own error trap.
class ExtractionRun
{
public:
    explicit ExtractionRun(Form1 &form);

    // Removes every row of the results list; its columns stay for now.
    void clearResults();
    // "No files added." when the file list is empty; returns true then.
    bool refuseWhenNoFiles();
    // The results columns by the source-filename option.
    void setUpColumns();

    // Whether row i (from 0) is still there to be processed; a row removed
    // meanwhile ends the run's loop, as does the window closing.
    bool fileStillListed(qsizetype i) const;
    // Progress value for the i-th file (from 0): (i + 1) / row count x 100.
    void showFileProgress(qsizetype i);
    // The caption "Processing: " and the file's name.
    void showProcessingCaption(const QString &path);

    // The append step: both options are read at each use. A large text that
    // lies in owner (the file's buffer) is kept without a copy.
    void append(QByteArrayView text, const QString &path, const QByteArray *owner = nullptr);

    // The loop over the listed files: for each row still listed, the
    // steps of marks in their order, then body with the file's path and
    // bytes (the empty text when the file could not be read, after the
    // reader's error box). Files are read ahead on another thread; what is
    // shown stays on this one, in the same order.
    // showBusy sets the busy pointer on the window that runs the command
    // (the main window when none is given).
    using FileBody = std::function<void(const QString &path, const QByteArray &bytes)>;
    void forEachFile(ErrorTrap &trap, const FileStepMarks &marks, FileReader reader, const FileBody &body,
        const std::function<void()> &showBusy = {});

    // Pointer back to normal, progress 0 and "Progress Bar".
    void resetProgress();
    // The closing "Done." (not shown when the window is closing), or after a
    // stop "Stopped after N of M files."; the status line says what the run
    // did and how long it took.
    void sayDone();

private:
    QString resultsText() const;

    Form1 &m_form;
    QElapsedTimer m_clock;
    qsizetype m_fileCount = 0;
    qsizetype m_filesDone = 0;
    bool m_stopped = false;
    ReadAhead m_readAhead;
};
