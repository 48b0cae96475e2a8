// The CSV file of a table: read back by Python's csv module (a reader that
// knows nothing of how it was written), byte checks of the framing, and the
// file kept whole when a save fails or is stopped.

#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/EventPump.h"
#include "core/app/StopRequest.h"
#include "core/results/CsvTable.h"
#include "core/results/CsvWriter.h"
#include "core/results/ProgressDisplay.h"
#include "core/results/ReportCsvTable.h"
#include "core/results/ResultsModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

using Table = QList<QStringList>;

// A table given as its header and rows.
class ListTable : public CsvTable
{
public:
    ListTable(QStringList header, Table rows)
        : m_header(std::move(header))
        , m_rows(std::move(rows))
    { }

    int columnCount() const override { return int(m_header.size()); }
    QString header(int column) const override { return m_header.value(column); }
    qsizetype rowCount() const override { return m_rows.size(); }
    QString cell(qsizetype row, int column) const override { return m_rows[row].value(column); }

private:
    QStringList m_header;
    Table m_rows;
};

// The rows of a CSV file as Python's csv module reads them (strict quoting,
// the BOM taken off); "error" and the reason when it refuses the file.
std::pair<Table, QString> readBack(const QString &path)
{
    static const QString script = QStringLiteral("import csv, sys, json\n"
                                                 "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                                 "    json.dump(list(csv.reader(f, strict=True)), sys.stdout)\n");
    QProcess python;
    python.start(QStringLiteral("python3"), { QStringLiteral("-c"), script, path });
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return { {}, QString::fromUtf8(python.readAllStandardError()) };
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError)
        return { {}, error.errorString() };
    Table rows;
    for (const QJsonValue &row : json.array())
        rows.append(row.toVariant().toStringList());
    return { rows, QString() };
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every byte value but NUL, in order.
QByteArray everyByte()
{
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

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
    void setCaption(const QString &caption) override { captions.append(caption); }
};

} // namespace

