#include "ResultsWorkbook.h"

#include "ResultCells.h"
#include "ResultsModel.h"
#include "WorkbookText.h"
#include "WorkbookWriter.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/StopRequest.h"

namespace {

// Turns cells into workbook texts; the path of a run of rows from the same
// file is converted once.
class CellConverter
{
public:
    WorkbookText convert(const ResultCell &cell, int column)
    {
        switch (cell.kind) {
        case ResultCell::Kind::Text:
            return cell.utf8 ? workbookTextFromUtf8(cell.bytes, column >= 1)
                             : workbookTextFromLatin1(cell.bytes, column >= 1);
        case ResultCell::Kind::Path:
            if (!m_path || cell.path->constData() != m_path->constData() || cell.path->size() != m_path->size()) {
                m_pathText = workbookTextFromString(*cell.path);
                m_pathHolder = *cell.path;
                m_path = &m_pathHolder;
            }
            return m_pathText;
        case ResultCell::Kind::Empty:
            break;
        }
        return WorkbookText();
    }

private:
    QString m_pathHolder;
    const QString *m_path = nullptr;
    WorkbookText m_pathText;
};

} // namespace

void WriteResultsWorkbook(const ResultsModel &list, WorkbookWriter &workbook, ErrorTrap &trap, int firstMark)
{
    ResultCells cells(list);
    CellConverter converter;
    const int columns = cells.columnCount();
    for (int c = 0; c < columns; ++c) {
        trap.step(firstMark, [&] {
            EventPump::yield();
            workbook.writeHeader(c, workbookTextFromString(cells.header(c)));
        });
    }
    const qsizetype rows = cells.rowCount();
    for (qsizetype r = 0; r < rows && !StopRequest::asked(); ++r) {
        trap.step(firstMark + 2, [&] { EventPump::yield(); });
        for (int c = 0; c < columns; ++c) {
            trap.step(firstMark + 4, [&] {
                EventPump::yield();
                if (r < cells.rowCount())
                    workbook.writeCell(r, c, converter.convert(cells.cell(r, c), c));
            });
        }
        if (r >= cells.rowCount())
            break;
    }
}
