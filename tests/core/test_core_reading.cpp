// The line splitter, the line cursor and its line numbers, and the two file
// readers: line ends, blocks, 8-bit bytes and unreadable files.

#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/extract/FileReaders.h"
#include "core/extract/LineCursor.h"
#include "core/extract/LineSplitter.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
QList<QByteArray> linesOf(const QByteArray &text)
{
    QList<QByteArray> lines;
    for (const LineSpan &span : splitLines(text))
        lines.append(text.mid(span.offset, span.length));
    return lines;
}

// The same lines as the cursor walks them.
QList<QByteArray> cursorLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    for (LineCursor cursor(text); cursor.atLine(); cursor.next())
        lines.append(cursor.line().toByteArray());
    return lines;
}

// The obvious version: walk the bytes one by one.
QList<QByteArray> referenceLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    QByteArray current;
    qsizetype i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.append(current);
            current.clear();
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        } else {
            current.append(c);
            ++i;
        }
    }
    if (!current.isEmpty() || lines.isEmpty())
        lines.append(current);
    return lines;
}
} // namespace

class TestCoreReading : public QObject
{
    Q_OBJECT

private slots:
    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("lines");
        using L = QList<QByteArray>;
        QTest::newRow("empty file is one empty line") << QByteArray() << L { "" };
        QTest::newRow("one CR LF is one empty line") << QByteArray("\r\n") << L { "" };
        QTest::newRow("no final line end") << QByteArray("a\r\nb") << L { "a", "b" };
        QTest::newRow("final CR LF adds no line") << QByteArray("a\r\nb\r\n") << L { "a", "b" };
        QTest::newRow("LF only") << QByteArray("a\nb\n") << L { "a", "b" };
        QTest::newRow("CR only") << QByteArray("a\rb\r") << L { "a", "b" };
        QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << L { "a", "b", "c", "d" };
        QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\n\nb") << L { "a", "", "", "b" };
        QTest::newRow("CR CR LF is two ends") << QByteArray("a\r\r\nb") << L { "a", "", "b" };
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << L { "a", "", "b" };
        QTest::newRow("blanks kept") << QByteArray(" a \t\r\n") << L { " a \t" };
        QTest::newRow("NUL bytes are text") << QByteArray("a\0b\nc", 5) << L { QByteArray("a\0b", 3), "c" };
    }

    void lineEnds()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, lines);
        QCOMPARE(linesOf(text), lines);
        QCOMPARE(cursorLines(text), lines);
    }

    void splitterAgreesWithByteByByteReference()
    {
        QRandomGenerator random(20261208);
        const char alphabet[] = { 'a', 'b', ' ', '\r', '\n', '\xe9' };
        for (int round = 0; round < 2000; ++round) {
            QByteArray text;
            // Now and then a text long enough to be scanned in blocks, and
            // for line ends to be counted in many of them.
            const int length = random.bounded(round % 50 == 0 ? 20000 : round % 4 == 0 ? 200 : 40);
            for (int i = 0; i < length; ++i)
                text.append(alphabet[random.bounded(int(sizeof alphabet))]);
            QCOMPARE(linesOf(text), referenceLines(text));
            QCOMPARE(cursorLines(text), referenceLines(text));
            // From any line, a jump to a byte of a later line lands on that
            // line's start, and the walk goes on from there as usual.
            const std::vector<LineSpan> spans = splitLines(text);
            // Each line's number is found from any byte of it, its line end
            // included.
            LineNumbering numbering(text);
            for (size_t j = 0; j < spans.size(); j += 1 + size_t(random.bounded(3))) {
                const qsizetype at = spans[j].offset + random.bounded(int(spans[j].length + 1));
                QCOMPARE(numbering.lineOf(at), qint64(j + 1));
            }
            const size_t from = size_t(random.bounded(int(spans.size())));
            const size_t to = from + size_t(random.bounded(int(spans.size() - from)));
            if (spans[to].length == 0)
                continue;
            LineCursor cursor(text);
            for (size_t j = 0; j < from; ++j) {
                // The number asked for now and then, or never before the jump.
                if (random.bounded(3) == 0)
                    QCOMPARE(cursor.lineNumber(), qint64(j + 1));
                cursor.next();
            }
            if (random.bounded(2))
                cursor.lineEnd(); // a line end already known must not get in the way
            cursor.moveToLineOf(spans[to].offset + random.bounded(int(spans[to].length)));
            QCOMPARE(cursor.lineStart(), spans[to].offset);
            QList<QByteArray> rest;
            for (; cursor.atLine(); cursor.next()) {
                QCOMPARE(cursor.lineNumber(), qint64(to + 1) + rest.size());
                rest.append(cursor.line().toByteArray());
            }
            QCOMPARE(rest, referenceLines(text).mid(qsizetype(to)));
        }
    }

    void readerKeepsEveryByte()
    {
        TempFiles files;
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            if (b != '\r' && b != '\n')
                all.append(char(b));
        }
        const QString path = files.write(QStringLiteral("bytes.eml"), all + "\r\nnext");
        ScriptedPrompts prompts;
        const LineArray lines = ReadFileToStringFSOLine(path, prompts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.line(0).toByteArray(), all);
        QCOMPARE(lines.line(1).toByteArray(), QByteArray("next"));
    }

    void fileReportingNoSizeIsReadToItsEnd()
    {
        // Kernel files report a size of 0 but have content; files with a
        // size are read up to it.
        ScriptedPrompts prompts;
        const BlockArray blocks = ReadFileToStringFSO(QStringLiteral("/proc/self/status"), prompts);
        QVERIFY(blocks.wholeText().startsWith("Name:"));
        QVERIFY(blocks.wholeText().contains("\nPid:"));
    }

    void blocks_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("blockSizes");
        QTest::newRow("empty") << 0 << QList<int> { 0 };
        QTest::newRow("one character") << 1 << QList<int> { 1 };
        QTest::newRow("exactly one block") << 65536 << QList<int> { 65536 };
        QTest::newRow("one over") << 65537 << QList<int> { 65536, 1 };
        QTest::newRow("three blocks") << 2 * 65536 + 100 << QList<int> { 65536, 65536, 100 };
    }

    void blocks()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, blockSizes);
        TempFiles files;
        QByteArray content(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            content[i] = char(i % 7 == 0 ? '\r' : 'a' + i % 26);
        const QString path = files.write(QStringLiteral("b.eml"), content);
        ScriptedPrompts prompts;
        const BlockArray blocks = ReadFileToStringFSO(path, prompts);
        QList<int> sizes;
        QByteArray joined;
        for (qsizetype i = 0; i < blocks.size(); ++i) {
            sizes.append(int(blocks.block(i).size()));
            joined.append(blocks.block(i));
        }
        QCOMPARE(sizes, blockSizes);
        QCOMPARE(joined, content);
        QCOMPARE(blocks.wholeText(), content);
    }

    void unreadableFileGivesOneEmptyElementAndTheBox_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing file") << false;
        QTest::newRow("folder") << true;
    }

    void unreadableFileGivesOneEmptyElementAndTheBox()
    {
        QFETCH(bool, folder);
        TempFiles files;
        const QString path = folder ? files.path() : files.filePath(QStringLiteral("gone.eml"));
        QList<QJsonObject> shown;
        ScriptedPrompts prompts([&](const QJsonObject &p) { shown.append(p); });

        const LineArray lines = ReadFileToStringFSOLine(path, prompts);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.line(0).isEmpty());
        const BlockArray blocks = ReadFileToStringFSO(path, prompts);
        QCOMPARE(blocks.size(), 1);
        QVERIFY(blocks.block(0).isEmpty());

        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].value("title").toString(), QStringLiteral("Application Error"));
        QVERIFY(shown[0].value("text").toString().contains(
            QStringLiteral("\r\nin Quillmarsh2021/08/31.Main.ReadFileToStringFSOLine at line 100\r\r")));
        QVERIFY(shown[1].value("text").toString().contains(
            QStringLiteral("\r\nin Quillmarsh2021/08/31.Main.ReadFileToStringFSO at line 100\r\r")));
        QVERIFY(shown[0].value("text").toString().contains(path));
    }
};

QTEST_GUILESS_MAIN(TestCoreReading)
#include "test_core_reading.moc"
