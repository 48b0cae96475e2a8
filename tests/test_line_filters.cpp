// The three line filters of the main window end to end: their checks before
// the run, their line tests, the conversion of line numbers with its error
// boxes, and the results list switched off while By Number examines a line.

#include "AppFixture.h"
#include "TempFiles.h"
#include "app/CaptionedProgressBar.h"
#include "app/EventPump.h"
#include "filelist/FileListModel.h"

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
};

QTEST_MAIN(TestLineFilters)
#include "test_line_filters.moc"
