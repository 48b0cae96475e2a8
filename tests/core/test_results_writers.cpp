// The clipboard text and the aligned text file of the results list, byte by
// byte, with their progress, their failures and a list that changes while
// they yield.

#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/EventPump.h"
#include "core/results/AlignedTextWriter.h"
#include "core/results/ClipboardAccess.h"
#include "core/results/ClipboardText.h"
#include "core/results/ProgressDisplay.h"
#include "core/results/ResultsModel.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

// A results list in either layout. A row is {text} or {path, text}; texts
// are 8-bit bytes.
struct Row
{
    QString path;
    QByteArray text;
};
using Rows = QList<Row>;

void fill(ResultsModel &list, bool twoColumns, const Rows &rows)
{
    list.clearRows();
    if (twoColumns)
        list.setColumns(
            { { QStringLiteral("Source Filename"), 3000 }, { QStringLiteral("Extraction Results"), 4400 } });
    else
        list.setColumns({ { QStringLiteral("Results"), 7000 } });
    for (const Row &row : rows)
        list.appendResult(row.text, row.path, false, twoColumns);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Records every value and caption the writer shows; can act on a value.
class RecordingBar : public ProgressDisplay
{
public:
    QList<double> values;
    QStringList captions;
    std::function<void(double)> onValue;

    void setProgress(double value) override
    {
        values.append(value);
        if (onValue)
            onValue(value);
    }
    void setCaption(const QString &caption) override
    {
        if (captions.isEmpty() || captions.last() != caption)
            captions.append(caption);
    }
};

// Refuses the clipboard a given number of times before taking it.
class BusyClipboard : public ScriptedPrompts
{
public:
    int refusals = 0;
    int attempts = 0;
    bool setClipboardText(const QString &text) override
    {
        ++attempts;
        if (refusals > 0) {
            --refusals;
            return false;
        }
        return ScriptedPrompts::setClipboardText(text);
    }
};

} // namespace

Q_DECLARE_METATYPE(Rows)

class TestResultsWriters : public QObject
{
    Q_OBJECT

private:
    TempFiles files;
    ScriptedPrompts prompts;
    QList<QJsonObject> shown;

private slots:
    void init()
    {
        shown.clear();
        prompts.setSink([this](const QJsonObject &prompt) { shown.append(prompt); });
        EventPump::setBudget(std::chrono::microseconds(10'000));
    }

    void clipboardText_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("expected");
        // The tab after the padded path stops the removal of blanks.
        QTest::newRow("two columns, empty and blank results")
            << true << Rows { { "/m/a.eml", "" }, { "/m/bb.eml", "   " } }
            << QStringLiteral("/m/a.eml \t\r\n/m/bb.eml\t\r\n");
        QTest::newRow("one column, blank line")
            << false << Rows { { {}, "x" }, { {}, "   " }, { {}, "y" } } << QStringLiteral("x\r\n\r\ny\r\n");
        QTest::newRow("tab inside the last column stops the removal")
            << false << Rows { { {}, "a\t  " } } << QStringLiteral("a\t\r\n");
        // Widths are in characters: the 8-bit bytes are one character each,
        // and so is the two-byte file-name form of "é".
        QTest::newRow("characters, not bytes")
            << true << Rows { { QStringLiteral("/m/é.eml"), "caf\xe9" }, { "/m/ab.eml", "\xff" } }
            << QStringLiteral("/m/é.eml \tcafé\r\n/m/ab.eml\tÿ\r\n");
    }

    void clipboardText()
    {
        QFETCH(bool, twoColumns);
        QFETCH(Rows, rows);
        QFETCH(QString, expected);
        ResultsModel list;
        fill(list, twoColumns, rows);
        QCOMPARE(ClipboardTextOf(list), expected);
        QVERIFY(CopyListviewToClipboard(list, prompts));
        QCOMPARE(prompts.clipboard(), expected);
    }

    void clipboardIsTriedUpToTheLimit_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<int>("attempts");
        QTest::newRow("free") << 0 << true << 1;
        QTest::newRow("free at the last attempt") << ClipboardAttempts - 1 << true << ClipboardAttempts;
        QTest::newRow("held throughout") << ClipboardAttempts << false << ClipboardAttempts;
    }

    void clipboardIsTriedUpToTheLimit()
    {
        QFETCH(int, refusals);
        QFETCH(bool, placed);
        QFETCH(int, attempts);
        BusyClipboard clipboard;
        clipboard.refusals = refusals;
        ResultsModel list;
        fill(list, false, { { {}, "x" } });
        QCOMPARE(CopyListviewToClipboard(list, clipboard), placed);
        QCOMPARE(clipboard.attempts, attempts);
        QCOMPARE(clipboard.clipboardSet(), placed);
    }

