// The matchers for decoded (UTF-8) text: the letter cases that are easy to
// get wrong, worked one by one, and each matcher against the slow, obvious
// answer (QString::toLower on both sides, then QString::indexOf) on
// generated text mixing ASCII, Latin, Greek, Cyrillic, signs and characters
// outside the BMP.

#include "core/extract/ListviewContainsUtf8Text.h"
#include "core/extract/PatternMatcher.h"
#include "core/extract/UnicodeBetweenMarkers.h"
#include "core/extract/UnicodeNeedle.h"
#include "core/extract/UnicodeTextSetMatcher.h"
#include "core/results/ResultsModel.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

namespace {

// Characters whose letter cases differ in UTF-8 length (Kelvin sign, Ohm
// sign, Ⱥ/ⱥ), Greek with both sigmas, Cyrillic, Deseret (outside the BMP),
// an emoji, and the characters the markers and lines use. U+0130 is left
// out: QString::toLower gives it two characters, the matchers one (see the
// worked examples).
const char32_t Alphabet[] = { U'a', U'A', U'k', U'K', U'e', U'E', U's', U'S', U'i', U'I', U' ', U'1', U';', U'|', U'ö',
    U'Ö', U'ß', U'é', U'É', U'σ', U'Σ', U'ς', U'ω', U'Ω', U'д', U'Д', U'ё', U'Ё', 0x212A, 0x2126, 0x023A, 0x2C65, 0x1C5,
    0x1C4, 0x1C6, 0x10400, 0x10428, 0x1F600, 0x0307, 0x131 };

QString randomText(QRandomGenerator &random, int maxLength)
{
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i) {
        const char32_t c = Alphabet[random.bounded(int(std::size(Alphabet)))];
        text.append(QString::fromUcs4(&c, 1));
    }
    return text;
}

// A needle: usually a piece of the text in another letter case, so that it
// is found; sometimes random.
QString randomNeedle(QRandomGenerator &random, const QString &text, int maxLength)
{
    QString needle;
    if (!text.isEmpty() && random.bounded(4) != 0) {
        qsizetype from = random.bounded(int(text.size()));
        if (text[from].isLowSurrogate())
            --from;
        qsizetype to = std::min(text.size(), from + 1 + random.bounded(maxLength));
        if (to < text.size() && text[to].isLowSurrogate())
            ++to;
        needle = text.mid(from, to - from);
        const int variant = random.bounded(3);
        needle = variant == 0 ? needle.toUpper() : variant == 1 ? needle.toLower() : needle;
    } else {
        needle = randomText(random, maxLength);
    }
    return needle;
}

// Byte offset in the UTF-8 of text of each UTF-16 position (and its end).
std::vector<qsizetype> utf8Offsets(const QString &text)
{
    std::vector<qsizetype> offsets(size_t(text.size()) + 1, 0);
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        offsets[size_t(i)] = bytes;
        const char16_t u = text[i].unicode();
        bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : QChar::isSurrogate(u) ? 2 : 3;
    }
    offsets[size_t(text.size())] = bytes;
    return offsets;
}

struct SlowMatch
{
    qsizetype start = -1; // bytes
    qsizetype length = 0;
};

// The first occurrence at or after the UTF-16 position from, by lower-cased
// copies. QString::toLower keeps the UTF-16 length of the alphabet above, so
// positions carry over to the original text.
SlowMatch slowIndex(const QString &haystack, const QString &needle, qsizetype from = 0)
{
    const QString lowered = haystack.toLower();
    const QString loweredNeedle = needle.toLower();
    const qsizetype at = lowered.indexOf(loweredNeedle, from);
    if (at < 0)
        return {};
    const std::vector<qsizetype> offsets = utf8Offsets(haystack);
    return { offsets[size_t(at)], offsets[size_t(at + loweredNeedle.size())] - offsets[size_t(at)] };
}

// Split at every Y, drop the last piece, keep each piece from its first X.
QStringList slowBetween(const QString &text, const QString &x, const QString &y)
{
    if (y.isEmpty())
        return {};
    QStringList results;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(y, from)) >= 0; from = at + y.size()) {
        const QString piece = text.mid(from, at - from);
        const qsizetype xAt = piece.toLower().indexOf(x.toLower());
        if (xAt >= 0)
            results.append(piece.mid(xAt));
    }
    return results;
}

