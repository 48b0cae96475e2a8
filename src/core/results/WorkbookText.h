#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// A text as it goes into a worksheet cell: UTF-8, at most MaxCellCharacters
// characters. A spreadsheet application reads "_xHHHH_" in a cell as an
// escaped character, so the "_" that starts such a sequence in the text is
// itself escaped ("_x005F_"), and so is a NUL byte ("_x0000_"), which would
// otherwise end the text early. The limit counts the escapes too.
struct WorkbookText
{
    static constexpr qsizetype MaxCellCharacters = 32767;

    QByteArray utf8;
    // Characters of the text kept, for fitting the column width.
    qsizetype characters = 0;
    // True when the text was longer than a cell can hold and was cut.
    bool cut = false;
};

// A result text's 8-bit bytes (ISO-8859-1), with every "=" removed when
// asked (the second and later columns of the results).
WorkbookText workbookTextFromLatin1(QByteArrayView bytes, bool removeEquals);

// A decoded result text (UTF-8), with every "=" removed when asked.
WorkbookText workbookTextFromUtf8(QByteArrayView utf8, bool removeEquals);

// A header or a path.
WorkbookText workbookTextFromString(QStringView text);