    void clipboardCopyOfAListEmptiedMeanwhile()
    {
        ResultsModel list;
        Rows rows;
        for (int i = 0; i < 50; ++i)
            rows.append(Row { QStringLiteral("/m/a.eml"), QByteArray("row ") + QByteArray::number(i) });
        fill(list, true, rows);
        const QString whole = ClipboardTextOf(list);
        // Every yield processes events; Clear List comes while the text is
        // being built (after the two measuring passes of 50 yields each).
        EventPump::setBudget(std::chrono::microseconds(0));
        int events = 0;
        QTimer clearer;
        clearer.setInterval(0);
        QObject::connect(&clearer, &QTimer::timeout, &list, [&] {
            if (++events == 130)
                list.clearRows();
        });
        clearer.start();
        const QString partial = ClipboardTextOf(list);
        QCOMPARE(list.size(), 0);
        QVERIFY(partial.size() > 0 && partial.size() < whole.size());
        QVERIFY(whole.startsWith(partial));
        QVERIFY(partial.endsWith(QStringLiteral("\r\n")));
    }

    void alignedFile_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("header wider than the rows")
            << false << Rows { { {}, "a" } } << QByteArray("Results\t\r\na      \t\r\n");
        // 8-bit bytes go out as they came in; the path as its file-name
        // bytes (UTF-8), padded by characters.
        QTest::newRow("bytes and file-name bytes")
            << true << Rows { { QStringLiteral("/m/é.eml"), "caf\xe9 \xff" }, { "/m/ab.eml", "\t" } }
            << QByteArray("Source Filename\tExtraction Results\t\r\n"
                          "/m/\xc3\xa9.eml       \tcaf\xe9 \xff            \t\r\n"
                          "/m/ab.eml      \t\t                 \t\r\n");
    }

    void alignedFile()
    {
        QFETCH(bool, twoColumns);
        QFETCH(Rows, rows);
        QFETCH(QByteArray, expected);
        ResultsModel list;
        fill(list, twoColumns, rows);
        const QString path = files.filePath(QStringLiteral("aligned.txt"));
        RecordingBar bar;
        SaveListviewProperlySpaced(list, path, &bar, prompts);
        QCOMPARE(readAll(path), expected);
        // Without a bar the file is the same.
        QFile::remove(path);
        SaveListviewProperlySpaced(list, path, nullptr, prompts);
        QCOMPARE(readAll(path), expected);
        QVERIFY(shown.isEmpty());
    }

    void progressAndThousandsCaptions()
    {
        ResultsModel list;
        Rows rows;
        for (int i = 0; i < 2500; ++i)
            rows.append(Row { {}, "r" });
        fill(list, false, rows);
        RecordingBar bar;
        SaveListviewProperlySpaced(list, files.filePath(QStringLiteral("results.txt")), &bar, prompts);

        const QString writing = QStringLiteral("Writing file: results.txt");
        QCOMPARE(bar.captions,
            (QStringList { writing, writing + QStringLiteral(" (1000)"), writing + QStringLiteral(" (2000)"),
                QStringLiteral("Done."), QStringLiteral("Progress Bar") }));
        QCOMPARE(bar.values.mid(0, 3), (QList<double> { 1, 10, 20 }));
        // Row r shows (r + 2500 / 2000) / 2500 x 100, never above 100.
        QCOMPARE(bar.values[3], 2.0 / 2500 * 100);
        QCOMPARE(bar.values[3 + 999], 1001.0 / 2500 * 100);
        QCOMPARE(bar.values[3 + 2498], 100.0);
        QCOMPARE(bar.values[3 + 2499], 100.0);
        QVERIFY(*std::max_element(bar.values.begin(), bar.values.end()) <= 100.0);
        QCOMPARE(bar.values.last(), 0.0);
        QCOMPARE(bar.values.size(), 3 + 2500 + 2);
    }

    void failedWriteKeepsTheExistingFile()
    {
        ResultsModel list;
        Rows rows;
        for (int i = 0; i < 20000; ++i)
            rows.append(Row { {}, QByteArray(40, 'w') });
        fill(list, false, rows);
        const QString path = files.write(QStringLiteral("existing.txt"), "old content\r\n");
        const QStringList before = QDir(files.path()).entryList(QDir::Files);

        // Files may not grow beyond 64 KiB for the length of the save.
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        SaveListviewProperlySpaced(list, path, nullptr, prompts);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]
                    .value(QStringLiteral("text"))
                    .toString()
                    .contains(QStringLiteral("Main.SaveListviewProperlySpaced at line 112")));
        QCOMPARE(readAll(path), QByteArray("old content\r\n"));
        // No half-written temporary file is left beside it.
        QCOMPARE(QDir(files.path()).entryList(QDir::Files), before);
    }

    void listEmptiedDuringTheSave()
    {
        ResultsModel list;
        Rows rows;
        for (int i = 0; i < 10; ++i)
            rows.append(Row { {}, QByteArray("row") + QByteArray::number(i) });
        fill(list, false, rows);
        RecordingBar bar;
        // As if Clear List were clicked while the writer yields after row 4.
        bar.onValue = [&](double value) {
            if (value == 40)
                list.clearRows();
        };
        const QString path = files.filePath(QStringLiteral("emptied.txt"));
        SaveListviewProperlySpaced(list, path, &bar, prompts);
        QVERIFY(shown.isEmpty());
        QCOMPARE(readAll(path), QByteArray("Results\t\r\nrow0   \t\r\nrow1   \t\r\nrow2   \t\r\nrow3   \t\r\n"));
        QCOMPARE(bar.captions.last(), QStringLiteral("Progress Bar"));
    }
};

QTEST_GUILESS_MAIN(TestResultsWriters)
#include "test_results_writers.moc"
