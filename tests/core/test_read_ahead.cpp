// Files read ahead on a thread of their own: each handed out whole and in
// turn, whichever thread read it, while the list they come from changes,
// fails or stops. The ThreadSanitizer build runs these for the races.

#include "TempFiles.h"
#include "core/app/AppFailure.h"
#include "core/extract/ReadAhead.h"

#include <QTest>

#include <algorithm>

namespace {

// The bytes of file i: its number, then a pattern of the given size.
QByteArray contentOf(int i, qsizetype size)
{
    QByteArray bytes = QByteArray::number(i) + ':';
    bytes.reserve(size);
    while (bytes.size() < size)
        bytes.append(char('a' + (bytes.size() * 7 + i) % 26));
    return bytes;
}

} // namespace

class TestReadAhead : public QObject
{
    Q_OBJECT

private:
    TempFiles files;

    // count files named prefix-i, every largeEvery-th one large.
    QStringList makeFiles(const QString &prefix, int count, qsizetype small, qsizetype large, int largeEvery)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const qsizetype size = largeEvery > 0 && i % largeEvery == largeEvery - 1 ? large : small;
            paths.append(files.write(prefix + QString::number(i), contentOf(i, size)));
        }
        return paths;
    }

private slots:
    void filesComeWholeAndInTurn_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<qsizetype>("small");
        QTest::addColumn<qsizetype>("large");
        QTest::addColumn<int>("largeEvery");
        QTest::newRow("many small files") << 60 << qsizetype(1000) << qsizetype(0) << 0;
        QTest::newRow("empty files") << 12 << qsizetype(0) << qsizetype(0) << 0;
        // Larger than the bound on bytes read ahead, and read in pieces.
        QTest::newRow("large files among small ones")
            << 12 << qsizetype(300) << qsizetype(ReadAhead::MaxBytes + 123) << 4;
    }

    // The path offset places after the i-th, as a run's list gives it.
    static QString upcoming(const QStringList &paths, qsizetype i, qsizetype offset)
    {
        return i + offset < paths.size() ? paths[i + offset] : QString();
    }

    void filesComeWholeAndInTurn()
    {
        QFETCH(int, count);
        QFETCH(qsizetype, small);
        QFETCH(qsizetype, large);
        QFETCH(int, largeEvery);
        const QString prefix = QStringLiteral("turn-") + QString::number(count) + QLatin1Char('-');
        const QStringList paths = makeFiles(prefix, count, small, large, largeEvery);
        ReadAhead ahead;
        int restarts = 0;
        qsizetype furthest = 0;
        for (int i = 0; i < count; ++i) {
            const QByteArray bytes = ahead.take(paths[i], [&](qsizetype offset) {
                // Offset 0 is asked only when the slots are set up anew.
                restarts += offset == 0 ? 1 : 0;
                furthest = std::max(furthest, offset);
                return i + offset < paths.size() ? paths[i + offset] : QString();
            });
            const qsizetype size = largeEvery > 0 && i % largeEvery == largeEvery - 1 ? large : small;
            QCOMPARE(bytes, contentOf(i, size));
        }
        // The slots were set up once: every later file was the one expected;
        // and only the next few paths were ever asked for, however long
        // the list.
        QCOMPARE(restarts, 1);
        QVERIFY(furthest <= ReadAhead::Window);
        for (const QString &path : paths)
            QFile::remove(path);
    }

    // The list changes under the run: files read ahead for the old list are
    // dropped, and the new ones come in their turn.
    void listChangesMidway()
    {
        const QStringList first = makeFiles(QStringLiteral("first-"), 20, 2000, 0, 0);
        const QStringList second = makeFiles(QStringLiteral("second-"), 20, 3000, 0, 0);
        ReadAhead ahead;
        for (int i = 0; i < 5; ++i)
            QCOMPARE(
                ahead.take(first[i], [&](qsizetype offset) { return upcoming(first, i, offset); }), contentOf(i, 2000));
        for (int round = 0; round < 3; ++round) {
            for (int i = round; i < 20; i += 3)
                QCOMPARE(ahead.take(second[i], [&](qsizetype offset) { return upcoming(second, i, offset); }),
                    contentOf(i, 3000));
        }
        QCOMPARE(
            ahead.take(first[7], [&](qsizetype offset) { return upcoming(first, 7, offset); }), contentOf(7, 2000));
    }

    // A file that cannot be read fails at its own turn only.
    void failureComesAtItsTurn()
    {
        QStringList paths = makeFiles(QStringLiteral("fail-"), 10, 500, 0, 0);
        paths.insert(4, files.filePath(QStringLiteral("no such file")));
        ReadAhead ahead;
        for (int i = 0; i < paths.size(); ++i) {
            const auto take
                = [&] { return ahead.take(paths[i], [&](qsizetype offset) { return upcoming(paths, i, offset); }); };
            if (i == 4) {
                QVERIFY_THROWS_EXCEPTION(AppFailure, take());
                continue;
            }
            QCOMPARE(take(), contentOf(i < 4 ? i : i - 1, 500));
        }
    }

    // Stopped in the middle (with reads under way) and started again.
    void stopAndStartAgain()
    {
        const QStringList paths = makeFiles(QStringLiteral("stop-"), 30, 200'000, 0, 0);
        ReadAhead ahead;
        for (int round = 0; round < 5; ++round) {
            for (int i = round; i < round + 3; ++i)
                QCOMPARE(ahead.take(paths[i], [&](qsizetype offset) { return upcoming(paths, i, offset); }),
                    contentOf(i, 200'000));
            ahead.stop();
        }
    }
};

QTEST_GUILESS_MAIN(TestReadAhead)
#include "test_read_ahead.moc"
