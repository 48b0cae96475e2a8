// The widget-free pieces of the line filters, Extract Between X and Y and the
// text sets: each fast matcher against the slow, obvious version of what it
// must answer, on worked examples and on generated inputs.

#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/AppFailure.h"
#include "core/app/Latin1.h"
#include "core/extract/BetweenMarkers.h"
#include "core/extract/FileReaders.h"
#include "core/extract/FoldedNeedle.h"
#include "core/extract/LineCursor.h"
#include "core/extract/LineNumberList.h"
#include "core/extract/LinesWithHits.h"
#include "core/extract/TextSetMatcher.h"
#include "core/extract/TextSets.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Letters in both cases (ASCII and Latin-1), a sign whose lower case lies
// outside the 8-bit range, blanks and the markers' characters.
const QByteArray Alphabet("aAbBcC \xe0\xc0\xff;|");

QByteArray randomText(QRandomGenerator &random, int maxLength, const QByteArray &alphabet = Alphabet)
{
    QByteArray text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
        text.append(alphabet[random.bounded(int(alphabet.size()))]);
    return text;
}

qsizetype slowFoldedIndex(const QByteArray &haystack, const QString &needle, qsizetype from = 0)
{
    const std::optional<QByteArray> bytes = Latin1::fromString(needle);
    if (!bytes)
        return -1;
    return Latin1::toLower(haystack).indexOf(Latin1::toLower(*bytes), from);
}

// The cut exactly as described: split at every Y, drop the last piece, keep
// each piece from its first X (found on lower-cased copies).
QList<QByteArray> slowBetween(const QByteArray &text, const QByteArray &x, const QByteArray &y)
{
    if (y.isEmpty())
        return {};
    QList<QByteArray> pieces;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(y, from)) >= 0; from = at + y.size())
        pieces.append(text.mid(from, at - from));
    // The piece after the last Y is dropped.
    QList<QByteArray> results;
    for (const QByteArray &piece : std::as_const(pieces)) {
        const qsizetype at = Latin1::toLower(piece).indexOf(Latin1::toLower(x));
        if (at >= 0)
            results.append(piece.mid(at));
    }
    return results;
}

QList<QByteArray> fastBetween(const QByteArray &text, const QString &x, const QString &y)
{
    QList<QByteArray> results;
    for (QByteArrayView result : ExtractBetweenMarkers(text, x, y))
        results.append(result.toByteArray());
    return results;
}

std::vector<qsizetype> slowContained(const QByteArray &line, const QStringList &sets)
{
    std::vector<qsizetype> found;
    for (qsizetype k = 0; k < sets.size(); ++k) {
        if (slowFoldedIndex(line, sets[k]) >= 0)
            found.push_back(k);
    }
    return found;
}

std::vector<qsizetype> fastContained(const TextSetMatcher &matcher, const QByteArray &line)
{
    std::vector<qsizetype> found;
    matcher.findContained(line, found);
    return found;
}

// A text of short lines ended by CR LF, LF or CR, as a file read as lines.
LineArray randomLines(QRandomGenerator &random, int maxLines = 12)
{
    static const char *const ends[] = { "\r\n", "\n", "\r" };
    QByteArray text;
    const int lines = random.bounded(maxLines);
    for (int i = 0; i < lines; ++i)
        text += randomText(random, 8) + ends[random.bounded(3)];
    text += randomText(random, 8);
    std::vector<LineSpan> spans = splitLines(text);
    return LineArray(text, std::move(spans));
}

// Where the lines a run that jumps from hit to hit lists start, as
// Containing walks them; at the line starting at or after switchAt the
// search changes and what was found is dropped.
QList<qsizetype> walkHits(const QByteArray &text, qsizetype switchAt, const LinesWithHits::NextHit &before,
    const LinesWithHits::NextHit &after)
{
    LinesWithHits hits;
    QList<qsizetype> found;
    for (LineCursor lines(text); lines.atLine();) {
        if (switchAt >= 0 && lines.lineStart() >= switchAt) {
            hits.forget();
            switchAt = -1;
        }
        const qsizetype hit = hits.hitFrom(lines.lineStart(), switchAt < 0 ? after : before);
        if (hit >= 0 && hit <= lines.lineEnd()) {
            found.append(lines.lineStart());
            lines.next();
        } else if (switchAt > lines.lineStart() && (hit < 0 || switchAt <= hit)) {
            // Up to the switch, line by line.
            lines.next();
        } else if (hit < 0) {
            lines.finish();
        } else {
            lines.moveToLineOf(hit);
        }
    }
    return found;
}

