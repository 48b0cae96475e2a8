#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <vector>

// The line numbers typed for "Extract Lines By Number": the text is split
// at every comma into entries (empty ones included). Each entry is held as a
// whole number from -32768 to 32767 when it converts to one, or else as its
// text, whose value is the number its leading numeric characters write.
// A line is selected when some entry's value equals its number.
class LineNumberList
{
public:
    // Called once for each entry that does not convert, with the reason.
    using FailureReport = std::function<void(const QString &description)>;

    static LineNumberList fromText(QStringView text, const FailureReport &report);

    // Line numbers count from 1 within each file.
    bool selects(std::int64_t lineNumber) const;

private:
    void addValue(double value);

    // The whole positive values of all entries, sorted, each once; no other
    // value can equal a line number.
    std::vector<std::int64_t> m_lineNumbers;
};

// One entry as a whole number: blanks around it are ignored, a fraction is
// rounded to the nearest whole number (an exact half to the even one).
// Plain decimal notation only: an optional sign, digits, an optional point
// and fraction. Throws AppFailure "Type mismatch" for anything else (the
// empty entry included) and "Overflow" outside -32768..32767.
std::int16_t convertLineNumberEntry(QStringView entry);

// The value of the number written by an entry's leading numeric characters
// (an optional sign, digits, a point and more digits), blanks skipped
// wherever they stand; 0 when there are none. "5x" is 5, "3-5" is 3.
double leadingNumberValue(QStringView entry);
