#pragma once

#include "FileReaders.h"
#include "ReadAhead.h"
#include "TextKind.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ErrorTrap;
class RunHost;

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

// The steps every extraction command shares: checking its input, clearing
// and laying out the results list, the per-file progress, the append step
// with the two options, and the end of the run. Each command strings them
// together in its own order, under its own error trap.
class ExtractionRun
{
public:
    // kind: the text the run reads, 8-bit bytes or decoded; decoded files
    // are decoded on the reading threads.
    explicit ExtractionRun(RunHost &host, TextKind kind = TextKind::Bytes);
    // A run whose files are turned into what its body reads by prepare, on
    // the reading threads; its results are of the given kind.
    ExtractionRun(RunHost &host, TextKind kind, ReadAhead::Prepare prepare);

    RunHost &host() { return m_host; }

    // The order of the steps before the first file, each under the next line
    // mark from 100 on.
    enum class Preamble {
        // The input check, "No files added.", clearing, the columns.
        InputFirst,
        // Clearing, "No files added.", the columns (no input to check).
        ClearFirst,
        // "No files added.", the input check, clearing, the columns.
        FilesFirst,
    };
    // The input check runs its own steps from mark on (advancing it) and
    // returns true when it refused the input, after saying why.
    using InputCheck = std::function<bool(ErrorTrap &trap, int &mark)>;
    // Runs the steps before the first file; false when the command ends
    // there. mark is the line mark of the step after them.
    bool prepare(ErrorTrap &trap, Preamble order, const InputCheck &checkInput, int &mark);
    // The input check of a command with one text box: the box's message
    // when text is empty.
    static InputCheck refuseEmpty(const QString &text, const QString &message);

    TextKind textKind() const { return m_kind; }

    // Removes every row of the results list; its columns stay for now.
    void clearResults();
    // "No files added." when the file list is empty; returns true then.
    bool refuseWhenNoFiles();
    // The results columns by the source-filename option. A table run (see
    // useTable), or any run with duplicates removed and counted, lays out a
    // table instead: the source column by the option, one column per cell,
    // and "Count" when counted.
    void setUpColumns();
    // Makes this run's results a table with these column names (header
    // fields, capture groups); call before the columns are laid out.
    void useTable(const QStringList &names) { m_tableNames = names; }

    // Whether row i (from 0) is still there to be processed; a row removed
    // meanwhile ends the run's loop, as does the program closing.
    bool fileStillListed(qsizetype i) const;
    // Progress value for the i-th file (from 0): (i + 1) / row count x 100.
    void showFileProgress(qsizetype i);
    // The caption "Processing: " and the file's name.
    void showProcessingCaption(const QString &path);

    // The append step: both options are read at each use. line: the number
    // (from 1) of the line of the file the text was found on (where it
    // starts), 0 for a row that stands for the whole file. A large text that
    // lies in owner (the file's buffer) is kept without a copy.
    void append(QByteArrayView text, const QString &path, qint64 line, const QByteArray *owner = nullptr);
    // A table's append step: one cell per column name. The source column is
    // the one the table was laid out with.
    void appendRow(const QList<QByteArrayView> &cells, const QString &path, qint64 line);

    // The loop over the listed files: for each row still listed, the
    // steps of marks in their order, then body with the file's path and
    // bytes (the empty text when the file could not be read, after the
    // reader's error box). Files are read ahead on another thread; what is
    // shown stays on this one, in the same order.
    using FileBody = std::function<void(const QString &path, const QByteArray &bytes)>;
    void forEachFile(ErrorTrap &trap, const FileStepMarks &marks, FileReader reader, const FileBody &body);

    // Pointer back to normal, progress 0 and "Progress Bar".
    void resetProgress();
    // The closing "Done." (not shown when the program is closing; with the
    // number of files that could not be decoded, if any), or after a stop
    // "Stopped after N of M files."; the status line says what the run did
    // and how long it took.
    void sayDone();

private:
    QString resultsText() const;

    RunHost &m_host;
    TextKind m_kind;
    QStringList m_tableNames;
    bool m_table = false;
    bool m_tableSource = false;
    QElapsedTimer m_clock;
    qsizetype m_undecoded = 0;
    qsizetype m_fileCount = 0;
    qsizetype m_filesDone = 0;
    bool m_stopped = false;
    ReadAhead m_readAhead;
};