class TestCsvWriter : public QObject
{
    Q_OBJECT

private:
    TempFiles files;
    ScriptedPrompts prompts;
    QList<QJsonObject> shown;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
            QSKIP("python3 is not installed");
    }

    void init()
    {
        shown.clear();
        prompts.setSink([this](const QJsonObject &prompt) { shown.append(prompt); });
        EventPump::setBudget(std::chrono::microseconds(10'000));
        StopRequest::clear();
    }

    void cleanup() { StopRequest::clear(); }

    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<Table>("rows");
        QTest::newRow("plain") << QStringList { "Results" } << Table { { "a" }, { "b c" } };
        QTest::newRow("quotes and commas") << QStringList { "A",
            "B" } << Table { { "say \"hi\"", "x,y" }, { "\"", "," }, { "\"\"", ",\"," }, { "a\"b", "\",\"" } };
        QTest::newRow("line breaks inside a cell") << QStringList { "A",
            "B" } << Table { { "one\ntwo", "cr\ronly" }, { "crlf\r\nin", "\r\n" }, { "\n\n", "end\r" } };
        QTest::newRow("leading and trailing blanks")
            << QStringList { " A ", "B" } << Table { { "  lead", "trail  " }, { " ", "\t tab \t" } };
        QTest::newRow("empty cells and an empty row")
            << QStringList { "A", "B", "C" } << Table { { "", "", "" }, { "", "x", "" }, { "only", "", "" } };
        QTest::newRow("a lone empty field") << QStringList { "Results" } << Table { { "x" }, { "" }, { "y" } };
        QTest::newRow("8-bit characters")
            << QStringList { "Results" } << Table { { QString::fromLatin1(everyByte()) }, { QStringLiteral("\xa0") } };
        QTest::newRow("Unicode") << QStringList { QStringLiteral("Ort"), QStringLiteral("Zeichen") }
                                 << Table { { QStringLiteral("Malmö"), QStringLiteral("😀, \"ok\"") },
                                        { QStringLiteral("日本語"), QStringLiteral("a\U0001F600\r\nb") } };
        QTest::newRow("many columns") << QStringList { "1", "2", "3", "4", "5" }
                                      << Table { { "a", "b,", "c\"", "d\n", "e" } };
    }

    void roundTrip()
    {
        QFETCH(QStringList, header);
        QFETCH(Table, rows);
        const QString path = files.filePath(QStringLiteral("round.csv"));
        const TextSaveOutcome outcome = CsvWriter::save(ListTable(header, rows), path, nullptr, prompts);
        QVERIFY(outcome.saved);
        QCOMPARE(outcome.rowsWritten, rows.size());
        QVERIFY(shown.isEmpty());
        const auto [read, error] = readBack(path);
        QCOMPARE(error, QString());
        QCOMPARE(read, Table { header } + rows);
    }

    // What the reader above forgives: the BOM, the line ends, quotes that
    // are not needed. An empty field alone on its line is quoted, or the
    // line would read as no row at all.
    void framing_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<Table>("rows");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("one column") << QStringList { "Results" } << Table { { "a" }, { "" } }
                                    << QByteArray("\xef\xbb\xbfResults\r\na\r\n\"\"\r\n");
        QTest::newRow("quoted only where needed")
            << QStringList { "A", "B" } << Table { { " x ", "y\"z" }, { "a\nb", "c,d" } }
            << QByteArray("\xef\xbb\xbf"
                          "A,B\r\n x ,\"y\"\"z\"\r\n\"a\nb\",\"c,d\"\r\n");
        QTest::newRow("8-bit as UTF-8") << QStringList { "R" } << Table { { QString::fromLatin1("caf\xe9") } }
                                        << QByteArray("\xef\xbb\xbfR\r\ncaf\xc3\xa9\r\n");
        QTest::newRow("no rows") << QStringList { "A", "B" } << Table {}
                                 << QByteArray("\xef\xbb\xbf"
                                               "A,B\r\n");
    }

    void framing()
    {
        QFETCH(QStringList, header);
        QFETCH(Table, rows);
        QFETCH(QByteArray, expected);
        const QString path = files.filePath(QStringLiteral("framing.csv"));
        QVERIFY(CsvWriter::save(ListTable(header, rows), path, nullptr, prompts).saved);
        QCOMPARE(readAll(path), expected);
    }

    // The results list through its adaptor: 8-bit texts come out as the
    // characters they show, paths as they are.
    void resultsList_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QList<QByteArray>>("texts");
        QTest::addColumn<Table>("expected");
        QTest::newRow("one column") << false << QStringList { {}, {}, {} }
                                    << QList<QByteArray> { "plain", "a,\"b\"\r\nc", everyByte() }
                                    << Table { { "Results" }, { "plain" }, { "a,\"b\"\r\nc" },
                                           { QString::fromLatin1(everyByte()) } };
        QTest::newRow("two columns") << true
                                     << QStringList { QStringLiteral("/m/Malmö 😀.eml"),
                                            QStringLiteral("/m/a,b \"c\".eml") }
                                     << QList<QByteArray> { "caf\xe9 \xff", "  x\ny  " }
                                     << Table { { "Source Filename", "Extraction Results" },
                                            { QStringLiteral("/m/Malmö 😀.eml"), QString::fromLatin1("caf\xe9 \xff") },
                                            { QStringLiteral("/m/a,b \"c\".eml"), "  x\ny  " } };
    }

    void resultsList()
    {
        QFETCH(bool, twoColumns);
        QFETCH(QStringList, paths);
        QFETCH(QList<QByteArray>, texts);
        QFETCH(Table, expected);
        ResultsModel list;
        if (twoColumns)
            list.setColumns(
                { { QStringLiteral("Source Filename"), 3000 }, { QStringLiteral("Extraction Results"), 4400 } });
        else
            list.setColumns({ { QStringLiteral("Results"), 7000 } });
        for (qsizetype i = 0; i < texts.size(); ++i)
            QVERIFY(list.appendResult(texts[i], paths[i], false, twoColumns));
        const QString path = files.filePath(QStringLiteral("results.csv"));
        QVERIFY(CsvWriter::save(ReportCsvTable(list), path, nullptr, prompts).saved);
        const auto [read, error] = readBack(path);
        QCOMPARE(error, QString());
        QCOMPARE(read, expected);
    }

    // A counted table of decoded text: every cell, the count included, in
    // its own column.
    void tableList()
    {
        ResultsModel list;
        list.setTextKind(TextKind::Unicode);
        list.setColumns({ { QStringLiteral("Source Filename"), 3000 }, { QStringLiteral("name"), 2000 },
            { QStringLiteral("address"), 2000 }, { QStringLiteral("Count"), 900 } });
        list.setTableLayout(2, true);
        const QByteArray name = QStringLiteral("Jörg, \"the\"\nMüller").toUtf8();
        for (int i = 0; i < 3; ++i)
            list.appendRow({ name, "j@example.de" }, QStringLiteral("/m/a.eml"), true, true);
        list.appendRow({ QByteArrayView(), "x@y.z" }, QStringLiteral("/m/b.eml"), true, true);
        const QString path = files.filePath(QStringLiteral("table.csv"));
        QVERIFY(CsvWriter::save(ReportCsvTable(list), path, nullptr, prompts).saved);
        const auto [read, error] = readBack(path);
        QCOMPARE(error, QString());
        QCOMPARE(read,
            (Table { { "Source Filename", "name", "address", "Count" },
                { "/m/a.eml", QString::fromUtf8(name), "j@example.de", "3" }, { "/m/b.eml", "", "x@y.z", "1" } }));
    }

    void progress()
    {
        Table rows;
        for (int i = 0; i < 2500; ++i)
            rows.append({ QStringLiteral("r") });
        RecordingBar bar;
        CsvWriter::save(ListTable({ "Results" }, rows), files.filePath(QStringLiteral("p.csv")), &bar, prompts);
        const QString writing = QStringLiteral("Writing file: p.csv");
        QCOMPARE(bar.captions,
            (QStringList { writing, writing, writing + QStringLiteral(" (1000)"), writing + QStringLiteral(" (2000)"),
                QStringLiteral("Done."), QStringLiteral("Progress Bar") }));
        QCOMPARE(bar.values.mid(0, 2), (QList<double> { 1, 10 }));
        QCOMPARE(bar.values[2], 1.0 / 2500 * 100);
        QCOMPARE(bar.values[2 + 2499], 100.0);
        QCOMPARE(bar.values.last(), 0.0);
        QCOMPARE(bar.values.size(), 2 + 2500 + 2);
    }

    // A stop at any point of the rows, or before the first, leaves the file
    // that was there and nothing beside it.
    void stopKeepsTheExistingFile_data()
    {
        QTest::addColumn<double>("stopAt");
        QTest::newRow("before the file is made") << 1.0;
        QTest::newRow("after the header") << 10.0;
        QTest::newRow("half way") << 50.0;
        QTest::newRow("at the last row") << 100.0;
    }

    void stopKeepsTheExistingFile()
    {
        QFETCH(double, stopAt);
        Table rows;
        for (int i = 0; i < 100; ++i)
            rows.append({ QStringLiteral("row"), QString::number(i) });
        const QString path = files.write(QStringLiteral("kept.csv"), "old,file\r\n");
        const QStringList before = QDir(files.path()).entryList(QDir::Files);
        RecordingBar bar;
        bar.onValue = [&](double value) {
            if (value == stopAt)
                StopRequest::ask();
        };
        const TextSaveOutcome outcome = CsvWriter::save(ListTable({ "A", "B" }, rows), path, &bar, prompts);
        QVERIFY(outcome.stopped);
        QVERIFY(!outcome.saved);
        QVERIFY(shown.isEmpty());
        QCOMPARE(readAll(path), QByteArray("old,file\r\n"));
        QCOMPARE(QDir(files.path()).entryList(QDir::Files), before);
        QCOMPARE(bar.values.last(), 0.0);
    }

    void failedWriteKeepsTheExistingFile()
    {
        Table rows;
        for (int i = 0; i < 20000; ++i)
            rows.append({ QString(40, QLatin1Char('w')) });
        const QString path = files.write(QStringLiteral("existing.csv"), "old content\r\n");
        const QStringList before = QDir(files.path()).entryList(QDir::Files);

        // Files may not grow beyond 64 KiB for the length of the save.
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const TextSaveOutcome outcome = CsvWriter::save(ListTable({ "Results" }, rows), path, nullptr, prompts);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!outcome.saved);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].value(QStringLiteral("text")).toString().contains(QStringLiteral("Main.SaveListviewAsCsv")));
        QCOMPARE(readAll(path), QByteArray("old content\r\n"));
        QCOMPARE(QDir(files.path()).entryList(QDir::Files), before);
    }

    void missingFolderIsReportedOnce()
    {
        const QString path = files.filePath(QStringLiteral("no/such/folder/x.csv"));
        const TextSaveOutcome outcome = CsvWriter::save(ListTable({ "A" }, { { "a" } }), path, nullptr, prompts);
        QVERIFY(!outcome.saved);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].value(QStringLiteral("text")).toString().contains(path));
        QVERIFY(!QFileInfo::exists(path));
    }

    // Rows cleared while the writer yields: the file ends with the last
    // whole row and is still a valid table.
    void listEmptiedDuringTheSave()
    {
        ResultsModel list;
        list.setColumns({ { QStringLiteral("Results"), 7000 } });
        for (int i = 0; i < 10; ++i)
            list.appendResult(QByteArray("row,") + QByteArray::number(i), QString(), false, false);
        RecordingBar bar;
        bar.onValue = [&](double value) {
            if (value == 40)
                list.clearRows();
        };
        const QString path = files.filePath(QStringLiteral("emptied.csv"));
        const TextSaveOutcome outcome = CsvWriter::save(ReportCsvTable(list), path, &bar, prompts);
        QVERIFY(outcome.saved);
        QCOMPARE(outcome.rowsWritten, 4);
        const auto [read, error] = readBack(path);
        QCOMPARE(error, QString());
        QCOMPARE(read, (Table { { "Results" }, { "row,0" }, { "row,1" }, { "row,2" }, { "row,3" } }));
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "test_csv_writer.moc"
