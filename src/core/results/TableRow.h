#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// A row of a table kept as one text: each cell's length (seven bits a byte,
// the high bit set on every byte but the last) followed by its bytes. Two
// rows are equal exactly when every cell is, so the results list keeps,
// compares and counts table rows as it does single texts, and a cell may
// hold any byte.
namespace TableRow {

// Replaces row with the cells, in order.
void encode(QByteArray &row, const QList<QByteArrayView> &cells);
// Cell k (from 0) of an encoded row; empty past the last cell.
QByteArrayView cell(QByteArrayView row, int k);

// The cells of an encoded row, one after the other.
class Reader
{
public:
    explicit Reader(QByteArrayView row)
        : m_row(row)
    { }
    // The next cell; false past the last one.
    bool next(QByteArrayView &cell);

private:
    QByteArrayView m_row;
    qsizetype m_at = 0;
};

} // namespace TableRow
