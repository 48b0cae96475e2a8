// The spreadsheet workbook of the results list: cell texts, worksheets that
// continue past the row limit, cut texts, and the workbook as LibreOffice
// reads it back (those checks are skipped where it is not installed).

#include "OfficeConversion.h"
#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/results/HandOff.h"
#include "core/results/ResultsModel.h"
#include "core/results/ResultsWorkbook.h"
#include "core/results/WorkbookFiles.h"
#include "core/results/WorkbookText.h"
#include "core/results/WorkbookWriter.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

using Rows = QList<QStringList>;

// Unzips one member of a workbook; nothing when unzip is missing.
std::optional<QByteArray> workbookMember(const QString &workbook, const QString &member)
{
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        return std::nullopt;
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), { QStringLiteral("-p"), workbook, member });
    if (!unzip.waitForFinished(60000) || unzip.exitCode() != 0)
        return std::nullopt;
    return unzip.readAllStandardOutput();
}

} // namespace

class TestResultsWorkbook : public QObject
{
    Q_OBJECT

private:
    TempFiles files;
    ScriptedPrompts prompts;
    OfficeConversion office;

    // Writes the list to a workbook through the export's own loop; fails the
    // test when a cell was refused.
    QString writeWorkbook(
        const ResultsModel &list, const QString &name, qsizetype rowsPerWorksheet, qsizetype *cut = nullptr)
    {
        const QString path = files.filePath(name);
        WorkbookWriter workbook(path, rowsPerWorksheet);
        ErrorTrap trap(prompts, QStringLiteral("Test.writeWorkbook"));
        WriteResultsWorkbook(list, workbook, trap, 100);
        workbook.finish();
        if (cut)
            *cut = workbook.cutTexts();
        if (trap.failures() != 0)
            qWarning("%d cells were refused", trap.failures());
        return trap.failures() == 0 ? path : QString();
    }

    QMap<QString, Rows> readBack(const QString &workbook)
    {
        const auto sheets = office.worksheets(workbook);
        if (!sheets)
            qWarning("LibreOffice could not convert %s", qPrintable(workbook));
        return sheets.value_or(QMap<QString, Rows>());
    }

private slots:
    void cellText_data()
    {
        QTest::addColumn<QByteArray>("latin1");
        QTest::addColumn<bool>("removeEquals");
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<bool>("cut");
        QTest::newRow("8-bit to UTF-8") << QByteArray("caf\xe9 \xff") << false << QByteArray("caf\xc3\xa9 \xc3\xbf")
                                        << false;
        QTest::newRow("= removed") << QByteArray("a=b==c") << true << QByteArray("abc") << false;
        QTest::newRow("= kept in the first column") << QByteArray("=x") << false << QByteArray("=x") << false;
        QTest::newRow("only =") << QByteArray("===") << true << QByteArray() << false;
        QTest::newRow("escape-like text") << QByteArray("a_x0041_b") << false << QByteArray("a_x005F_x0041_b") << false;
        QTest::newRow("escape-like once = is gone")
            << QByteArray("_x00=41_") << true << QByteArray("_x005F_x0041_") << false;
        QTest::newRow("not hex") << QByteArray("_x00G1_") << false << QByteArray("_x00G1_") << false;
        QTest::newRow("unclosed") << QByteArray("_x0041") << false << QByteArray("_x0041") << false;
        QTest::newRow("NUL") << QByteArray("a\0b", 3) << false << QByteArray("a_x0000_b") << false;
        QTest::newRow("at the limit") << QByteArray(32767, 'a') << false << QByteArray(32767, 'a') << false;
        QTest::newRow("over the limit") << QByteArray(32768, 'a') << false << QByteArray(32767, 'a') << true;
        QTest::newRow("limit in characters, not bytes")
            << QByteArray(32767, '\xe9') << false << QByteArray("\xc3\xa9").repeated(32767) << false;
        // An escape counts with its seven characters.
        QTest::newRow("escape over the limit")
            << QByteArray(32761, 'a') + "_x0041_" << false << QByteArray(32761, 'a') << true;
    }

    void cellText()
    {
        QFETCH(QByteArray, latin1);
        QFETCH(bool, removeEquals);
        QFETCH(QByteArray, utf8);
        QFETCH(bool, cut);
        const WorkbookText text = workbookTextFromLatin1(latin1, removeEquals);
        QCOMPARE(text.utf8, utf8);
        QCOMPARE(text.cut, cut);
    }

    void pathText()
    {
        const QString path = QStringLiteral("/post/日本/é_x0041_.eml");
        const WorkbookText text = workbookTextFromString(path);
        QCOMPARE(QString::fromUtf8(text.utf8), QStringLiteral("/post/日本/é_x005F_x0041_.eml"));
        QCOMPARE(text.characters, path.size());
        QVERIFY(!text.cut);
    }

