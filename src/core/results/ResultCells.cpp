#include "ResultCells.h"

#include "ResultsModel.h"

#include <QFile>

qsizetype characterCount(QStringView text)
{
    qsizetype count = text.size();
    for (const QChar c : text)
        count -= c.isLowSurrogate() ? 1 : 0;
    return count;
}

qsizetype utf8CharacterCount(QByteArrayView utf8)
{
    // Every byte but a continuation byte (10xxxxxx) starts a character.
    qsizetype count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

ResultCells::ResultCells(const ResultsModel &list)
    : m_list(list)
{ }

int ResultCells::columnCount() const
{
    return int(m_list.columns().size());
}

QString ResultCells::header(int column) const
{
    return m_list.columns().value(column).header;
}

qsizetype ResultCells::rowCount() const
{
    return m_list.size();
}

ResultCell ResultCells::cell(qsizetype row, int column)
{
    ResultCell cell;
    switch (m_list.cellKind(row, column)) {
    case ResultsModel::CellKind::Empty:
        return cell;
    case ResultsModel::CellKind::Text:
        cell.kind = ResultCell::Kind::Text;
        cell.bytes = m_list.cellBytes(row, column);
        cell.utf8 = m_list.textKind() == TextKind::Unicode;
        cell.characters = cell.utf8 ? utf8CharacterCount(cell.bytes) : cell.bytes.size();
        return cell;
    case ResultsModel::CellKind::Count:
        // Digits only: the same bytes in either kind of text.
        m_count = QByteArray::number(m_list.foundCount(row));
        cell.kind = ResultCell::Kind::Text;
        cell.bytes = m_count;
        cell.characters = m_count.size();
        return cell;
    case ResultsModel::CellKind::Path:
        break;
    }

    // Paths are shared between the rows of one file, so a run of rows from
    // the same file hands out the same string: convert it once.
    const QString path = *m_list.sourcePath(row);
    if (path.constData() != m_path.constData() || path.size() != m_path.size()) {
        m_path = path;
        m_pathBytes = QFile::encodeName(m_path);
        m_pathCharacters = characterCount(m_path);
    }
    cell.kind = ResultCell::Kind::Path;
    cell.bytes = m_pathBytes;
    cell.path = &m_path;
    cell.characters = m_pathCharacters;
    return cell;
}

void ResultCells::appendText(QString &out, const ResultCell &cell)
{
    if (cell.kind == ResultCell::Kind::Text && cell.utf8)
        out.append(QString::fromUtf8(cell.bytes));
    else if (cell.kind == ResultCell::Kind::Text)
        out.append(QLatin1StringView(cell.bytes.data(), cell.bytes.size()));
    else if (cell.kind == ResultCell::Kind::Path)
        out.append(*cell.path);
}
