#include "TableRow.h"

namespace TableRow {

void encode(QByteArray &row, const QList<QByteArrayView> &cells)
{
    row.clear();
    for (const QByteArrayView cell : cells) {
        quint64 length = quint64(cell.size());
        while (length >= 0x80) {
            row.append(char(0x80 | (length & 0x7F)));
            length >>= 7;
        }
        row.append(char(length));
        row.append(cell);
    }
}

bool Reader::next(QByteArrayView &cell)
{
    quint64 length = 0;
    int shift = 0;
    for (;;) {
        if (m_at >= m_row.size() || shift > 56)
            return false;
        const auto byte = static_cast<unsigned char>(m_row[m_at++]);
        length |= quint64(byte & 0x7F) << shift;
        shift += 7;
        if (!(byte & 0x80))
            break;
    }
    if (length > quint64(m_row.size() - m_at)) {
        m_at = m_row.size();
        return false;
    }
    cell = m_row.sliced(m_at, qsizetype(length));
    m_at += qsizetype(length);
    return true;
}

QByteArrayView cell(QByteArrayView row, int k)
{
    Reader reader(row);
    QByteArrayView found;
    for (int i = 0; i <= k; ++i) {
        if (!reader.next(found))
            return {};
    }
    return found;
}

} // namespace TableRow
