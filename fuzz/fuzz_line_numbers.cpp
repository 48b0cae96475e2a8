// The line-number box of Extract Lines By Number.
//
// One entry (convertLineNumberEntry), compared with the rule written out:
// blanks (spaces, tabs) around the entry are ignored; what is left must be
// an optional sign followed by digits with at most one point among them and
// at least one digit, else "Type mismatch"; the value is rounded to the
// nearest whole number, an exact half to the even one (decided on the
// digits, not on a binary fraction); outside -32768..32767 it is "Overflow".
// Besides: padding an entry with blanks changes nothing, a converted value is
// within one half of the decimal value, and numbers written by this target
// (plain integers with leading zeros, signs, points, blanks; halves; just
// above and below halves) convert as arithmetic says.
//
// The leading number (leadingNumberValue): with every blank removed, the
// longest start of the entry of the form sign, digits, point, digits read as
// a decimal number, 0 when there is none; it must be close to what strtod
// makes of the same characters, and exact for a whole number below 2^53.
//
// The whole box (LineNumberList::fromText): entries are the pieces between
// commas, empty ones included; every entry that does not convert is reported
// once, in order, with its reason; a line is selected exactly when some
// entry's value (the converted number, else the leading number) equals it.

#include "FuzzCheck.h"
#include "core/app/AppFailure.h"
#include "core/extract/LineNumberList.h"

#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

struct Outcome
{
    enum Kind { Value, Mismatch, Overflow } kind = Mismatch;
    int value = 0;