// The lines as the splitter gives them: where each starts, and its text.
QList<std::pair<qsizetype, QByteArray>> splitterLines(const LineArray &lines)
{
    QList<std::pair<qsizetype, QByteArray>> result;
    for (qsizetype j = 0; j < lines.size(); ++j)
        result.append({ lines.line(j).data() - lines.buffer().constData(), lines.line(j).toByteArray() });
    return result;
}

QString latin1(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace

using Texts = QList<QByteArray>;

class TestExtractMatchers : public QObject
{
    Q_OBJECT

private slots:
    void foldedNeedleAgreesWithLowerCasedCopies()
    {
        QRandomGenerator random(4711);
        for (int round = 0; round < 20000; ++round) {
            // Now and then a text long enough to be searched in blocks.
            const QByteArray haystack = randomText(random, round % 5 == 0 ? 300 : 40);
            const QByteArray needleBytes = randomText(random, round % 7);
            const QString needle = QString::fromLatin1(needleBytes);
            const qsizetype from = random.bounded(int(haystack.size()) + 2);
            const FoldedNeedle fast(needle);
            QCOMPARE(fast.indexIn(haystack, from), slowFoldedIndex(haystack, needle, from));
        }
    }

    void foldedNeedleOutsideLatin1OccursNowhere()
    {
        const FoldedNeedle euro(QStringLiteral("\u20ac"));
        QVERIFY(!euro.isSearchable());
        QVERIFY(!euro.occursIn("\x80 \xa4 anything"));
        // The empty text occurs at the start of every text, the empty one too.
        QCOMPARE(FoldedNeedle(QString()).indexIn(""), 0);
        QVERIFY(FoldedNeedle(QStringLiteral("SUBJECT:")).occursIn("Subject: hello"));
        QVERIFY(FoldedNeedle(latin1("\xc9t\xc9")).occursIn("un \xe9t\xe9 chaud"));
    }

    void linesWithHitsAgreeWithTestingEachLine()
    {
        QRandomGenerator random(77);
        for (int round = 0; round < 5000; ++round) {
            const LineArray lines = randomLines(random);
            const FoldedNeedle first(QString::fromLatin1(randomText(random, 3)));
            const FoldedNeedle second(QString::fromLatin1(randomText(random, 2)));
            const qsizetype switchAt = random.bounded(int(lines.buffer().size()) + 1);
            QList<qsizetype> expected;
            for (const auto &[start, line] : splitterLines(lines)) {
                if ((start < switchAt ? first : second).occursIn(line))
                    expected.append(start);
            }
            const auto search = [&](const FoldedNeedle &needle) {
                return [&](qsizetype offset) { return needle.indexIn(lines.buffer(), offset); };
            };
            QCOMPARE(walkHits(lines.buffer(), switchAt, search(first), search(second)), expected);
        }
    }

    void textSetLinesAgreeWithTestingEachLine()
    {
        QRandomGenerator random(78);
        for (int round = 0; round < 3000; ++round) {
            // Now and then a text long enough to be searched in stretches.
            const LineArray lines = randomLines(random, round % 10 == 0 ? 4000 : 12);
            QStringList sets;
            for (int k = 1 + random.bounded(4); k > 0; --k)
                sets.append(QString::fromLatin1(randomText(random, round % 10 == 0 ? 6 : 3)));
            // A set holding a line end is in no line, also not across one.
            if (random.bounded(4) == 0)
                sets.append(QStringLiteral("a\r\nb"));
            const TextSetMatcher matcher(sets);
            QList<qsizetype> expected;
            for (const auto &[start, line] : splitterLines(lines)) {
                if (!slowContained(line, sets).empty())
                    expected.append(start);
            }
            const auto search = [&](qsizetype offset) { return matcher.nextMatchEnd(lines.buffer(), offset); };
            QCOMPARE(walkHits(lines.buffer(), -1, search, search), expected);
        }
    }

    void textSetFoundWhereverItStandsInALongText()
    {
        // Lines of x of uneven lengths; the set is put at every place that
        // keeps it within a line, over the first 13,000 characters.
        QByteArray text;
        for (int i = 0; text.size() < 14000; ++i)
            text += QByteArray(20 + i * 37 % 90, 'x') + (i % 2 ? "\n" : "\r\n");
        const TextSetMatcher matcher(QStringList { QStringLiteral("ABC"), QStringLiteral("xxxxxy") });
        for (qsizetype at = 0; at < 13000; ++at) {
            if (text.mid(at, 3) != "xxx")
                continue;
            QByteArray placed = text;
            placed.replace(at, 3, "aBc");
            QCOMPARE(matcher.nextMatchEnd(placed, 0), at + 2);
        }
    }

    void betweenMarkersExamples_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<Texts>("expected");
        QTest::newRow("X kept, Y dropped, X ignores case") << QByteArray("a id=7; b; c ID=9;") << "id="
                                                           << ";" << Texts { "id=7", "ID=9" };
        QTest::newRow("help example") << QByteArray("The rain in spain falls mainly on the plain.") << "p"
                                      << "n" << Texts { "pai", "plai" };
        QTest::newRow("no Y after the last X") << QByteArray("x<b>one</b>y<B>two</b>z<b>three") << "<b>"
                                               << "</b>" << Texts { "<b>one", "<B>two" };
        QTest::newRow("Y matched exactly") << QByteArray("x1 end x2END") << "x"
                                           << "END" << Texts { "x1 end x2" };
        QTest::newRow("two X before one Y") << QByteArray("-XaXb;") << "x"
                                            << ";" << Texts { "XaXb" };
        QTest::newRow("Y without X") << QByteArray("a;b;") << "x"
                                     << ";" << Texts {};
        QTest::newRow("same marker without letters") << QByteArray("|a|b|") << "|"
                                                     << "|" << Texts {};
        QTest::newRow("result over several lines") << QByteArray("From: a\r\nb\r\n;") << "from"
                                                   << ";" << Texts { "From: a\r\nb\r\n" };
        QTest::newRow("blank markers") << QByteArray("a  b  c ") << "  "
                                       << " " << Texts {};
        QTest::newRow("blank start marker") << QByteArray("a  b;c") << "  "
                                            << ";" << Texts { "  b" };
        QTest::newRow("empty Y yields nothing") << QByteArray("a;b;") << "a"
                                                << "" << Texts {};
        QTest::newRow("empty X takes whole pieces") << QByteArray("ab;;cd;e") << ""
                                                    << ";" << Texts { "ab", "", "cd" };
        QTest::newRow("empty text") << QByteArray() << "a"
                                    << ";" << Texts {};
        QTest::newRow("Y outside Latin-1") << QByteArray("a\x80;") << "a"
                                           << "\u20ac" << Texts {};
        QTest::newRow("X outside Latin-1") << QByteArray("a\x80;") << "\u20ac"
                                           << ";" << Texts {};
    }

    void betweenMarkersExamples()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(Texts, expected);
        QCOMPARE(fastBetween(text, x, y), expected);
    }

    void betweenMarkersAgreesWithSplittingAtY()
    {
        QRandomGenerator random(815);
        const QByteArray alphabet("aAbB;|c");
        for (int round = 0; round < 20000; ++round) {
            const QByteArray text = randomText(random, 40, alphabet);
            const QByteArray x = randomText(random, 2, alphabet);
            QByteArray y = randomText(random, 2 + round % 2, alphabet);
            if (y.isEmpty())
                y = ";";
            QCOMPARE(fastBetween(text, QString::fromLatin1(x), QString::fromLatin1(y)), slowBetween(text, x, y));
        }
    }

    void lineNumberEntriesConvert_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("failure");
        QTest::newRow("plain") << "5" << 5 << "";
        QTest::newRow("blanks around") << " \t7 " << 7 << "";
        QTest::newRow("sign") << "+4" << 4 << "";
        QTest::newRow("half to even, down") << "2.5" << 2 << "";
        QTest::newRow("half to even, up") << "3.5" << 4 << "";
        QTest::newRow("negative half") << "-2.5" << -2 << "";
        QTest::newRow("half of zero") << ".5" << 0 << "";
        QTest::newRow("just above half") << "2.5000001" << 3 << "";
        QTest::newRow("trailing zeros are still a half") << "2.500" << 2 << "";
        QTest::newRow("point without fraction") << "5." << 5 << "";
        QTest::newRow("largest") << "32767" << 32767 << "";
        QTest::newRow("smallest") << "-32768" << -32768 << "";
        QTest::newRow("rounds into range") << "-32768.5" << -32768 << "";
        QTest::newRow("rounds out of range") << "32767.5" << 0 << "Overflow";
        QTest::newRow("out of range") << "40000" << 0 << "Overflow";
        QTest::newRow("many digits") << "123456789012345678901234567890" << 0 << "Overflow";
        QTest::newRow("empty") << "" << 0 << "Type mismatch";
        QTest::newRow("blank") << "  " << 0 << "Type mismatch";
        QTest::newRow("trailing letter") << "5x" << 0 << "Type mismatch";
        QTest::newRow("letters") << "abc" << 0 << "Type mismatch";
        QTest::newRow("no ranges") << "3-5" << 0 << "Type mismatch";
        QTest::newRow("blank inside") << "1 2" << 0 << "Type mismatch";
        QTest::newRow("lone point") << "." << 0 << "Type mismatch";
        QTest::newRow("two signs") << "--1" << 0 << "Type mismatch";
    }

    void lineNumberEntriesConvert()
    {
        QFETCH(QString, entry);
        QFETCH(int, value);
        QFETCH(QString, failure);
        try {
            const int converted = convertLineNumberEntry(entry);
            QVERIFY2(failure.isEmpty(), "converted although it should not");
            QCOMPARE(converted, value);
        } catch (const AppFailure &caught) {
            QCOMPARE(caught.description(), failure);
        }
    }

    void lineNumberListSelects_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("failures");
        QTest::newRow("list") << "1,3,4" << QList<int> { 1, 3, 4 } << 0;
        QTest::newRow("order and repeats do not matter") << "4,1,1,3" << QList<int> { 1, 3, 4 } << 0;
        QTest::newRow("blank after comma") << "3, 5" << QList<int> { 3, 5 } << 0;
        QTest::newRow("half down") << "2.5" << QList<int> { 2 } << 0;
        QTest::newRow("half up") << "3.5" << QList<int> { 4 } << 0;
        QTest::newRow("leading number") << "5x" << QList<int> { 5 } << 1;
        QTest::newRow("no number") << "abc" << QList<int> {} << 1;
        QTest::newRow("empty entry") << "1,,3" << QList<int> { 1, 3 } << 1;
        QTest::newRow("out of range still selects") << "40000" << QList<int> { 40000 } << 1;
        QTest::newRow("no ranges") << "3-5" << QList<int> { 3 } << 1;
        QTest::newRow("zero and negatives select nothing") << "0,-2" << QList<int> {} << 0;
        QTest::newRow("commas only") << "," << QList<int> {} << 2;
        QTest::newRow("fraction of an unconverted entry") << "5.5x" << QList<int> {} << 1;
    }

    void lineNumberListSelects()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, selected);
        QFETCH(int, failures);
        QStringList reported;
        const LineNumberList list = LineNumberList::fromText(text, [&](const QString &why) { reported.append(why); });
        QCOMPARE(reported.size(), failures);
        QList<int> actual;
        for (int line = -3; line <= 40010; ++line) {
            if (list.selects(line))
                actual.append(line);
        }
        QCOMPARE(actual, selected);
    }

    void textSetsExamples()
    {
        const TextSetMatcher matcher(QStringList {
            "INVOICE", "x", "your invoice", "subject", "invoice", QStringLiteral("\u20ac"), latin1("\xc9t\xc9") });
        using Found = std::vector<qsizetype>;
        QCOMPARE(fastContained(matcher, "Subject: your invoice"), (Found { 0, 2, 3, 4 }));
        QCOMPARE(fastContained(matcher, "Fax: 555"), (Found { 1 }));
        QCOMPARE(fastContained(matcher, "invoice for you"), (Found { 0, 4 }));
        QCOMPARE(fastContained(matcher, "\x80\xa4 l'\xe9t\xe9"), (Found { 6 }));
        QCOMPARE(fastContained(matcher, ""), Found {});
        // The same set twice is found at both places; the empty set everywhere.
        const TextSetMatcher repeated(QStringList { "ab", "", "AB" });
        QCOMPARE(fastContained(repeated, "xaBy"), (Found { 0, 1, 2 }));
        QCOMPARE(fastContained(repeated, ""), (Found { 1 }));
        QCOMPARE(fastContained(TextSetMatcher(), "anything"), Found {});
    }

    void textSetsAgreeWithTestingEachSet()
    {
        QRandomGenerator random(2024);
        for (int round = 0; round < 400; ++round) {
            QStringList sets;
            const int count = 1 + random.bounded(12);
            for (int k = 0; k < count; ++k) {
                // Mostly short sets over the line alphabet, so they overlap and
                // share prefixes and suffixes; now and then one that no 8-bit
                // line can hold.
                if (random.bounded(30) == 0)
                    sets.append(QStringLiteral("a\u20ac"));
                else
                    sets.append(QString::fromLatin1(randomText(random, 4)));
            }
            const TextSetMatcher matcher(sets);
            for (int line = 0; line < 50; ++line) {
                const QByteArray text = randomText(random, 30);
                QCOMPARE(fastContained(matcher, text), slowContained(text, sets));
            }
        }
    }

    void storedSetListSplits_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("sets");
        QTest::newRow("empty") << "" << QStringList {};
        QTest::newRow("one") << "a b " << QStringList { "a b " };
        QTest::newRow("two") << "a!!!QUIRL!!!b" << QStringList { "a", "b" };
        QTest::newRow("trailing delimiter") << "a!!!QUIRL!!!" << QStringList { "a", "" };
        QTest::newRow("delimiter only") << "!!!QUIRL!!!" << QStringList { "", "" };
        QTest::newRow("case matters") << "a!!!quirl!!!b" << QStringList { "a!!!quirl!!!b" };
    }

    void storedSetListSplits()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, sets);
        QCOMPARE(TextSets::split(stored), sets);
        if (!sets.isEmpty())
            QCOMPARE(TextSets::join(sets), stored);
    }

    void setsLoadFromTextFiles()
    {
        TempFiles files;
        const QString path
            = files.write(QStringLiteral("sets.txt"), "alpha\r\n\r\n   \r\n\t\r\n  beta \r\nalpha\n\xe9t\xe9");
        ScriptedPrompts prompts;
        QStringList shown;
        prompts.setSink([&](const QJsonObject &prompt) { shown.append(prompt.value("text").toString()); });
        QStringList sets { QStringLiteral("kept") };
        LoadSetItemsFromFile(sets, path, prompts);
        // A line of spaces is blank; a line of tabs is a set.
        QCOMPARE(sets, (QStringList { "kept", "alpha", "\t", "  beta ", "alpha", latin1("\xe9t\xe9") }));
        QVERIFY(shown.isEmpty());

        LoadSetItemsFromFile(sets, files.filePath(QStringLiteral("missing.txt")), prompts);
        QCOMPARE(shown, QStringList { QStringLiteral("File not found") });
        QCOMPARE(sets.size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestExtractMatchers)
#include "test_extract_matchers.moc"