    void rowsBeyondTheLimitGoOnAFurtherWorksheet()
    {
        ResultsModel list;
        list.setColumns({ { QStringLiteral("Results"), 7000 } });
        for (int i = 1; i <= 7; ++i)
            list.appendResult(QByteArray("row ") + QByteArray::number(i), QString(), false, false);
        // Four rows to a worksheet: the header and three results.
        const QString path = files.filePath(QStringLiteral("sheets.xlsx"));
        WorkbookWriter workbook(path, 4);
        ErrorTrap trap(prompts, QStringLiteral("Test"));
        WriteResultsWorkbook(list, workbook, trap, 100);
        workbook.finish();
        QCOMPARE(trap.failures(), 0);
        QCOMPARE(workbook.worksheetCount(), 3);

        if (!OfficeConversion::available())
            QSKIP("LibreOffice (soffice) is not installed");
        const QMap<QString, Rows> sheets = readBack(path);
        QCOMPARE(sheets.keys(), (QStringList { "Sheet1", "Sheet2", "Sheet3" }));
        QCOMPARE(sheets[QStringLiteral("Sheet1")], (Rows { { "Results" }, { "row 1" }, { "row 2" }, { "row 3" } }));
        QCOMPARE(sheets[QStringLiteral("Sheet2")], (Rows { { "Results" }, { "row 4" }, { "row 5" }, { "row 6" } }));
        QCOMPARE(sheets[QStringLiteral("Sheet3")], (Rows { { "Results" }, { "row 7" } }));
    }

    void fullWorksheetHoldsExactlyItsLimit()
    {
        // 1,048,576 results: the header and 1,048,575 of them fill the first
        // worksheet, the last one opens a second.
        ResultsModel list;
        list.setColumns({ { QStringLiteral("Results"), 7000 } });
        for (qsizetype i = 0; i < WorkbookWriter::RowsPerWorksheet; ++i)
            list.appendResult(QByteArrayView("x"), QString(), false, false);
        list.appendResult(QByteArrayView("last"), QString(), false, false);
        const QString path = files.filePath(QStringLiteral("full.xlsx"));
        WorkbookWriter workbook(path);
        ErrorTrap trap(prompts, QStringLiteral("Test"));
        WriteResultsWorkbook(list, workbook, trap, 100);
        workbook.finish();
        QCOMPARE(trap.failures(), 0);
        QCOMPARE(workbook.worksheetCount(), 2);

        const auto second = workbookMember(path, QStringLiteral("xl/worksheets/sheet2.xml"));
        if (!second)
            QSKIP("unzip is not installed");
        QVERIFY(second->contains("<dimension ref=\"A1:A3\"/>"));
        QVERIFY(second->contains("<t>x</t>"));
        QVERIFY(second->contains("<t>last</t>"));
    }

    void twoColumnWorkbookReadsBackExactly()
    {
        ResultsModel list;
        list.setColumns(
            { { QStringLiteral("Source Filename"), 3000 }, { QStringLiteral("Extraction Results"), 4400 } });
        const QString mail = QStringLiteral("/mail/a=1.eml");
        list.appendResult("a=b==c", mail, false, true);
        list.appendResult("=y", QStringLiteral("=x"), false, true);
        list.appendResult("caf\xe9 \xff", QStringLiteral("/mail/é.eml"), false, true);
        list.appendResult("_x0041_", mail, false, true);
        list.appendResult("  blanks  ", mail, false, true);
        list.appendResult("", mail, false, true);
        const QString path = writeWorkbook(list, QStringLiteral("two.xlsx"), WorkbookWriter::RowsPerWorksheet);
        QVERIFY(!path.isEmpty());
        if (!OfficeConversion::available())
            QSKIP("LibreOffice (soffice) is not installed");
        const QMap<QString, Rows> sheets = readBack(path);
        QCOMPARE(sheets.keys(), QStringList { "Sheet1" });
        const Rows expected = {
            { "Source Filename", "Extraction Results" },
            { mail, "abc" },
            { "=x", "y" },
            { QStringLiteral("/mail/é.eml"), QStringLiteral("café ÿ") },
            { mail, "_x0041_" },
            { mail, "  blanks  " },
            { mail, "" },
        };
        QCOMPARE(sheets[QStringLiteral("Sheet1")], expected);
    }