QByteArray randomBytes(QRandomGenerator &random, int maxLength)
{
    // Valid pieces, pieces cut short, stray continuation and lead bytes.
    static const QByteArray pieces[] = { "a", "K", "k", " ", "\xE2\x84\xAA", "\xE2\x84", "\xC3\xB6", "\xC3", "\xB6",
        "\xF0\x90\x90\x80", "\xF0\x90\x90", "\xFF", "\xED\xA0\x80", "\xC0\xAF", "\xCF\x83", "\xCE" };
    QByteArray bytes;
    const int count = random.bounded(maxLength + 1);
    for (int i = 0; i < count; ++i)
        bytes.append(pieces[random.bounded(int(std::size(pieces)))]);
    return bytes;
}

} // namespace

class TestUnicodeMatching : public QObject
{
    Q_OBJECT

private slots:
    // The text is before + match + after; the needle is expected to be found
    // exactly at match (when found) and nowhere else before it.
    void needleLetterCases_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("match");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("found");

        auto row = [](const char *name, const QString &needle, const QString &before, const QString &match,
                       const QString &after,
                       bool found) { QTest::newRow(name) << needle << before << match << after << found; };
        row("Latin capital finds small", u"MALMÖ"_qs, u"Från "_qs, u"Malmö"_qs, u" till"_qs, true);
        row("Latin small finds capital", u"malmö"_qs, u"X "_qs, u"MALMÖ"_qs, QString(), true);
        row("sharp s is not ss", u"straße"_qs, u"STRASSE "_qs, QString(), QString(), false);
        row("k finds Kelvin sign", u"k"_qs, u"5 "_qs, u"\u212A"_qs, QString(), true);
        row("Kelvin sign finds k", u"\u212A"_qs, u"o"_qs, u"k"_qs, QString(), true);
        row("Kelvin sign inside a word", u"KELVIN"_qs, u"°"_qs, u"\u212Aelvin"_qs, u"."_qs, true);
        row("capital dotted I is i", u"istanbul"_qs, u"in "_qs, u"\u0130STANBUL"_qs, QString(), true);
        row("i finds capital dotted I", u"\u0130"_qs, u"x"_qs, u"i"_qs, QString(), true);
        row("dotless i is not I", u"\u0131"_qs, u"I i "_qs, QString(), QString(), false);
        row("I is not dotless i", u"I"_qs, u"\u0131"_qs, QString(), QString(), false);
        row("capital sigma finds small", u"Σ"_qs, u"α"_qs, u"σ"_qs, QString(), true);
        row("final sigma is its own letter", u"ΟΔΟΣ"_qs, u"οδος "_qs, u"Οδοσ"_qs, QString(), true);
        row("sigma is not final sigma", u"σ"_qs, u"ς"_qs, QString(), QString(), false);
        row("Deseret capital finds small", u"\U00010400"_qs, u"x"_qs, u"\U00010428"_qs, u"y"_qs, true);
        row("Deseret small finds capital", u"a\U00010428"_qs, u"\U00010428"_qs, u"A\U00010400"_qs, QString(), true);
        row("Ohm sign finds omega", u"\u2126"_qs, u"x"_qs, u"ω"_qs, u"="_qs, true);
        row("longer lower case", u"\u2C65x"_qs, u"_"_qs, u"\u023AX"_qs, QString(), true);
        row("title case finds capital", u"\u01C5"_qs, u"-"_qs, u"\u01C4"_qs, QString(), true);
        row("emoji has no case", u"😀"_qs, u"😁"_qs, u"😀"_qs, QString(), true);
        row("Cyrillic", u"ДОМ"_qs, u"мой "_qs, u"дом"_qs, QString(), true);
        row("only whole characters", u"\u00E4"_qs, u"a\u0308"_qs, QString(), QString(), false);
        row("ASCII needle over long mixed text", u"Needle"_qs, QString(u"σ😀дK "_qs).repeated(40), u"nEEDLE"_qs,
            u"needle"_qs, true);
    }

    void needleLetterCases()
    {
        QFETCH(QString, needle);
        QFETCH(QString, before);
        QFETCH(QString, match);
        QFETCH(QString, after);
        QFETCH(bool, found);
        const QByteArray text = (before + match + after).toUtf8();
        const UnicodeNeedle unicode(needle);
        qsizetype length = -1;
        const qsizetype at = unicode.indexIn(text, 0, &length);
        if (!found) {
            QCOMPARE(at, qsizetype(-1));
            return;
        }
        QCOMPARE(at, before.toUtf8().size());
        QCOMPARE(length, match.toUtf8().size());
    }

    void needleEdgeCases()
    {
        const QByteArray text("abc");
        QCOMPARE(UnicodeNeedle(QString()).indexIn(text, 2), qsizetype(2));
        QCOMPARE(UnicodeNeedle(QString()).indexIn(text, 4), qsizetype(-1));
        QVERIFY(UnicodeNeedle(u"a\nb"_qs).holdsLineEnd());
        QVERIFY(!UnicodeNeedle(u"ab"_qs).holdsLineEnd());
        const UnicodeNeedle lone(QString(QChar(0xD800)));
        QVERIFY(!lone.isSearchable());
        QCOMPARE(lone.indexIn(QByteArray("\xED\xA0\x80 \xEF\xBF\xBD")), qsizetype(-1));
        // A search from inside a character finds no match starting there.
        const QByteArray kelvin = QString(u"\u212A\u212A"_qs).toUtf8();
        QCOMPARE(UnicodeNeedle(u"k"_qs).indexIn(kelvin, 1), qsizetype(3));
    }

    void needleAgreesWithLowerCasedCopies()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 6000; ++round) {
            const QString text = randomText(random, round < 3000 ? 12 : 120);
            const QString needle = randomNeedle(random, text, 6);
            const QByteArray utf8 = text.toUtf8();
            const UnicodeNeedle fast(needle);
            // Every character start as a from, and the end.
            const std::vector<qsizetype> offsets = utf8Offsets(text);
            for (qsizetype from = 0; from <= text.size(); ++from) {
                if (from < text.size() && text[from].isLowSurrogate())
                    continue;
                const SlowMatch slow = slowIndex(text, needle, from);
                qsizetype length = -1;
                const qsizetype at = fast.indexIn(utf8, offsets[size_t(from)], &length);
                if (at != slow.start || (at >= 0 && length != slow.length)) {
                    qWarning() << "text" << text << "needle" << needle << "from" << from;
                    QCOMPARE(at, slow.start);
                    QCOMPARE(length, slow.length);
                }
            }
        }
    }

    void needleOnInvalidBytesFindsOnlyWholeCharacters()
    {
        QRandomGenerator random(7);
        const QString needles[] = { u"k"_qs, u"kö"_qs, u"\u212A"_qs, u"ö "_qs, u"\U00010428"_qs, u"σ"_qs, u"a k"_qs };
        for (int round = 0; round < 20000; ++round) {
            const QByteArray bytes = randomBytes(random, 10);
            const QString &needle = needles[random.bounded(int(std::size(needles)))];
            const UnicodeNeedle fast(needle);
            qsizetype length = 0;
            for (qsizetype at = fast.indexIn(bytes, 0, &length); at >= 0; at = fast.indexIn(bytes, at + 1, &length)) {
                QVERIFY(at + length <= bytes.size());
                const QByteArrayView matched = QByteArrayView(bytes).sliced(at, length);
                QVERIFY2(QUtf8StringView(matched).isValidUtf8(), matched.toByteArray().toHex().constData());
                QCOMPARE(QString::fromUtf8(matched).toLower(), needle.toLower());
            }
        }
    }

    void textSetsAgreeWithTestingEachSet()
    {
        QRandomGenerator random(99);
        for (int round = 0; round < 1500; ++round) {
            QStringList lines;
            for (int k = random.bounded(1, 6); k > 0; --k)
                lines.append(randomText(random, 30));
            QStringList sets;
            for (int k = random.bounded(1, 5); k > 0; --k)
                sets.append(randomNeedle(random, lines[random.bounded(int(lines.size()))], 4));
            if (random.bounded(20) == 0)
                sets.append(QString(u"x\ny"_qs));
            const UnicodeTextSetMatcher matcher(sets);

            std::vector<qsizetype> found;
            for (const QString &line : std::as_const(lines)) {
                std::vector<qsizetype> expected;
                for (qsizetype k = 0; k < sets.size(); ++k) {
                    if (!sets[k].contains(u'\n') && slowIndex(line, sets[k]).start >= 0)
                        expected.push_back(k);
                }
                matcher.findContained(line.toUtf8(), found);
                if (found != expected)
                    qWarning() << "line" << line << "sets" << sets;
                QCOMPARE(found, expected);
            }

            // The first set to end in the whole buffer, from a line start.
            const QString buffer = lines.join(u'\n');
            const QByteArray utf8 = buffer.toUtf8();
            const std::vector<qsizetype> offsets = utf8Offsets(buffer);
            const qsizetype fromLine = random.bounded(int(lines.size()));
            qsizetype fromChars = 0;
            for (qsizetype l = 0; l < fromLine; ++l)
                fromChars += lines[l].size() + 1;
            qsizetype expectedEnd = -1;
            for (const QString &set : std::as_const(sets)) {
                const SlowMatch slow = slowIndex(buffer, set, fromChars);
                if (slow.start >= 0 && !set.contains(u'\n')) {
                    const qsizetype end = slow.length == 0 ? offsets[size_t(fromChars)] : slow.start + slow.length - 1;
                    expectedEnd = expectedEnd < 0 ? end : std::min(expectedEnd, end);
                }
            }
            QCOMPARE(matcher.nextMatchEnd(utf8, offsets[size_t(fromChars)]), expectedEnd);
        }
    }

    void textSetsLetterCases()
    {
        const UnicodeTextSetMatcher matcher({ u"MALMÖ"_qs, u"kelvin"_qs, u"\U00010400"_qs, u"straße"_qs, u"ΟΔΟΣ"_qs });
        std::vector<qsizetype> found;
        matcher.findContained(QString(u"malmö, \u212AELVIN, \U00010428, STRASSE, οδος"_qs).toUtf8(), found);
        QCOMPARE(found, (std::vector<qsizetype> { 0, 1, 2 }));
        // The end is the last byte of the Kelvin-cased N, in the original text.
        const QByteArray text = QString(u"ab\n\u212A\u212AELVIN!"_qs).toUtf8();
        QCOMPARE(matcher.nextMatchEnd(text, 0), text.indexOf('!') - 1);
        QCOMPARE(matcher.nextMatchEnd(text, text.indexOf('!')), qsizetype(-1));
    }

    void betweenAgreesWithSplittingAtY()
    {
        QRandomGenerator random(5);
        const QString markers[] = { u";"_qs, u"|"_qs, u";;"_qs, u"σ;"_qs, u"Σ"_qs, u"\u212A"_qs, u"k"_qs,
            u"\U00010400"_qs, u"ö|"_qs, u"aa"_qs, QString() };
        for (int round = 0; round < 4000; ++round) {
            const QString text = randomText(random, 60);
            const QString &x = markers[random.bounded(int(std::size(markers)))];
            const QString &y = markers[random.bounded(int(std::size(markers)))];
            QStringList fast;
            const QByteArray utf8 = text.toUtf8();
            for (const QByteArrayView result : ExtractBetweenUnicodeMarkers(utf8, x, y))
                fast.append(QString::fromUtf8(result));
            const QStringList slow = slowBetween(text, x, y);
            if (fast != slow)
                qWarning() << "text" << text << "x" << x << "y" << y;
            QCOMPARE(fast, slow);
        }
    }

    void patternsInDecodedText_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("match"); // null: no match

        QTest::newRow("Latin letter cases") << u"MALMÖ"_qs << u"till Malmö."_qs << u"Malmö"_qs;
        QTest::newRow("letters of any script") << u"\\p{L}+"_qs << u"12 Ωmega"_qs << u"Ωmega"_qs;
        QTest::newRow("word characters of any script") << u"\\w+"_qs << u"--дом--"_qs << u"дом"_qs;
        QTest::newRow("a dot is a whole character") << u"x.y"_qs << u"x\U00010400y"_qs << u"x\U00010400y"_qs;
        QTest::newRow("Kelvin sign") << u"k=\\d"_qs << u"\u212A=5"_qs << u"\u212A=5"_qs;
        QTest::newRow("outside the BMP") << u"\U00010428+"_qs << u"a\U00010400\U00010428"_qs
                                         << u"\U00010400\U00010428"_qs;
        QTest::newRow("no match") << u"ß"_qs << u"ss"_qs << QString();
    }

    void patternsInDecodedText()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(QString, match);
        const PatternMatcher matcher(pattern, TextKind::Unicode);
        QVERIFY2(matcher.isValid(), qPrintable(matcher.errorMessage()));
        const QByteArray utf8 = text.toUtf8();
        qsizetype start = 0;
        qsizetype end = 0;
        const PatternMatcher::Outcome outcome = matcher.find(utf8, 0, start, end);
        if (match.isNull()) {
            QCOMPARE(outcome, PatternMatcher::Outcome::NoMatch);
            return;
        }
        QCOMPARE(outcome, PatternMatcher::Outcome::Match);
        QCOMPARE(QString::fromUtf8(QByteArrayView(utf8).sliced(start, end - start)), match);
        // The prefilter never points past the match.
        const qsizetype candidate = matcher.nextCandidate(utf8, 0);
        QVERIFY(candidate >= 0 && candidate < end);
    }

    // The offset is in characters of the typed text: the same as for the
    // pattern with each non-ASCII character replaced by one ASCII letter,
    // whose 8-bit offset counts bytes.
    void patternErrorOffsetCountsCharacters_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<qsizetype>("offset");
        QTest::newRow("unmatched parenthesis after a two-byte letter") << u"ö)"_qs << qsizetype(1);
        QTest::newRow("unclosed group after Deseret") << u"\U00010400ö("_qs << qsizetype(3);
        QTest::newRow("bad range after Greek") << u"ΩΩΩ[z-a]"_qs << qsizetype(-1);
        QTest::newRow("bad repeat after a Kelvin sign") << u"\u212A{2,1}"_qs << qsizetype(-1);
    }

    void patternErrorOffsetCountsCharacters()
    {
        QFETCH(QString, pattern);
        QFETCH(qsizetype, offset);
        const PatternMatcher matcher(pattern, TextKind::Unicode);
        QVERIFY(!matcher.isValid());
        QString ascii;
        for (const char32_t c : pattern.toUcs4())
            ascii.append(c < 0x80 ? QChar(c) : QChar(u'x'));
        const PatternMatcher bytes(ascii);
        QVERIFY(!bytes.isValid());
        QCOMPARE(matcher.errorOffset(), bytes.errorOffset());
        if (offset >= 0)
            QCOMPARE(matcher.errorOffset(), offset);
        QVERIFY(matcher.invalidMessage(u"Box"_qs).contains(u"at position %1."_qs.arg(matcher.errorOffset())));
    }

    void patternSurvivesInvalidSubjects()
    {
        QRandomGenerator random(11);
        const QString patterns[]
            = { u"k"_qs, u"ö+"_qs, u".{2}"_qs, u"\\p{L}"_qs, u"(?<=\u212A)."_qs, u"x*"_qs, u"\\X"_qs };
        for (int round = 0; round < 5000; ++round) {
            const PatternMatcher matcher(patterns[random.bounded(int(std::size(patterns)))], TextKind::Unicode);
            QVERIFY(matcher.isValid());
            const QByteArray bytes = randomBytes(random, 8);
            const PatternMatcher::Outcome outcome = forEachMatch(matcher, bytes, [&](qsizetype start, qsizetype end) {
                QVERIFY(start >= 0 && start < end && end <= bytes.size());
                QVERIFY(QUtf8StringView(QByteArrayView(bytes).sliced(start, end - start)).isValidUtf8());
            });
            QVERIFY(outcome != PatternMatcher::Outcome::GaveUp);
        }
    }

    void resultRowsContainingText()
    {
        QRandomGenerator random(3);
        for (int round = 0; round < 200; ++round) {
            ResultsModel results;
            QStringList texts;
            for (int k = random.bounded(1, 12); k > 0; --k) {
                texts.append(randomText(random, 15));
                results.appendResult(texts.back().toUtf8(), QString(), false, false);
            }
            const QString search = randomNeedle(random, texts[random.bounded(int(texts.size()))], 3);
            std::vector<qsizetype> expected;
            for (qsizetype row = 0; row < texts.size(); ++row) {
                if (texts[row].toLower().contains(search.toLower()))
                    expected.push_back(row);
            }
            QCOMPARE(ResultRowsContainingUtf8Text(results, search), expected);
            const std::vector<qsizetype> others = ResultRowsContainingUtf8Text(results, search, false);
            QCOMPARE(qsizetype(expected.size() + others.size()), texts.size());
            for (const qsizetype row : others)
                QVERIFY(!std::binary_search(expected.begin(), expected.end(), row));
            const QString &some = texts[random.bounded(int(texts.size()))];
            QVERIFY(ListviewContainsUtf8Text(results, some));
            QCOMPARE(ListviewContainsUtf8Text(results, some.toUpper()), texts.contains(some.toUpper()));
        }
    }
};

QTEST_GUILESS_MAIN(TestUnicodeMatching)
#include "test_unicode_matching.moc"
