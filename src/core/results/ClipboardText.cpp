#include "ClipboardText.h"

#include "ClipboardAccess.h"
#include "ResultCells.h"
#include "ResultsModel.h"
#include "core/app/EventPump.h"
#include "core/app/StopRequest.h"

#include <algorithm>
#include <vector>

namespace {

qsizetype trailingBlanks(const ResultCell &cell)
{
    qsizetype blanks = 0;
    if (cell.kind == ResultCell::Kind::Text) {
        while (blanks < cell.bytes.size() && cell.bytes[cell.bytes.size() - 1 - blanks] == ' ')
            ++blanks;
    } else if (cell.kind == ResultCell::Kind::Path) {
        const QString &path = *cell.path;
        while (blanks < path.size() && path[path.size() - 1 - blanks] == QLatin1Char(' '))
            ++blanks;
    }
    return blanks;
}

} // namespace

QString ClipboardTextOf(const ResultsModel &list, const std::vector<qsizetype> *rows)
{
    ResultCells cells(list);
    const int columns = cells.columnCount();
    if (columns == 0)
        return QString();
    const qsizetype count = rows ? qsizetype(rows->size()) : cells.rowCount();
    const auto rowAt = [&](qsizetype i) { return rows ? (*rows)[size_t(i)] : i; };

    // Widths over the rows only; the headers do not count. The same pass
    // adds up the size of the text, so that it is allocated once.
    std::vector<qsizetype> widths(size_t(columns), 0);
    qsizetype lastColumnKept = 0;
    for (int c = 0; c < columns; ++c) {
        for (qsizetype i = 0; i < count; ++i) {
            EventPump::yield();
            if (StopRequest::asked())
                return QString();
            if (rowAt(i) >= cells.rowCount())
                break;
            const ResultCell cell = cells.cell(rowAt(i), c);
            widths[size_t(c)] = std::max(widths[size_t(c)], cell.characters);
            if (c == columns - 1)
                lastColumnKept += cell.characters - trailingBlanks(cell);
        }
    }
    qsizetype padded = 0;
    for (int c = 0; c + 1 < columns; ++c)
        padded += widths[size_t(c)] + 1;

    QString text;
    text.reserve(count * (padded + 2) + lastColumnKept);
    for (qsizetype i = 0; i < count; ++i) {
        EventPump::yield();
        const qsizetype lineStart = text.size();
        for (int c = 0; c < columns; ++c) {
            EventPump::yield();
            if (StopRequest::asked())
                return QString();
            // Rows may have gone during the yield: the text ends with the
            // last whole line.
            if (rowAt(i) >= cells.rowCount()) {
                text.truncate(lineStart);
                return text;
            }
            const ResultCell cell = cells.cell(rowAt(i), c);
            ResultCells::appendText(text, cell);
            // A text that outgrew its column while we yielded gets no padding.
            const qsizetype pad = widths[size_t(c)] - cell.characters;
            if (pad > 0)
                text.resize(text.size() + pad, QLatin1Char(' '));
            text.append(QLatin1Char('\t'));
        }
        // The last column's padding and tab never reach the clipboard: the
        // tab goes, then every blank at the end (a tab before them stops it).
        text.chop(1);
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == QLatin1Char(' '))
            --end;
        text.truncate(end);
        text.append(QLatin1String("\r\n"));
    }
    return text;
}

bool CopyListviewToClipboard(const ResultsModel &list, Prompts &prompts)
{
    if (list.size() == 0)
        return true;
    const QString text = ClipboardTextOf(list);
    // Stopped: the clipboard keeps what it had.
    if (StopRequest::asked())
        return false;
    ClearClipboard(prompts);
    return SetClipboardText(prompts, text);
}
