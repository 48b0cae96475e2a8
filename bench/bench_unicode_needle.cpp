// The decoded-text matchers against their 8-bit counterparts on about 100 MB
// of generated mail-like text (ASCII with a sprinkling of accented letters,
// Greek and emoji): every occurrence of each needle, and every line end the
// text sets stop at. Timings are printed, never judged.

#include "core/extract/FoldedNeedle.h"
#include "core/extract/TextSetMatcher.h"
#include "core/extract/UnicodeNeedle.h"
#include "core/extract/UnicodeTextSetMatcher.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdio>

namespace {

QByteArray makeText(qsizetype size)
{
    const char *const words[] = { "the", "of", "and", "to", "in", "message", "received", "from", "by", "with", "for",
        "Content-Type:", "text/plain;", "charset=utf-8", "Subject:", "invoice", "order", "please", "regards", "date",
        "Malmö", "café", "naïve", "Ελλάδα", "привет", "😀", "Thanks!", "meeting", "tomorrow", "2024-06-11" };
    QRandomGenerator random(1);
    QByteArray text;
    text.reserve(size + 64);
    int column = 0;
    while (text.size() < size) {
        const char *word = words[random.bounded(int(std::size(words)))];
        text.append(word);
        column += int(qstrlen(word)) + 1;
        if (column > 70) {
            text.append('\n');
            column = 0;
        } else {
            text.append(' ');
        }
    }
    return text;
}

template <class Find> double timeAll(const Find &find, qsizetype &count)
{
    QElapsedTimer timer;
    timer.start();
    count = 0;
    for (qsizetype at = find(0); at >= 0; at = find(at + 1))
        ++count;
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main()
{
    const QByteArray text = makeText(100 << 20);
    std::printf("%lld MB of text\n\n%-28s %10s %10s %7s %9s\n", static_cast<long long>(text.size() >> 20), "needle",
        "8-bit ms", "UTF-8 ms", "ratio", "matches");
    const QString needles[] = { QStringLiteral("Content-Transfer-Encoding"), QStringLiteral("invoice"),
        QStringLiteral("INVOICE ORDER"), QStringLiteral("xyzzy"), QStringLiteral("e"), QStringLiteral("kilo"),
        QStringLiteral("regards"), QStringLiteral("MALMÖ"), QStringLiteral("ΕΛΛΆΔΑ") };
    for (const QString &needle : needles) {
        const FoldedNeedle folded(needle);
        const UnicodeNeedle unicode(needle);
        qsizetype foldedCount = 0;
        qsizetype unicodeCount = 0;
        // The 8-bit needle reads UTF-8 as Latin-1: its counts for non-ASCII
        // needles mean nothing, only its time is a yardstick.
        const double foldedMs = timeAll([&](qsizetype from) { return folded.indexIn(text, from); }, foldedCount);
        const double unicodeMs = timeAll([&](qsizetype from) { return unicode.indexIn(text, from); }, unicodeCount);
        std::printf("%-28s %10.1f %10.1f %6.2fx %9lld\n", qPrintable(needle), foldedMs, unicodeMs, unicodeMs / foldedMs,
            static_cast<long long>(unicodeCount));
    }

    QStringList sets;
    for (const char *set : { "invoice", "ORDER 77", "xyzzy", "Thanks! The", "café naïve", "meeting tomorrow the" })
        sets.append(QString::fromUtf8(set));
    const TextSetMatcher bytes(sets);
    const UnicodeTextSetMatcher unicode(sets);
    qsizetype bytesCount = 0;
    qsizetype unicodeCount = 0;
    const double bytesMs = timeAll([&](qsizetype from) { return bytes.nextMatchEnd(text, from); }, bytesCount);
    const double unicodeMs = timeAll([&](qsizetype from) { return unicode.nextMatchEnd(text, from); }, unicodeCount);
    std::printf("\n%-28s %10.1f %10.1f %6.2fx %9lld\n", "text sets, nextMatchEnd", bytesMs, unicodeMs,
        unicodeMs / bytesMs, static_cast<long long>(unicodeCount));
    return 0;
}
