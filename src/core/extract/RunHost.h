#pragma once

#include "TextKind.h"
#include "core/app/StopRequest.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

class Prompts;
struct ExtractionJob;

// Everything an extraction run needs from whatever drives it: the window,
// the command line or a test. The run asks for the file list as it stands
// before each file, shows its progress, appends its results and asks its
// questions through this, and through nothing else.
class RunHost
{
public:
    virtual ~RunHost() = default;

    // The listed files as they stand now (the list may change at a yield).
    virtual qsizetype fileCount() const = 0;
    virtual QString filePath(qsizetype row) const = 0;

    // The two options, read at each append.
    virtual bool removeDuplicates() const = 0;
    virtual bool showSourceFilename() const = 0;

    // The results list: emptied (a run sets the kind of text it holds: 8-bit
    // bytes or decoded UTF-8), laid out (header text, width in twips) and
    // appended to. A text of a large size that lies in owner (the file's
    // buffer) may be kept by sharing owner instead of being copied. Each
    // result comes with its file and the number (from 1) of the line of that
    // file it was found on, 0 for a row that stands for the whole file;
    // both are kept whether the source column is shown or not.
    virtual void clearResults(TextKind kind) = 0;
    virtual void setResultColumns(const QList<std::pair<QString, int>> &columns) = 0;
    virtual void appendResult(QByteArrayView text, const QString &path, qint64 line, bool removeDuplicates,
        bool showSource, const QByteArray *owner)
        = 0;
    // A table: rows of `cells` text cells, with a last count of how many
    // times each row was found when counted. Set after clearResults.
    virtual void setTableLayout(int cells, bool counted) = 0;
    virtual void appendRow(
        const QList<QByteArrayView> &cells, const QString &path, qint64 line, bool removeDuplicates, bool showSource)
        = 0;
    // With this and removeDuplicates, rows are counted (read when a run lays
    // out its columns).
    virtual bool countDuplicates() const { return false; }
    virtual qsizetype resultCount() const = 0;
    // The views learn of the rows appended so far.
    virtual void flushResults() { }
    // Off while a line is examined and on whenever events are processed
    // (for the runs that keep the results list out of reach meanwhile).
    virtual void setResultsListEnabled(bool) { }

    // Progress value (0 to 100) and caption.
    virtual void setProgress(double value) = 0;
    virtual void setCaption(const QString &caption) = 0;
    // The status line: text follows the run (asked for only when shown),
    // and the run's last word.
    virtual void followStatus(const std::function<QString()> &) { }
    virtual void sayStatus(const QString &) { }

    // The busy pointer of the window that runs the command, and of the main
    // window (the same one for commands of the main window).
    virtual void setBusyPointer(bool) { }
    virtual void setMainBusyPointer(bool busy) { setBusyPointer(busy); }

    // The program is closing: the run ends its loops at once and says
    // nothing more.
    virtual bool closing() const { return false; }
    // Stop was asked for: the run ends between files.
    virtual bool stopAsked() const { return StopRequest::asked(); }

    // Boxes, questions and errors.
    virtual Prompts &prompts() = 0;

    // Texts the user may edit while a run goes (the search text, the
    // markers, the text sets): the revision changes with every edit, and
    // refreshTexts writes the texts as they stand now into the job. A driver
    // whose texts cannot change keeps the defaults.
    virtual quint64 textsRevision() const { return 0; }
    virtual void refreshTexts(ExtractionJob &) { }
};