    bool operator==(const Outcome &other) const
    {
        return kind == other.kind && (kind != Value || value == other.value);
    }
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString withoutSurroundingBlanks(const QString &entry)
{
    QString s = entry;
    while (!s.isEmpty() && isBlank(s.front()))
        s.remove(0, 1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

std::string ascii(const QString &s, bool *ok)
{
    std::string out;
    *ok = true;
    for (QChar c : s) {
        if (c.unicode() > 0x7F)
            *ok = false;
        else
            out += char(c.unicode());
    }
    return out;
}

Outcome referenceConvert(const QString &entry)
{
    bool ok;
    std::string s = ascii(withoutSurroundingBlanks(entry), &ok);
    if (!ok)
        return { Outcome::Mismatch };
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    int points = 0;
    int digits = 0;
    for (char c : s) {
        if (c == '.')
            ++points;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return { Outcome::Mismatch };
    }
    if (points > 1 || digits == 0)
        return { Outcome::Mismatch };
    const size_t point = s.find('.');
    std::string whole = point == std::string::npos ? s : s.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : s.substr(point + 1);
    while (!whole.empty() && whole[0] == '0')
        whole.erase(0, 1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (whole.size() > 6)
        return { Outcome::Overflow };
    long magnitude = whole.empty() ? 0 : std::stol(whole);
    if (fraction == "5")
        magnitude += magnitude % 2; // exactly a half: to the even neighbour
    else if (!fraction.empty() && fraction[0] >= '5')
        magnitude += 1; // more than a half
    const long value = negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return { Outcome::Overflow };
    return { Outcome::Value, int(value) };
}

Outcome programConvert(const QString &entry)
{
    try {
        return { Outcome::Value, convertLineNumberEntry(entry) };
    } catch (const AppFailure &failure) {
        if (failure.description() == QStringLiteral("Type mismatch"))
            return { Outcome::Mismatch };
        FUZZ_CHECK(failure.description() == QStringLiteral("Overflow"));
        return { Outcome::Overflow };
    }
}

QString describe(Outcome::Kind kind)
{
    return kind == Outcome::Mismatch ? QStringLiteral("Type mismatch") : QStringLiteral("Overflow");
}

// The leading number's characters, blanks removed.
std::string leadingNumberText(const QString &entry)
{
    std::string s;
    for (QChar c : entry) {
        if (!isBlank(c))
            s += c.unicode() <= 0x7F ? char(c.unicode()) : '?';
    }
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
    }
    return s.substr(0, i);
}

void checkLeadingNumber(const QString &entry)
{
    const double value = leadingNumberValue(entry);
    const std::string text = leadingNumberText(entry);
    const bool hasDigit = text.find_first_of("0123456789") != std::string::npos;
    const double expected = hasDigit ? std::strtod(text.c_str(), nullptr) : 0.0;
    FUZZ_CHECK(!std::isnan(value));
    if (std::isinf(expected) || std::fabs(expected) > 1e300) {
        // Near the top of the double range the two may part at the last step.
        FUZZ_CHECK(std::signbit(value) == std::signbit(expected) && std::fabs(value) > 1e299);
        return;
    }
    FUZZ_CHECK(std::fabs(value - expected) <= 1e-12 * std::fabs(expected) + 1e-300);
    const size_t point = text.find('.');
    const bool fractionIsZero
        = point == std::string::npos || text.find_first_not_of('0', point + 1) == std::string::npos;
    if (fractionIsZero && std::fabs(expected) < 9007199254740992.0)
        FUZZ_CHECK(value == expected);
}

void checkEntry(const QString &entry)
{
    const Outcome outcome = programConvert(entry);
    FUZZ_CHECK(outcome == referenceConvert(entry));
    // Blanks around the entry do not matter.
    FUZZ_CHECK(programConvert(QStringLiteral(" \t") + entry + QStringLiteral("\t  ")) == outcome);
    if (outcome.kind == Outcome::Value) {
        bool ok;
        const std::string s = ascii(withoutSurroundingBlanks(entry), &ok);
        FUZZ_CHECK(ok);
        FUZZ_CHECK(std::fabs(outcome.value - std::strtod(s.c_str(), nullptr)) <= 0.5);
    }
    checkLeadingNumber(entry);
}

// Numbers this target writes itself, from three input bytes.
void checkWrittenNumbers(const unsigned char *data)
{
    const int n = std::int16_t(std::uint16_t(data[0] | data[1] << 8));
    const unsigned style = data[2];
    const QString blanks = QString(int(style >> 5), u' ');
    QString plain = QString::number(std::abs(n));
    plain.prepend(QString(int((style >> 1) & 3), u'0'));
    if (n < 0)
        plain.prepend(u'-');
    else if (style & 1)
        plain.prepend(u'+');
    if (style & 8)
        plain += u'.';
    if (style & 16)
        plain += QStringLiteral(".000").mid(style & 8 ? 1 : 0);
    FUZZ_CHECK(programConvert(blanks + plain + blanks) == (Outcome { Outcome::Value, n }));

    // n.5, n.5000...1 and n.4999: halves go to the even neighbour (the
    // default rounding of the floating-point unit), more than a half away
    // from zero, less than a half back to n.
    const QString zeros = QString(int(style & 7), u'0');
    const double half = n < 0 ? n - 0.5 : n + 0.5;
    const long even = long(std::nearbyint(half));
    const long away = n < 0 ? n - 1L : n + 1L;
    auto expect = [](long value) {
        return value < -32768 || value > 32767 ? Outcome { Outcome::Overflow } : Outcome { Outcome::Value, int(value) };
    };
    const QString base = QString::number(n);
    FUZZ_CHECK(programConvert(base + QStringLiteral(".5") + zeros) == expect(even));
    FUZZ_CHECK(programConvert(base + QStringLiteral(".5") + zeros + u'1') == expect(away));
    FUZZ_CHECK(programConvert(base + QStringLiteral(".4") + QString(int(style & 15), u'9')) == expect(n));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size >= 3)
        checkWrittenNumbers(data);

    const QString box = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList reports;
    const LineNumberList list = LineNumberList::fromText(box, [&](const QString &d) { reports.append(d); });

    const QStringList entries = box.split(u',', Qt::KeepEmptyParts);
    QStringList expectedReports;
    std::vector<double> values;
    for (const QString &entry : entries) {
        checkEntry(entry);
        const Outcome outcome = referenceConvert(entry);
        if (outcome.kind == Outcome::Value) {
            values.push_back(outcome.value);
        } else {
            expectedReports.append(describe(outcome.kind));
            values.push_back(leadingNumberValue(entry));
        }
    }
    FUZZ_CHECK(reports == expectedReports);

    // Lines to ask about: the first few, and each value and its neighbours.
    constexpr double largest = 9007199254740992.0; // 2^53
    std::set<std::int64_t> lines;
    for (std::int64_t k = 1; k <= 12; ++k)
        lines.insert(k);
    lines.insert(std::int64_t(largest));
    for (double v : values) {
        if (v >= 1 && v <= largest) {
            const auto whole = std::int64_t(std::floor(v));
            for (std::int64_t k = whole - 1; k <= whole + 2; ++k) {
                if (k >= 1 && double(k) <= largest)
                    lines.insert(k);
            }
        }
    }
    for (std::int64_t line : lines) {
        bool selected = false;
        for (double v : values)
            selected = selected || v == double(line);
        FUZZ_CHECK(list.selects(line) == selected);
    }
    return 0;
}
