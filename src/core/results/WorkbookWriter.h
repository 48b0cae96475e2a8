#pragma once

#include "WorkbookText.h"

#include <QString>

#include <vector>

struct XlsxFunctions;
struct lxw_workbook;
struct lxw_worksheet;

// Writes a table of texts to an .xlsx workbook: a header row, then the data
// rows below it, every value a string (a text beginning with "=" stays a
// text). A worksheet holds a limited number of rows, header included; the
// rows beyond it continue on a further worksheet under the same header row,
// so no row is lost. Column widths are fitted to the longest text of each
// column on each worksheet. Rows are written in order; the workbook holds
// only the current row in memory.
class WorkbookWriter
{
public:
    static constexpr qsizetype RowsPerWorksheet = 1048576;

    // Loads the workbook library if it is not loaded yet; false, with the
    // reason in why, when it cannot be loaded.
    static bool load(QString *why = nullptr);

    // Throws AppFailure when the workbook cannot be started (or the library
    // cannot be loaded).
    explicit WorkbookWriter(const QString &path, qsizetype rowsPerWorksheet = RowsPerWorksheet);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    // Sets a header cell (columns from 0); every worksheet begins with the
    // header row. Headers come before the data rows.
    void writeHeader(int column, const WorkbookText &text);
    // Data row dataRow (from 0) goes to the worksheet it falls on, below its
    // header. Rows come in order.
    void writeCell(qsizetype dataRow, int column, const WorkbookText &text);

    // Fits the column widths and writes the file. Writing compresses the
    // whole workbook, which can take seconds for a long list, so it runs on
    // a worker thread while this one keeps yielding to the window system.
    // Throws AppFailure when the file cannot be written.
    void finish();

    int worksheetCount() const { return int(m_sheets.size()); }
    // How many texts were cut to fit a cell.
    qsizetype cutTexts() const { return m_cutTexts; }

private:
    struct Sheet
    {
        lxw_worksheet *worksheet = nullptr;
        std::vector<qsizetype> widths; // characters, per column
    };

    Sheet &sheetFor(qsizetype dataRow);
    Sheet &addSheet();
    void put(Sheet &sheet, qsizetype row, int column, const WorkbookText &text);

    const XlsxFunctions &m_xlsx;
    lxw_workbook *m_workbook = nullptr;
    qsizetype m_dataRowsPerSheet;
    std::vector<Sheet> m_sheets;
    std::vector<WorkbookText> m_headers;
    qsizetype m_cutTexts = 0;
};