    void longTextIsCutAndCounted()
    {
        ResultsModel list;
        list.setColumns({ { QStringLiteral("Results"), 7000 } });
        list.appendResult(QByteArray(40000, 'L'), QString(), false, false);
        list.appendResult(QByteArrayView("short"), QString(), false, false);
        qsizetype cut = 0;
        const QString path = writeWorkbook(list, QStringLiteral("long.xlsx"), WorkbookWriter::RowsPerWorksheet, &cut);
        QVERIFY(!path.isEmpty());
        QCOMPARE(cut, 1);
        const auto sheet = workbookMember(path, QStringLiteral("xl/worksheets/sheet1.xml"));
        if (sheet) {
            // The fitted width stops at the widest a column can be.
            QVERIFY(sheet->contains("<col min=\"1\" max=\"1\" width=\"255.7109375\" customWidth=\"1\"/>"));
        }
        if (!OfficeConversion::available())
            QSKIP("LibreOffice (soffice) is not installed");
        const Rows rows = readBack(path).value(QStringLiteral("Sheet1"));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1][0], QString(32767, QLatin1Char('L')));
        QCOMPARE(rows[2][0], QStringLiteral("short"));
    }

    void exportOfAListEmptiedMeanwhile()
    {
        ResultsModel list;
        list.setColumns({ { QStringLiteral("Results"), 7000 } });
        for (int i = 0; i < 100; ++i)
            list.appendResult(QByteArray("row ") + QByteArray::number(i), QString(), false, false);
        // Every yield processes events; Clear List comes part way through.
        EventPump::setBudget(std::chrono::microseconds(0));
        int events = 0;
        QTimer clearer;
        clearer.setInterval(0);
        QObject::connect(&clearer, &QTimer::timeout, &list, [&] {
            if (++events == 60)
                list.clearRows();
        });
        clearer.start();
        const QString path = writeWorkbook(list, QStringLiteral("emptied.xlsx"), WorkbookWriter::RowsPerWorksheet);
        clearer.stop();
        EventPump::setBudget(std::chrono::microseconds(10'000));
        QVERIFY(!path.isEmpty());
        QCOMPARE(list.size(), 0);
        const auto sheet = workbookMember(path, QStringLiteral("xl/worksheets/sheet1.xml"));
        if (!sheet)
            QSKIP("unzip is not installed");
        // The header and the rows written before the list went.
        const QRegularExpression dimension(QStringLiteral("<dimension ref=\"A1:A(\\d+)\"/>"));
        const auto match = dimension.match(QString::fromUtf8(*sheet));
        QVERIFY(match.hasMatch());
        QVERIFY(match.captured(1).toInt() > 2 && match.captured(1).toInt() < 101);
    }

    void workbookFilesAreNewAndOldOnesGo()
    {
        const QDir folder(WorkbookFiles::folder());
        auto make = [&](const QString &name, int daysOld) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
            file.flush();
            QVERIFY(
                file.setFileTime(QDateTime::currentDateTime().addDays(-daysOld), QFileDevice::FileModificationTime));
        };
        make(QStringLiteral("Results-testold.xlsx"), 10);
        make(QStringLiteral("Results-testnew.xlsx"), 0);
        make(QStringLiteral("testother.txt"), 10);
        const QString first = WorkbookFiles::newWorkbookPath();
        const QString second = WorkbookFiles::newWorkbookPath();
        // Only the program's own old workbooks are removed.
        QVERIFY(!folder.exists(QStringLiteral("Results-testold.xlsx")));
        QVERIFY(folder.exists(QStringLiteral("Results-testnew.xlsx")));
        QVERIFY(folder.exists(QStringLiteral("testother.txt")));
        QVERIFY(first != second);
        for (const QString &path : { first, second }) {
            QCOMPARE(QFileInfo(path).absolutePath(), folder.absolutePath());
            QVERIFY(path.endsWith(QStringLiteral(".xlsx")));
            QVERIFY(QFileInfo::exists(path));
            QFile::remove(path);
        }
        QFile::remove(folder.filePath(QStringLiteral("Results-testnew.xlsx")));
        QFile::remove(folder.filePath(QStringLiteral("testother.txt")));
    }

    void handOffTellsWhetherTheProgramTookTheFile_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("taken");
        const QString sh = QStringLiteral("sh");
        QTest::newRow("ends well (passed to a running one)") << sh << QStringList { "-c", "exit 0" } << true;
        QTest::newRow("gives up at once") << sh << QStringList { "-c", "echo Application Error >&2; exit 1" } << false;
        QTest::newRow("still running after the wait") << sh << QStringList { "-c", "sleep 3" } << true;
        QTest::newRow("no such program") << QStringLiteral("/nonexistent/office") << QStringList() << false;
    }

    void handOffTellsWhetherTheProgramTookTheFile()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(bool, taken);
        QCOMPARE(HandOff::startAndWatch(program, arguments, std::chrono::milliseconds(500)), taken);
    }
};

QTEST_GUILESS_MAIN(TestResultsWorkbook)
#include "test_results_workbook.moc"
