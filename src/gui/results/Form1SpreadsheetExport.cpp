#include "core/app/CountText.h"
#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"
#include "core/app/StopRequest.h"
#include "core/results/ResultsModel.h"
#include "core/results/ResultsWorkbook.h"
#include "core/results/WorkbookFiles.h"
#include "core/results/WorkbookWriter.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"

#include <QFile>

#include <memory>

namespace {
// The two messages a user without a spreadsheet application sees in turn.
const QString NoSpreadsheetAtAll = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this software without error.");
const QString NoSpreadsheetForThis
    = QStringLiteral("Excel is not installed on this computer. You need to have it installed to use this feature.");
} // namespace

// Save Results As Excel File: the results are written to a workbook file,
// which is then handed to the spreadsheet application as a new, unsaved
// document.

bool Form1::SaveResultsAsExcelFileIsExcelInstalled()
{
    // Failures here are never reported; they only make the answer false.
    bool installed = false;
    try {
        installed = prompts().spreadsheetAvailable();
    } catch (const std::exception &) {
        installed = false;
    }
    if (!installed) {
        try {
            prompts().info(NoSpreadsheetAtAll);
        } catch (const std::exception &) { }
    }
    return installed;
}

void Form1::PushButton12_Click()
{
    LongCommand command(*this);
    if (!command.started())
        return;
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton12_Click"));
    bool installed = false;
    trap.step(100, [&] {
        installed = SaveResultsAsExcelFileIsExcelInstalled();
        if (!installed)
            prompts().info(NoSpreadsheetForThis);
    });
    if (!installed || results().size() == 0)
        return;
    trap.step(104, [&] { setBusyPointer(true); });

    // When the workbook cannot be made, that is reported once and nothing
    // else is tried.
    QString workbookPath;
    std::unique_ptr<WorkbookWriter> workbook;
    trap.step(106, [&] {
        workbookPath = WorkbookFiles::newWorkbookPath();
        workbook = std::make_unique<WorkbookWriter>(workbookPath);
    });
    qsizetype cutTexts = 0;
    if (workbook) {
        WriteResultsWorkbook(results(), *workbook, trap, 108);
        if (StopRequest::asked()) {
            // Stopped: no workbook is finished or handed over.
            workbook.reset();
            QFile::remove(workbookPath);
            trap.step(118, [&] { setBusyPointer(false); });
            statusLine().say(QStringLiteral("Stopped: no workbook was made."));
            return;
        }
        cutTexts = workbook->cutTexts();
        const bool written = trap.step(114, [&] { workbook->finish(); });
        bool handedOver = false;
        if (written && !AppClosing) {
            trap.step(116, [&] {
                handedOver = prompts().openSpreadsheet(workbookPath);
                // Nothing took the workbook: the same as no application.
                if (!handedOver) {
                    prompts().info(NoSpreadsheetAtAll);
                    prompts().info(NoSpreadsheetForThis);
                }
            });
        }
        if (!handedOver)
            QFile::remove(workbookPath);
        else
            statusLine().say(QStringLiteral("Opened a workbook of ")
                + CountText::counted(results().size(), QStringLiteral("row"), QStringLiteral("rows")) + shownNote());
    } else if (!workbookPath.isEmpty()) {
        QFile::remove(workbookPath);
    }
    trap.step(118, [&] { setBusyPointer(false); });
    if (cutTexts > 0) {
        trap.step(120, [&] {
            prompts().info(QString::number(cutTexts)
                + QStringLiteral(" text(s) were longer than a worksheet cell can hold (32,767 characters) "
                                 "and have been cut to fit."));
        });
    }
}
