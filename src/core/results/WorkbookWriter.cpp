#include "WorkbookWriter.h"

#include "XlsxFunctions.h"
#include "core/app/AppFailure.h"
#include "core/app/EventPump.h"
#include "core/app/ProgramModule.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <future>

// Resolved when the program links the workbook library in (the tests, the
// tools); otherwise null, and the workbook module is loaded.
extern "C" const XlsxFunctions *tollervane_xlsx_functions() __attribute__((weak));

namespace {

// The widest column a worksheet allows, in characters.
constexpr double MaxColumnWidth = 255;

// Loaded once, by whichever thread asks first.
const ProgramModule::Entry &libraryEntry()
{
    static const ProgramModule::Entry entry = ProgramModule::entry(reinterpret_cast<void *>(tollervane_xlsx_functions),
        TOLLERVANE_WORKBOOK_MODULE, "tollervane_xlsx_functions", QStringLiteral("the workbook writer"));
    return entry;
}

const XlsxFunctions &xlsx()
{
    static const XlsxFunctions *const functions = [] {
        const ProgramModule::Entry &entry = libraryEntry();
        return entry.address ? reinterpret_cast<XlsxFunctionsEntry *>(entry.address)() : nullptr;
    }();
    if (!functions)
        throw AppFailure(libraryEntry().failure);
    return *functions;
}

AppFailure workbookFailure(const XlsxFunctions &library, lxw_error error)
{
    return AppFailure(QStringLiteral("Workbook: ") + QString::fromUtf8(library.errorText(error)));
}

} // namespace

bool WorkbookWriter::load(QString *why)
{
    const ProgramModule::Entry &entry = libraryEntry();
    if (!entry.address && why)
        *why = entry.failure;
    return entry.address != nullptr;
}

WorkbookWriter::WorkbookWriter(const QString &path, qsizetype rowsPerWorksheet)
    : m_xlsx(xlsx())
    , m_dataRowsPerSheet(std::clamp<qsizetype>(rowsPerWorksheet, 2, RowsPerWorksheet) - 1)
{
    // Constant-memory mode writes each finished row out at once.
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    m_workbook = m_xlsx.newWorkbook(QFile::encodeName(path).constData(), &options);
    if (!m_workbook)
        throw AppFailure(QStringLiteral("Cannot start the workbook ") + path);
    addSheet();
}

WorkbookWriter::~WorkbookWriter()
{
    // An unfinished workbook is dropped without writing a file.
    if (m_workbook)
        m_xlsx.free(m_workbook);
}

WorkbookWriter::Sheet &WorkbookWriter::addSheet()
{
    lxw_worksheet *worksheet = m_xlsx.addWorksheet(m_workbook, nullptr);
    if (!worksheet)
        throw AppFailure(QStringLiteral("Cannot add a worksheet to the workbook"));
    m_sheets.push_back(Sheet { worksheet, {} });
    Sheet &sheet = m_sheets.back();
    for (int c = 0; c < int(m_headers.size()); ++c)
        put(sheet, 0, c, m_headers[size_t(c)]);
    return sheet;
}

WorkbookWriter::Sheet &WorkbookWriter::sheetFor(qsizetype dataRow)
{
    const qsizetype index = dataRow / m_dataRowsPerSheet;
    while (qsizetype(m_sheets.size()) <= index)
        addSheet();
    return m_sheets[size_t(index)];
}

void WorkbookWriter::put(Sheet &sheet, qsizetype row, int column, const WorkbookText &text)
{
    if (sheet.widths.size() <= size_t(column))
        sheet.widths.resize(size_t(column) + 1, 0);
    sheet.widths[size_t(column)] = std::max(sheet.widths[size_t(column)], text.characters);
    if (text.utf8.isEmpty())
        return;
    const lxw_error error
        = m_xlsx.writeString(sheet.worksheet, lxw_row_t(row), lxw_col_t(column), text.utf8.constData(), nullptr);
    if (error != LXW_NO_ERROR)
        throw workbookFailure(m_xlsx, error);
}

void WorkbookWriter::writeHeader(int column, const WorkbookText &text)
{
    if (m_headers.size() <= size_t(column))
        m_headers.resize(size_t(column) + 1);
    m_headers[size_t(column)] = text;
    m_cutTexts += text.cut ? 1 : 0;
    // Worksheets that exist already get the header now; later ones as they
    // are added.
    for (Sheet &sheet : m_sheets)
        put(sheet, 0, column, text);
}

void WorkbookWriter::writeCell(qsizetype dataRow, int column, const WorkbookText &text)
{
    Sheet &sheet = sheetFor(dataRow);
    m_cutTexts += text.cut ? 1 : 0;
    put(sheet, dataRow % m_dataRowsPerSheet + 1, column, text);
}

void WorkbookWriter::finish()
{
    if (!m_workbook)
        throw AppFailure(QStringLiteral("The workbook has been written already"));
    for (const Sheet &sheet : m_sheets) {
        for (size_t c = 0; c < sheet.widths.size(); ++c) {
            if (sheet.widths[c] == 0)
                continue;
            const double width = std::min(MaxColumnWidth, double(sheet.widths[c]) + 1);
            m_xlsx.setColumn(sheet.worksheet, lxw_col_t(c), lxw_col_t(c), width, nullptr);
        }
    }
    // workbook_close() writes the file and frees the workbook, whatever the
    // outcome.
    lxw_workbook *workbook = m_workbook;
    m_workbook = nullptr;
    const auto close = m_xlsx.close;
    std::future<lxw_error> written = std::async(std::launch::async, [close, workbook] { return close(workbook); });
    while (written.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        EventPump::yield();
    const lxw_error error = written.get();
    if (error != LXW_NO_ERROR)
        throw workbookFailure(m_xlsx, error);
}
