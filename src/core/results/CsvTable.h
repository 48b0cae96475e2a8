#pragma once

#include <QString>
#include <QtGlobal>

// A table as the CSV writer reads it: a fixed number of columns with their
// names, and any number of rows of text cells. It knows nothing of where the
// rows come from, so a list with more columns needs only another table.
class CsvTable
{
public:
    virtual ~CsvTable() = default;

    virtual int columnCount() const = 0;
    virtual QString header(int column) const = 0;
    // Rows can go while the writer yields; it reads this again after each.
    virtual qsizetype rowCount() const = 0;
    // A cell as the characters it shows. A text read as 8-bit bytes gives
    // one character per byte (U+0000..U+00FF).
    virtual QString cell(qsizetype row, int column) const = 0;
};
