#include "ProgressBarDisplay.h"
#include "core/app/CountText.h"
#include "core/app/ErrorTrap.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"
#include "core/app/StopRequest.h"
#include "core/extract/ListviewContainsUtf8Text.h"
#include "core/extract/PatternMatcher.h"
#include "core/extract/TableRowsContaining.h"
#include "core/filelist/ListFilters.h"
#include "core/results/AlignedTextWriter.h"
#include "core/results/ClipboardText.h"
#include "core/results/CsvWriter.h"
#include "core/results/ReportCsvTable.h"
#include "core/results/ResultsModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"

#include <QFileInfo>
#include <QTableView>

// Narrowing, emptying, copying and saving the results list.

namespace {

using ListFilter = void (*)(ReportModel &, const QString &);

// The two text filters of the results: the input box comes first, then an
// empty list is reported; the layout of the first row decides whether the
// only column or the second (the result, not its source path) is examined,
// and in a table every column but the source.
// Decoded results are compared as the decoded searches compare them.
void removeResults(Form1 &form, const QString &procedure, const QString &prompt, const QString &caption,
    bool containing, ListFilter oneColumn, ListFilter twoColumns)
{
    ErrorTrap trap(form.prompts(), procedure);
    QString answer;
    trap.step(100, [&] { answer = form.prompts().askText(prompt); });
    if (answer.isEmpty())
        return;
    // These filters may run while a long command yields; they give the
    // pointer back as they found it, so that command stays marked busy.
    const bool wasBusy = form.isBusyPointer();
    trap.step(104, [&] { form.setBusyPointer(true); });
    bool empty = false;
    trap.step(106, [&] {
        empty = form.results().size() == 0;
        if (empty)
            form.prompts().info(QStringLiteral("There are no results to remove."));
    });
    if (!empty) {
        trap.step(108, [&] {
            ResultsModel &results = form.results();
            if (form.textsArePatterns()) {
                // The text is a pattern, as in the searches; one that does
                // not compile removes nothing.
                const PatternMatcher pattern(answer, results.textKind());
                if (!pattern.isValid())
                    form.prompts().info(pattern.invalidMessage(caption));
                else
                    results.removeRowsAscending(ResultRowsMatching(results, pattern, containing));
            } else if (results.isTable())
                results.removeRowsAscending(TableRowsContaining(results, answer, containing));
            else if (results.textKind() == TextKind::Unicode)
                results.removeRowsAscending(ResultRowsContainingUtf8Text(results, answer, containing));
            else if (results.size() > 0)
                (results.hasSecondColumn(0) ? twoColumns : oneColumn)(results, answer);
        });
    }
    trap.step(110, [&] { form.setBusyPointer(wasBusy); });
}

} // namespace

void Form1::PushButton19_Click()
{
    removeResults(*this, QStringLiteral("Form1.PushButton19_Click"),
        QStringLiteral("Remove results containing this text: "), QStringLiteral("Remove Results Containing X"), true,
        RemoveRowsContaining, RemoveSecondColumnContaining);
}

void Form1::PushButton20_Click()
{
    removeResults(*this, QStringLiteral("Form1.PushButton20_Click"),
        QStringLiteral("Remove results not containing this text: "), QStringLiteral("Remove Results Not Containing X"),
        false, RemoveRowsNotContaining, RemoveSecondColumnNotContaining);
}

// Clear List of the results: no question, and allowed while a command runs.
void Form1::PushButton9_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton9_Click"));
    trap.step(100, [&] { results().clearRows(); });
}

void Form1::ListView2_DblClick()
{
    if (isBusyPointer() || results().size() == 0)
        return;
    // With no current row there is nothing to remove.
    const QModelIndex current = m_listView2->currentIndex();
    if (current.isValid() && current.row() < results().size())
        results().removeSingleRow(current.row());
}

void Form1::PushButton18_Click()
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton18_Click"));
    trap.step(100, [&] { progressBar().setCaption(QStringLiteral("Copying text to clipboard.. please wait..")); });
    trap.step(102, [&] { setBusyPointer(true); });
    bool copied = false;
    const bool ran = trap.step(104, [&] { copied = CopyListviewToClipboard(results(), prompts()); });
    // Stopped: the clipboard keeps what it had, and no box claims anything.
    const bool stopped = StopRequest::asked();
    if (stopped)
        statusLine().say(QStringLiteral("Stopped: nothing was copied."));
    else if (ran && copied && results().size() > 0)
        statusLine().say(QStringLiteral("Copied ")
            + CountText::counted(results().size(), QStringLiteral("row"), QStringLiteral("rows")) + shownNote());
    // Success is claimed only when the text reached the clipboard (an empty
    // list leaves it as it was, and that counts as done). A failure inside
    // the copy has had its error box already.
    if (ran && !stopped) {
        trap.step(106, [&] {
            prompts().info(copied ? QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area "
                                                   "where you normally type and press Ctrl+V to paste the clipboard.")
                                  : QStringLiteral("The clipboard could not be opened, so the results have not "
                                                   "been copied to it. Please try again."));
        });
    }
    trap.step(108, [&] { setBusyPointer(false); });
    trap.step(110, [&] { progressBar().setCaption(QStringLiteral("Progress Bar")); });
}

void Form1::saveResults(const QString &procedure, const QStringList &filters, const QString &defaultSuffix,
    const std::function<TextSaveOutcome(const QString &path, ProgressDisplay &bar)> &write)
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), procedure);
    QString path;
    trap.step(100, [&] { path = prompts().saveFile(QStringLiteral("Save"), filters); });
    if (path.isEmpty())
        return;
    if (!defaultSuffix.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += defaultSuffix;
    bool overwrite = true;
    const bool asked = trap.step(104, [&] {
        if (PathTools::FileExists(path))
            overwrite
                = prompts().ask(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
    });
    if (!asked || !overwrite)
        return;
    trap.step(106, [&] { setBusyPointer(true); });
    TextSaveOutcome outcome;
    trap.step(108, [&] {
        ProgressBarDisplay bar(progressBar());
        outcome = write(path, bar);
    });
    trap.step(110, [&] { setBusyPointer(false); });
    if (outcome.stopped) {
        trap.step(112, [&] {
            const QString stopped = QStringLiteral("Stopped: nothing was saved.");
            statusLine().say(stopped);
            prompts().info(stopped);
        });
        return;
    }
    trap.step(112, [&] {
        if (outcome.saved)
            statusLine().say(QStringLiteral("Saved ")
                + CountText::counted(outcome.rowsWritten, QStringLiteral("row"), QStringLiteral("rows")) + shownNote());
        prompts().info(QStringLiteral("Done."));
    });
}

// Save Results As Text File: no default extension, the name is used
// exactly as typed.
void Form1::PushButton6_Click()
{
    saveResults(QStringLiteral("Form1.PushButton6_Click"),
        { QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)") }, QString(),
        [&](const QString &path, ProgressDisplay &bar) {
            return SaveListviewProperlySpaced(results(), path, &bar, prompts());
        });
}

// Save Results As CSV File: ".csv" is added to a name without an
// extension.
void Form1::PushButton26_Click()
{
    saveResults(QStringLiteral("Form1.PushButton26_Click"), { QStringLiteral("CSV Files (*.csv)") },
        QStringLiteral(".csv"), [&](const QString &path, ProgressDisplay &bar) {
            return CsvWriter::save(ReportCsvTable(results()), path, &bar, prompts());
        });
}
