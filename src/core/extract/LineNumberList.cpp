#include "LineNumberList.h"

#include "core/app/AppFailure.h"

#include <algorithm>
#include <cmath>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

[[noreturn]] void typeMismatch()
{
    throw AppFailure(QStringLiteral("Type mismatch"));
}

[[noreturn]] void overflow()
{
    throw AppFailure(QStringLiteral("Overflow"));
}

} // namespace

std::int16_t convertLineNumberEntry(QStringView entry)
{
    qsizetype begin = 0;
    qsizetype end = entry.size();
    while (begin < end && isBlank(entry[begin]))
        ++begin;
    while (end > begin && isBlank(entry[end - 1]))
        --end;
    const QStringView number = entry.sliced(begin, end - begin);

    qsizetype i = 0;
    bool negative = false;
    if (i < number.size() && (number[i] == u'+' || number[i] == u'-'))
        negative = number[i++] == u'-';
    const qsizetype wholeBegin = i;
    while (i < number.size() && isDigit(number[i]))
        ++i;
    const QStringView whole = number.sliced(wholeBegin, i - wholeBegin);
    QStringView fraction;
    if (i < number.size() && number[i] == u'.') {
        const qsizetype fractionBegin = ++i;
        while (i < number.size() && isDigit(number[i]))
            ++i;
        fraction = number.sliced(fractionBegin, i - fractionBegin);
    }
    if (i != number.size() || (whole.isEmpty() && fraction.isEmpty()))
        typeMismatch();

    // The magnitude, capped well beyond the range so that it cannot wrap.
    std::int64_t magnitude = 0;
    for (QChar digit : whole) {
        magnitude = magnitude * 10 + (digit.unicode() - u'0');
        if (magnitude > 100000)
            overflow();
    }
    // Round on the decimal digits themselves, so that 2.5 is exactly a half.
    if (!fraction.isEmpty()) {
        const QChar first = fraction[0];
        bool roundUp = first > u'5';
        if (first == u'5') {
            const bool moreThanHalf
                = std::any_of(fraction.begin() + 1, fraction.end(), [](QChar c) { return c != u'0'; });
            roundUp = moreThanHalf || magnitude % 2 == 1;
        }
        if (roundUp)
            ++magnitude;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        overflow();
    return static_cast<std::int16_t>(value);
}

double leadingNumberValue(QStringView entry)
{
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < entry.size() && isBlank(entry[i]))
            ++i;
    };
    skipBlanks();
    double sign = 1;
    if (i < entry.size() && (entry[i] == u'+' || entry[i] == u'-')) {
        sign = entry[i] == u'-' ? -1 : 1;
        ++i;
    }
    double value = 0;
    for (skipBlanks(); i < entry.size() && isDigit(entry[i]); skipBlanks())
        value = value * 10 + (entry[i++].unicode() - u'0');
    if (i < entry.size() && entry[i] == u'.') {
        ++i;
        double scale = 0.1;
        for (skipBlanks(); i < entry.size() && isDigit(entry[i]); skipBlanks()) {
            value += (entry[i++].unicode() - u'0') * scale;
            scale /= 10;
        }
    }
    return sign * value;
}

LineNumberList LineNumberList::fromText(QStringView text, const FailureReport &report)
{
    LineNumberList list;
    qsizetype entryStart = 0;
    while (true) {
        const qsizetype comma = text.indexOf(u',', entryStart);
        const QStringView entry = text.sliced(entryStart, (comma < 0 ? text.size() : comma) - entryStart);
        try {
            list.addValue(convertLineNumberEntry(entry));
        } catch (const AppFailure &failure) {
            report(failure.description());
            list.addValue(leadingNumberValue(entry));
        }
        if (comma < 0)
            break;
        entryStart = comma + 1;
    }
    std::sort(list.m_lineNumbers.begin(), list.m_lineNumbers.end());
    list.m_lineNumbers.erase(
        std::unique(list.m_lineNumbers.begin(), list.m_lineNumbers.end()), list.m_lineNumbers.end());
    return list;
}

void LineNumberList::addValue(double value)
{
    // Beyond 2^53 a double no longer tells neighbouring whole numbers apart.
    constexpr double largest = 9007199254740992.0;
    if (value >= 1 && value <= largest && std::floor(value) == value)
        m_lineNumbers.push_back(static_cast<std::int64_t>(value));
}

bool LineNumberList::selects(std::int64_t lineNumber) const
{
    return std::binary_search(m_lineNumbers.begin(), m_lineNumbers.end(), lineNumber);
}
