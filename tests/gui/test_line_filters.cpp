// The three line filters of the main window end to end: their checks before
// the run, their line tests, the conversion of line numbers with its error
// boxes, and the results list switched off while By Number examines a line.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/app/EventPump.h"
#include "core/filelist/FileListModel.h"
#include "gui/app/CaptionedProgressBar.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

QByteArray numberedLines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "L" + QByteArray::number(i) + "\r\n";
    return text;
}

} // namespace

class TestLineFilters : public QObject
{
    Q_OBJECT

private:
    TempFiles files;
    QString message;
    QString sixLines;
    QString empty;

private slots:
    void initTestCase()
    {
        message = files.write(QStringLiteral("message.eml"),
            "Subject: Your invoice\r\nFrom: a@b\r\n\r\nno blank-here\r\nsubject: again\r\n");
        sixLines = files.write(QStringLiteral("six.eml"), numberedLines(6));
        empty = files.write(QStringLiteral("empty.eml"), "");
    }

    void checksComeBeforeTheRun_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::newRow("containing") << "PushButton2"
                                    << "Text1";
        QTest::newRow("not containing") << "PushButton8"
                                        << "Text2";
        QTest::newRow("by number") << "PushButton7"
                                   << "Text5";
    }

    void checksComeBeforeTheRun()
    {
        QFETCH(QString, button);
        QFETCH(QString, box);
        AppFixture app;
        app.dropFiles({ sixLines });
        app.run(R"({"click":"PushButton13"})");
        const Rows before = app.rows(QStringLiteral("ListView2"));
        app.form().fileList().clearRows();

        // An empty box is reported first, even with no files listed.
        app.transcript.clear();
        app.run(QJsonObject { { "click", button } });
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Fill out text to use to extract lines.") });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);

        // A box of one blank counts as filled in; then the empty file list.
        app.run(QJsonObject { { "set", box }, { "text", " " } });
        app.transcript.clear();
        app.run(QJsonObject { { "click", button } });
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("No files added.") });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
    }

    void lineTests_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Rows>("expected");
        QTest::newRow("containing, lower case search")
            << "PushButton2"
            << "Text1"
            << "subject:" << column({ "Subject: Your invoice", "subject: again" });
        QTest::newRow("containing, capitals") << "PushButton2"
                                              << "Text1"
                                              << "SUBJECT:" << column({ "Subject: Your invoice", "subject: again" });
        QTest::newRow("containing a blank")
            << "PushButton2"
            << "Text1"
            << " " << column({ "Subject: Your invoice", "From: a@b", "no blank-here", "subject: again" });
        QTest::newRow("not containing a blank") << "PushButton8"
                                                << "Text2"
                                                << " " << column({ "", "" });
        QTest::newRow("not containing") << "PushButton8"
                                        << "Text2"
                                        << "SUBJECT" << column({ "From: a@b", "", "no blank-here", "" });
        QTest::newRow("by number, empty file has line 1") << "PushButton7"
                                                          << "Text5"
                                                          << "1" << column({ "Subject: Your invoice", "" });
        QTest::newRow("containing, nothing in an empty file")
            << "PushButton2"
            << "Text1"
            << "a" << column({ "From: a@b", "no blank-here", "subject: again" });
    }

    void lineTests()
    {
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(Rows, expected);
        AppFixture app;
        app.dropFiles({ message, empty });
        app.run(QJsonObject { { "set", box }, { "text", text } });
        app.run(QJsonObject { { "click", button } });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        QVERIFY(!app.form().isBusyPointer());
    }

    void containingReadsItsBoxAtEveryLine_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<Rows>("expected");
        // The text changes from L1 to L2 when the second file begins.
        QTest::newRow("containing") << "PushButton2"
                                    << "Text1" << column({ "L1", "L2" });
        QTest::newRow("not containing") << "PushButton8"
                                        << "Text2"
                                        << column({ "L2", "L3", "L4", "L5", "L6", "L1", "L3", "L4", "L5", "L6" });
    }

    void containingReadsItsBoxAtEveryLine()
    {
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(Rows, expected);
        AppFixture app;
        app.dropFiles({ sixLines, sixLines });
        app.run(QJsonObject { { "set", box }, { "text", "L1" } });
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double value, const QString &) {
                if (value == 100)
                    app.run(QJsonObject { { "set", box }, { "text", "l2" } });
            });
        app.run(QJsonObject { { "click", button } });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
    }

    void byNumber_data()
    {
        QTest::addColumn<QString>("numbers");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("errorBoxes");
        QTest::newRow("list") << "1,3,4" << QStringList { "L1", "L3", "L4" } << 0;
        QTest::newRow("order and repeats") << "4,1,1,3" << QStringList { "L1", "L3", "L4" } << 0;
        QTest::newRow("blank after comma") << "3, 5" << QStringList { "L3", "L5" } << 0;
        QTest::newRow("half down") << "2.5" << QStringList { "L2" } << 0;
        QTest::newRow("half up") << "3.5" << QStringList { "L4" } << 0;
        QTest::newRow("beyond the file") << "7,0,-1" << QStringList {} << 0;
        QTest::newRow("leading number") << "5x" << QStringList { "L5" } << 1;
        QTest::newRow("no number") << "abc" << QStringList {} << 1;
        QTest::newRow("empty entry") << "1,,3" << QStringList { "L1", "L3" } << 1;
        QTest::newRow("no ranges") << "3-5" << QStringList { "L3" } << 1;
        QTest::newRow("out of range") << "40000" << QStringList {} << 1;
        QTest::newRow("two bad entries") << "x,2,y" << QStringList { "L2" } << 2;
    }

    void byNumber()
    {
        QFETCH(QString, numbers);
        QFETCH(QStringList, lines);
        QFETCH(int, errorBoxes);
        AppFixture app;
        app.dropFiles({ sixLines, files.filePath(QStringLiteral("missing.eml")), sixLines });
        app.run(QJsonObject { { "set", "Text5" }, { "text", numbers } });
        app.run(R"({"trace":"progress"})");
        app.run(R"({"click":"PushButton7"})");
        // The missing file is read as one empty line: line 1.
        const QStringList missing = lines.contains(QStringLiteral("L1")) ? QStringList { QString() } : QStringList {};
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column(lines + missing + lines));

        // The conversion's boxes all come before the first file is begun; the
        // missing file's box comes later, then "Done.".
        qsizetype firstProgress = -1;
        QList<qsizetype> conversionBoxes;
        for (qsizetype i = 0; i < app.transcript.size(); ++i) {
            const QJsonObject &line = app.transcript[i];
            if (firstProgress < 0 && line.value("text").toString().startsWith(QStringLiteral("Processing: ")))
                firstProgress = i;
            if (line.value("text").toString().contains(QStringLiteral("Form1.PushButton7_Click at line ")))
                conversionBoxes.append(i);
        }
        QCOMPARE(conversionBoxes.size(), errorBoxes);
        for (qsizetype at : conversionBoxes)
            QVERIFY(at < firstProgress);
        const QStringList messages = app.messageTexts();
        QCOMPARE(messages.size(), errorBoxes + 2);
        QVERIFY(messages[errorBoxes].contains(QStringLiteral("Main.ReadFileToStringFSOLine")));
        QCOMPARE(messages.last(), QStringLiteral("Done."));
    }

    void byNumberBeyondTheIntegerRange()
    {
        AppFixture app;
        const QString longFile = files.write(QStringLiteral("long.eml"), numberedLines(40001));
        app.dropFiles({ longFile, sixLines });
        app.run(R"({"set":"Text5","text":"40000"})");
        app.run(R"({"click":"PushButton7"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column({ "L40000" }));
        const QStringList messages = app.messageTexts();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].startsWith(QStringLiteral("Overflow\r\nin Quillmarsh2021/08/31.Form1.PushButton7_Click ")));
    }

    void byNumberSwitchesTheResultsListOffForEachLine()
    {
        AppFixture app;
        app.dropFiles({ sixLines, empty });
        app.run(R"({"set":"Text5","text":"2"})");
        QTableView *list = app.form().findChild<QTableView *>(QStringLiteral("ListView2"));

        // Every yield processes events here; a timer looks at the list each
        // time they are, and every change of its state is counted.
        const auto budget = EventPump::budget();
        EventPump::setBudget(std::chrono::microseconds(0));
        int switchedOff = 0;
        int seenOffDuringEvents = 0;
        int eventRounds = 0;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            ++eventRounds;
            seenOffDuringEvents += list->isEnabled() ? 0 : 1;
        });
        watcher.start(0);
        struct Counter : QObject
        {
            int *count;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::EnabledChange && !static_cast<QWidget *>(watched)->isEnabled())
                    ++*count;
                return false;
            }
        } counter;
        counter.count = &switchedOff;
        list->installEventFilter(&counter);
        app.run(R"({"click":"PushButton7"})");
        EventPump::setBudget(budget);

        QCOMPARE(app.rows(QStringLiteral("ListView2")), column({ "L2" }));
        QCOMPARE(switchedOff, 6 + 1); // once for each line examined
        QVERIFY(eventRounds > 0);
        QCOMPARE(seenOffDuringEvents, 0);
        QVERIFY(list->isEnabled());
        QVERIFY(!app.form().isBusyPointer());
    }

    // The two search options: lines by a pattern, and the matched pieces
    // instead of the lines (for literal texts too, as they stand in the line).
    void patternsAndMatchedText_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("patterns");
        QTest::addColumn<bool>("onlyMatching");
        QTest::addColumn<Rows>("expected");
        QTest::newRow("pattern at the line start")
            << "PushButton2"
            << "Text1"
            << "^subject:" << true << false << column({ "Subject: Your invoice", "subject: again" });
        QTest::newRow("pattern not matching") << "PushButton8"
                                              << "Text2"
                                              << "^s|^$" << true << false << column({ "From: a@b", "no blank-here" });
        QTest::newRow("matched pieces") << "PushButton2"
                                        << "Text1"
                                        << "[a-z]+:" << true << true << column({ "Subject:", "From:", "subject:" });
        QTest::newRow("lines passed over by a letter every match holds")
            << "PushButton2"
            << "Text1"
            << "SUBJ\\w*" << true << true << column({ "Subject", "subject" });
        QTest::newRow("empty matches give nothing") << "PushButton2"
                                                    << "Text1"
                                                    << "x*" << true << true << column({});
        QTest::newRow("literal pieces as they stand") << "PushButton2"
                                                      << "Text1"
                                                      << "s" << false << true << column({ "S", "s" });
        QTest::newRow("only matching leaves not containing alone")
            << "PushButton8"
            << "Text2"
            << "SUBJECT" << false << true << column({ "From: a@b", "", "no blank-here", "" });
    }

    void patternsAndMatchedText()
    {
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(bool, patterns);
        QFETCH(bool, onlyMatching);
        QFETCH(Rows, expected);
        AppFixture app;
        app.dropFiles({ message, empty });
        app.run(QJsonObject { { "set", box }, { "text", text } });
        app.run(QJsonObject { { "check", "Check15" }, { "on", patterns } });
        app.run(QJsonObject { { "check", "Check16" }, { "on", onlyMatching } });
        app.run(QJsonObject { { "click", button } });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
    }

    // A pattern that does not compile is reported, naming its box, before
    // anything is cleared.
    void invalidPatternChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");
        QTest::newRow("containing") << "PushButton2"
                                    << "Text1"
                                    << "Extract All Lines Containing This Text:";
        QTest::newRow("not containing") << "PushButton8"
                                        << "Text2"
                                        << "Extract All Lines Not Contain. This Text:";
    }

    void invalidPatternChangesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QString, caption);
        AppFixture app;
        app.dropFiles({ sixLines });
        app.run(R"({"click":"PushButton13"})");
        const Rows before = app.rows(QStringLiteral("ListView2"));
        const Rows files = app.rows(QStringLiteral("ListView1"));
        app.run(QJsonObject { { "set", box }, { "text", "(abcdef" } });
        app.run(R"({"check":"Check15","on":true})");
        app.transcript.clear();
        app.run(QJsonObject { { "click", button } });
        QCOMPARE(app.messageTexts(),
            QStringList { QStringLiteral("The text in \"%1\" is not a valid regular expression: missing closing "
                                         "parenthesis at position 7.")
                              .arg(caption) });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
        QCOMPARE(app.rows(QStringLiteral("ListView1")), files);
    }

    // A pattern that backtracks without end: the error box once for the run,
    // each such file's search ends, the other files are searched, and the
    // window keeps answering.
    void runawayPatternEndsTheFileOnly()
    {
        const QByteArray line = QByteArray(100 * 1024, 'a') + "b";
        const QString first = files.write(QStringLiteral("runaway1.eml"), line + "\r\n" + line + "\r\n");
        const QString second = files.write(QStringLiteral("runaway2.eml"), line + "\r\naaa\r\n");
        AppFixture app;
        app.dropFiles({ first, second, message });
        app.run(R"({"set":"Text1","text":"(a+)+$|^subject"})");
        app.run(R"({"check":"Check15","on":true})");
        QElapsedTimer sinceTick;
        qint64 longest = 0;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticks, &QTimer::timeout, [&] { longest = qMax(longest, sinceTick.restart()); });
        ticks.start(2);
        sinceTick.start();
        app.run(R"({"click":"PushButton2"})");
        longest = qMax(longest, sinceTick.elapsed());
        ticks.stop();
        const QStringList shown = app.messageTexts();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].startsWith(QStringLiteral("The regular expression needs too much work on a line of ")),
            qPrintable(shown[0]));
        QVERIFY(shown[0].contains(first));
        QCOMPARE(shown[1], QStringLiteral("Done."));
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column({ "Subject: Your invoice", "subject: again" }));
        qInfo("longest stall with a runaway pattern: %lld ms", longest);
        QVERIFY2(longest < 50, qPrintable(QStringLiteral("stall %1 ms").arg(longest)));
    }

    // The address pattern with both options gives what grep -o gives.
    void addressesAsGrepFindsThem()
    {
        const QString grep = QStandardPaths::findExecutable(QStringLiteral("grep"));
        if (grep.isEmpty())
            QSKIP("grep is not installed");
        const QString pattern = QStringLiteral("[a-z0-9._%+-]+@[a-z0-9.-]+\\.[a-z]+");
        const QString mail = files.write(QStringLiteral("addresses.eml"),
            "From: Ann <Ann.Lee@Example.COM>\r\nTo: bob@x.org, carol+list@mail.example.net.\r\n"
            "Cc: no-at-sign, @bare.com, x@y\r\n\r\nwrite to BOB@x.org or ann.lee@example.com\r\n");
        AppFixture app;
        app.dropFiles({ mail });
        app.run(QJsonObject { { "set", "Text1" }, { "text", pattern } });
        app.run(R"({"check":"Check15","on":true})");
        app.run(R"({"check":"Check16","on":true})");
        app.run(R"({"click":"PushButton2"})");

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        process.setProcessEnvironment(environment);
        process.start(grep, { QStringLiteral("-a"), QStringLiteral("-ioE"), pattern, mail });
        QVERIFY(process.waitForFinished());
        QStringList expected = QString::fromLatin1(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(expected.size(), 5);
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column(expected));
    }
};

QTEST_MAIN(TestLineFilters)
#include "test_line_filters.moc"
