// The viewer's text of a message: its lines counted as the extraction counts
// them (checked against the line splitter), raw bytes against the decoded
// text, hits found forwards and backwards with wrapping in both letter-case
// kinds (checked against a plain scan of a lower-cased copy), the painted
// form of a line, and a 100 MB file loaded and indexed in time.

#include "TempFiles.h"
#include "core/app/Latin1.h"
#include "core/extract/LineSplitter.h"
#include "core/viewer/DisplayLine.h"
#include "core/viewer/MessageText.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(TextKind)

namespace {

// The lines of every kind of ending the splitter knows, checked line by line
// and byte by byte against it.
void compareWithSplitter(const QByteArray &bytes)
{
    const MessageText text(bytes, TextKind::Bytes);
    const std::vector<LineSpan> lines = splitLines(bytes);
    QCOMPARE(text.lineCount(), qsizetype(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) {
        const qsizetype line = qsizetype(i) + 1;
        QCOMPARE(text.lineStart(line), lines[i].offset);
        QCOMPARE(text.lineEnd(line), lines[i].offset + lines[i].length);
        // Every byte of the line and of its line end belongs to it.
        const qsizetype next = i + 1 < lines.size() ? lines[i + 1].offset : bytes.size();
        for (qsizetype offset = lines[i].offset; offset < next; ++offset)
            QCOMPARE(text.lineOf(offset), line);
    }
    QCOMPARE(text.lineOf(bytes.size()), text.lineCount());
}

// Every occurrence of needle in haystack, found the slow way: both sides
// lower-cased through the Latin-1 table.
std::vector<qsizetype> slowOccurrences(const QByteArray &haystack, const QByteArray &needle)
{
    const QByteArray lowered = Latin1::toLower(haystack);
    const QByteArray loweredNeedle = Latin1::toLower(needle);
    std::vector<qsizetype> at;
    for (qsizetype i = lowered.indexOf(loweredNeedle); i >= 0; i = lowered.indexOf(loweredNeedle, i + 1))
        at.push_back(i);
    return at;
}

} // namespace

class TestMessageText : public QObject
{
    Q_OBJECT

private slots:
    void linesAsTheExtractionCountsThem_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("lines");
        QTest::newRow("empty text is one line") << QByteArray() << qsizetype(1);
        QTest::newRow("no line end") << QByteArray("abc") << qsizetype(1);
        QTest::newRow("final CR LF adds no line") << QByteArray("a\r\nb\r\n") << qsizetype(2);
        QTest::newRow("final LF adds no line") << QByteArray("a\nb\n") << qsizetype(2);
        QTest::newRow("final CR adds no line") << QByteArray("a\rb\r") << qsizetype(2);
        QTest::newRow("line end alone") << QByteArray("\r\n") << qsizetype(1);
        QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << qsizetype(3);
        QTest::newRow("mixed, empty lines") << QByteArray("\r\r\n\n\r\nx\r") << qsizetype(5);
        // More lines than the index keeps starts for, with every ending.
        QByteArray many;
        for (int i = 0; i < 100; ++i)
            many += QByteArray::number(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
        QTest::newRow("a hundred lines") << many << qsizetype(100);
        QTest::newRow("a hundred lines, last without end") << many + "end" << qsizetype(101);
        QTest::newRow("only line ends") << QByteArray(40, '\n') << qsizetype(40);
    }

    void linesAsTheExtractionCountsThem()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, lines);
        QCOMPARE(MessageText(bytes, TextKind::Bytes).lineCount(), lines);
        compareWithSplitter(bytes);
    }

    void generatedTextsMatchTheSplitter()
    {
        QRandomGenerator random(21);
        const char pieces[] = { 'a', 'b', '\r', '\n', ' ' };
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes;
            const int length = random.bounded(120);
            for (int i = 0; i < length; ++i)
                bytes += pieces[random.bounded(int(sizeof pieces))];
            compareWithSplitter(bytes);
            if (QTest::currentTestFailed())
                qInfo() << "text:" << bytes;
        }
    }

    void rawOrDecoded_data()
    {
        QTest::addColumn<TextKind>("kind");
        QTest::addColumn<QString>("secondLine");
        QTest::addColumn<QString>("bodyLine");
        QTest::addColumn<qsizetype>("lines");
        QTest::newRow("raw bytes") << TextKind::Bytes << QStringLiteral("Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=")
                                   << QStringLiteral("Caf=C3=A9 =E2=") << qsizetype(7);
        QTest::newRow("decoded") << TextKind::Unicode << QStringLiteral("Subject: Grüße") << QString::fromUtf8("Café €")
                                 << qsizetype(6);
    }

    void rawOrDecoded()
    {
        QFETCH(TextKind, kind);
        QFETCH(QString, secondLine);
        QFETCH(QString, bodyLine);
        QFETCH(qsizetype, lines);
        TempFiles files;
        const QByteArray message = "From: a@example.org\r\n"
                                   "Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n"
                                   "Content-Type: text/plain; charset=utf-8\r\n"
                                   "Content-Transfer-Encoding: quoted-printable\r\n"
                                   "\r\n"
                                   "Caf=C3=A9 =E2=\r\n"
                                   "=82=AC\r\n";
        const MessageText text = MessageText::fromFile(files.write(QStringLiteral("m.eml"), message), kind);
        QCOMPARE(text.kind(), kind);
        QCOMPARE(text.lineCount(), lines);
        QCOMPARE(text.toText(text.lineBytes(2)), secondLine);
        const MessageText::Hit body = text.findNext(text.needle(bodyLine.left(6)), 0);
        QVERIFY(body.found());
        QCOMPARE(text.toText(text.lineBytes(text.lineOf(body.offset))).left(bodyLine.size()), bodyLine);
        if (kind == TextKind::Bytes)
            QCOMPARE(text.bytes(), message);
    }

    void hitsForwardsAndBackwards_data()
    {
        QTest::addColumn<TextKind>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("forwards");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<qsizetype>("offset");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("wrapped");

        const QByteArray abc("abc\r\nxABCx\nabc");
        QTest::newRow("next at from") << TextKind::Bytes << abc << "abc" << true << qsizetype(0) << qsizetype(0)
                                      << qsizetype(3) << false;
        QTest::newRow("next after from, other case")
            << TextKind::Bytes << abc << "abc" << true << qsizetype(1) << qsizetype(6) << qsizetype(3) << false;
        QTest::newRow("next wraps to the first")
            << TextKind::Bytes << abc << "ABC" << true << qsizetype(12) << qsizetype(0) << qsizetype(3) << true;
        QTest::newRow("previous before from")
            << TextKind::Bytes << abc << "abc" << false << qsizetype(11) << qsizetype(6) << qsizetype(3) << false;
        QTest::newRow("previous wraps to the last")
            << TextKind::Bytes << abc << "abc" << false << qsizetype(0) << qsizetype(11) << qsizetype(3) << true;
        QTest::newRow("across a line end")
            << TextKind::Bytes << abc << "C\r\nX" << true << qsizetype(0) << qsizetype(2) << qsizetype(4) << false;
        QTest::newRow("overlapping hits one apart") << TextKind::Bytes << QByteArray("aaaa") << "aa" << false
                                                    << qsizetype(2) << qsizetype(1) << qsizetype(2) << false;
        QTest::newRow("none") << TextKind::Bytes << abc << "abd" << true << qsizetype(0) << qsizetype(-1)
                              << qsizetype(0) << false;
        QTest::newRow("empty text finds nothing")
            << TextKind::Bytes << abc << "" << true << qsizetype(0) << qsizetype(-1) << qsizetype(0) << false;

        // 8-bit: the Latin-1 cases of one byte each; UTF-8 bytes are two
        // characters, and a character outside Latin-1 is never found.
        const QByteArray latin1("\xC4rger \xE4RGER \xC3\x84rger");
        QTest::newRow("8-bit Latin-1 letter") << TextKind::Bytes << latin1 << QStringLiteral("ÄRGER") << true
                                              << qsizetype(1) << qsizetype(6) << qsizetype(5) << false;
        QTest::newRow("8-bit sees UTF-8 as two characters")
            << TextKind::Bytes << latin1 << QStringLiteral("Ã\u0084RGER") << false << qsizetype(0) << qsizetype(12)
            << qsizetype(6) << true;
        QTest::newRow("8-bit never holds the euro sign")
            << TextKind::Bytes << QByteArray("\x80 \xE2\x82\xAC") << QStringLiteral("€") << true << qsizetype(0)
            << qsizetype(-1) << qsizetype(0) << false;

        // Decoded: Unicode cases, a hit measured in the text's bytes.
        const QByteArray utf8 = QStringLiteral("Ärger ÄRGER \u212Aelvin İSTANBUL").toUtf8();
        QTest::newRow("decoded letter") << TextKind::Unicode << utf8 << QStringLiteral("ärger") << true << qsizetype(1)
                                        << qsizetype(7) << qsizetype(6) << false;
        QTest::newRow("decoded Kelvin sign is k") << TextKind::Unicode << utf8 << QStringLiteral("KELVIN") << false
                                                  << qsizetype(0) << qsizetype(14) << qsizetype(8) << true;
        QTest::newRow("decoded dotted capital I is i")
            << TextKind::Unicode << utf8 << QStringLiteral("istanbul") << true << qsizetype(15) << qsizetype(23)
            << qsizetype(9) << false;
        QTest::newRow("decoded from inside a character") << TextKind::Unicode << utf8 << QStringLiteral("ärger") << true
                                                         << qsizetype(8) << qsizetype(0) << qsizetype(6) << true;
    }

    void hitsForwardsAndBackwards()
    {
        QFETCH(TextKind, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, needle);
        QFETCH(bool, forwards);
        QFETCH(qsizetype, from);
        QFETCH(qsizetype, offset);
        QFETCH(qsizetype, length);
        QFETCH(bool, wrapped);
        const MessageText text(bytes, kind);
        const MessageText::Needle sought = text.needle(needle);
        const MessageText::Hit hit = forwards ? text.findNext(sought, from) : text.findPrevious(sought, from);
        QCOMPARE(hit.offset, offset);
        if (hit.found()) {
            QCOMPARE(hit.length, length);
            QCOMPARE(hit.wrapped, wrapped);
        }
    }

    // Every hit, stepped through forwards and backwards from every position
    // of generated 8-bit texts, against a plain scan; long enough that the
    // backward search has to reach back over several stretches.
    void hitsAgreeWithAPlainScan()
    {
        QRandomGenerator random(4);
        const char pieces[] = { 'a', 'A', 'b', '\xE4', '\xC4', '\n' };
        for (int round = 0; round < 30; ++round) {
            QByteArray bytes;
            const int length = round < 25 ? random.bounded(60) : 200000;
            for (int i = 0; i < length; ++i)
                bytes += pieces[random.bounded(int(sizeof pieces))];
            const QByteArray needle = round < 25 ? QByteArray("a\xE4").left(1 + random.bounded(2))
                                                 : "ab\xC4"
                                                   "a\nb";
            const MessageText text(bytes, TextKind::Bytes);
            const MessageText::Needle sought = text.needle(Latin1::toString(needle));
            const std::vector<qsizetype> expected = slowOccurrences(bytes, needle);
            const qsizetype step = round < 25 ? 1 : 997;
            for (qsizetype from = 0; from <= bytes.size(); from += step) {
                const auto next = std::lower_bound(expected.begin(), expected.end(), from);
                const qsizetype wantNext = next != expected.end() ? *next : expected.empty() ? -1 : expected.front();
                QCOMPARE(text.findNext(sought, from).offset, wantNext);
                const qsizetype wantPrevious = next != expected.begin() ? *(next - 1)
                    : expected.empty()                                  ? -1
                                                                        : expected.back();
                QCOMPARE(text.findPrevious(sought, from).offset, wantPrevious);
            }
            // The hits of a stretch: those that reach into it.
            const qsizetype start = bytes.size() / 3;
            const qsizetype end = start + bytes.size() / 4;
            std::vector<qsizetype> within;
            for (const MessageText::Hit &hit : text.hitsWithin(sought, start, end))
                within.push_back(hit.offset);
            std::vector<qsizetype> wanted;
            for (qsizetype at : expected) {
                if (at + needle.size() > start && at < end && (wanted.empty() || at >= wanted.back() + needle.size()))
                    wanted.push_back(at);
            }
            QCOMPARE(within, wanted);
        }
    }

    void displayedLine_data()
    {
        QTest::addColumn<TextKind>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("firstByte");
        QTest::addColumn<QList<qsizetype>>("columns");
        QTest::newRow("tabs to multiples of eight")
            << TextKind::Bytes << QByteArray("ab\tc\t") << qsizetype(0) << qsizetype(100)
            << QStringLiteral("ab      c       ") << qsizetype(0) << QList<qsizetype> { 0, 1, 2, 8, 9, 16 };
        QTest::newRow("control bytes as pictures")
            << TextKind::Bytes << QByteArray("a\0\x1b\x7f", 4) << qsizetype(0) << qsizetype(100)
            << QStringLiteral("a\u2400\u241B\u2421") << qsizetype(0) << QList<qsizetype> { 0, 1, 2, 3, 4 };
        QTest::newRow("8-bit byte is one character")
            << TextKind::Bytes << QByteArray("\xC3\xA9") << qsizetype(0) << qsizetype(100) << QStringLiteral("Ã©")
            << qsizetype(0) << QList<qsizetype> { 0, 1, 2 };
        QTest::newRow("UTF-8 character spans its bytes")
            << TextKind::Unicode << QByteArray("\xC3\xA9x\xF0\x9F\x98\x80y") << qsizetype(0) << qsizetype(100)
            << QStringLiteral("éx\U0001F600y") << qsizetype(0) << QList<qsizetype> { 0, 0, 1, 2, 2, 2, 2, 4, 5 };
        QTest::newRow("stops at the limit") << TextKind::Bytes << QByteArray("abcdef") << qsizetype(0) << qsizetype(3)
                                            << QStringLiteral("abc") << qsizetype(0) << QList<qsizetype> { 0, 1, 2, 3 };
        QTest::newRow("scrolled across") << TextKind::Bytes << QByteArray("abcdef") << qsizetype(2) << qsizetype(4)
                                         << QStringLiteral("cd") << qsizetype(2) << QList<qsizetype> { 2, 3, 4 };
        QTest::newRow("scrolled into a tab")
            << TextKind::Bytes << QByteArray("a\tb") << qsizetype(5) << qsizetype(100) << QStringLiteral("       b")
            << qsizetype(1) << QList<qsizetype> { 1, 8, 9 };
        QTest::newRow("scrolled past a tab")
            << TextKind::Bytes << QByteArray("abc\tdefgh") << qsizetype(9) << qsizetype(11) << QStringLiteral("ef")
            << qsizetype(5) << QList<qsizetype> { 9, 10, 11 };
        QTest::newRow("scrolled into a character of two units")
            << TextKind::Unicode << QByteArray("x\xF0\x9F\x98\x80y") << qsizetype(2) << qsizetype(100)
            << QStringLiteral("\U0001F600y") << qsizetype(1) << QList<qsizetype> { 1, 1, 1, 1, 3, 4 };
        QTest::newRow("scrolled past the end") << TextKind::Bytes << QByteArray("ab") << qsizetype(10) << qsizetype(20)
                                               << QString() << qsizetype(2) << QList<qsizetype> { 2 };
    }

    void displayedLine()
    {
        QFETCH(TextKind, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, from);
        QFETCH(qsizetype, limit);
        QFETCH(QString, text);
        QFETCH(qsizetype, firstByte);
        QFETCH(QList<qsizetype>, columns);
        const DisplayLine shown = displayLine(bytes, kind, from, limit);
        QCOMPARE(shown.text, text);
        QCOMPARE(shown.firstByte, firstByte);
        QCOMPARE(shown.firstColumn, columns.front());
        QCOMPARE(QList<qsizetype>(shown.columns.begin(), shown.columns.end()), columns);
        // The columns of the whole line end where its display ends.
        if (shown.endByte() == bytes.size())
            QCOMPARE(displayColumns(bytes, kind), columns.back());
    }

    // A 100 MB message loads, is indexed and answers for its last line and
    // its last hit in well under the viewer's second (the bound here is
    // loose, for a busy machine).
    void largeFileIsQuick()
    {
#ifdef TOLLERVANE_SANITIZED
        QSKIP("timings mean little in an instrumented build");
#endif
        QByteArray bytes;
        const QByteArray line = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor\r\n";
        const qsizetype lines = (100 << 20) / line.size();
        bytes.reserve(lines * line.size() + 16);
        for (qsizetype i = 0; i < lines; ++i)
            bytes += line;
        bytes += "The End";
        TempFiles files;
        const QString path = files.write(QStringLiteral("large.eml"), bytes);
        bytes.clear();

        QElapsedTimer timer;
        timer.start();
        const MessageText text = MessageText::fromFile(path, TextKind::Bytes);
        QCOMPARE(text.lineCount(), lines + 1);
        QCOMPARE(text.lineOf(text.lineStart(lines + 1)), lines + 1);
        const MessageText::Hit end = text.findPrevious(text.needle(u"the end"), 0);
        QCOMPARE(text.lineOf(end.offset), lines + 1);
        const qint64 elapsed = timer.elapsed();
        qInfo() << "100 MB loaded, indexed and searched in" << elapsed << "ms";
        QVERIFY2(elapsed < 3000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestMessageText)
#include "test_message_text.moc"
