// The Extract Between X and Y window end to end: its controls, its checks,
// the stretches it extracts (also across the 65,536-character blocks a file
// is read in), its stored markers and its hide-on-close life.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/filelist/FileListModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/extract/Form2.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

namespace {

Form2 *form2(AppFixture &app)
{
    return app.form().form2();
}

void setMarkers(AppFixture &app, const QString &x, const QString &y)
{
    app.run(QJsonObject { { "set", "Text3" }, { "text", x }, { "window", "Form2" } });
    app.run(QJsonObject { { "set", "Text4" }, { "text", y }, { "window", "Form2" } });
}

} // namespace

class TestBetweenWindow : public QObject
{
    Q_OBJECT

private:
    TempFiles files;

private slots:
    void opensAsItsOwnWindow()
    {
        AppFixture app;
        QVERIFY(!form2(app));
        app.run(R"({"click":"PushButton4"})");
        Form2 *window = form2(app);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->isWindow());
        QVERIFY(!window->isModal());
        QCOMPARE(window->windowTitle(), QStringLiteral("Extract Between X and Y (Repeatedly)"));
        // Its controls are where the driver looks for them.
        QVERIFY(
            window->findChild<QGroupBox *>(QStringLiteral("Frame2"))->findChild<QLineEdit *>(QStringLiteral("Text3")));
        QVERIFY(
            window->findChild<QGroupBox *>(QStringLiteral("Frame1"))->findChild<QLineEdit *>(QStringLiteral("Text4")));
        // The main window stays usable meanwhile.
        QVERIFY(app.form().isEnabled());
        // No owner window: it neither stays above the main window nor
        // minimises with it, and it still ends with the program.
        QVERIFY(!window->parentWidget());
        QPointer<Form2> watched(window);
        app.restart();
        QVERIFY(watched.isNull());
    }

    void checksComeBeforeTheRun_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("filesListed");
        QTest::addColumn<QString>("message");
        const QString fillOut
            = QStringLiteral("Fill out starting text (or character) and fill out ending text (or character).");
        QTest::newRow("no X") << ""
                              << ";" << true << fillOut;
        QTest::newRow("no Y") << "a"
                              << "" << true << fillOut;
        QTest::newRow("no markers, no files") << ""
                                              << "" << false << fillOut;
        QTest::newRow("no files") << "a"
                                  << ";" << false << "No files added.";
    }

    void checksComeBeforeTheRun()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, filesListed);
        QFETCH(QString, message);
        AppFixture app;
        const QString file = files.write(QStringLiteral("one.eml"), "a;b;");
        app.dropFiles({ file });
        app.run(R"({"click":"PushButton13"})");
        const Rows before = app.rows(QStringLiteral("ListView2"));
        if (!filesListed)
            app.form().fileList().clearRows();
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, x, y);
        app.transcript.clear();
        app.run(R"({"click":"PushButton4","window":"Form2"})");
        QCOMPARE(app.messageTexts(), QStringList { message });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
    }

    void extractsTheStretches_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("X kept, Y dropped") << QByteArray("a id=7; b; c ID=9;") << "id="
                                           << ";" << QStringList { "id=7", "ID=9" };
        QTest::newRow("help example") << QByteArray("The rain in spain falls mainly on the plain.") << "p"
                                      << "n" << QStringList { "pai", "plai" };
        QTest::newRow("several lines in one row") << QByteArray("To: a\r\nSubject: b\r\n c\r\nBody") << "subject"
                                                  << "\r\nBody" << QStringList { "Subject: b\r\n c" };
        QTest::newRow("blank markers, searched literally") << QByteArray("a  b c") << "  "
                                                           << " " << QStringList {};
        QTest::newRow("empty file") << QByteArray() << "a"
                                    << ";" << QStringList {};

        // A stretch that begins in the first 65,536 characters and ends in the
        // next ones, and one that begins exactly at the boundary.
        QByteArray across(65530, 'x');
        across += "<start>middle</end> <start>next</end>";
        QTest::newRow("across the block boundary") << across << "<START>"
                                                   << "</end>" << QStringList { "<start>middle", "<start>next" };
        QByteArray atBoundary(65536, '.');
        atBoundary.replace(65534, 2, "<s");
        atBoundary += "tart>here</end>";
        QTest::newRow("marker cut by the boundary") << atBoundary << "<start>"
                                                    << "</end>" << QStringList { "<start>here" };
    }

    void extractsTheStretches()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QStringList, expected);
        AppFixture app;
        app.dropFiles({ files.write(QStringLiteral("message.eml"), content) });
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, x, y);
        app.run(R"({"click":"PushButton4","window":"Form2"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column(expected));
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        const QJsonObject list = app.dump(QStringLiteral("ListView2"));
        QCOMPARE(list.value("headers").toArray(), QJsonArray { QStringLiteral("Results") });
    }

    // With regular expressions: the same cut, at every match of Y, from the
    // first match of X; a marker that does not compile stops the run before
    // anything is cleared.
    void patternMarkers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("links") << QByteArray("<a href=\"x\">t</a>\r\n<A HREF=y>u") << "<a href="
                               << ">" << QStringList { "<a href=\"x\"", "<A HREF=y" };
        QTest::newRow("classes and alternatives") << QByteArray("a id=7; b. c ID=99.\r\nid=x;") << "id=\\d+"
                                                  << ";|\\." << QStringList { "id=7", "ID=99" };
        QTest::newRow("invalid X") << QByteArray("a;") << "a("
                                   << ";"
                                   << QStringList { "The text in \"Start with (X)\" is not a valid regular "
                                                    "expression: missing closing parenthesis at position 2." };
        QTest::newRow("invalid Y") << QByteArray("a;") << "a"
                                   << "[;"
                                   << QStringList { "The text in \"End with (Y)\" is not a valid regular "
                                                    "expression: missing terminating ] for character class at "
                                                    "position 2." };
    }

    void patternMarkers()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QStringList, expected);
        AppFixture app;
        app.dropFiles({ files.write(QStringLiteral("message.eml"), content) });
        app.run(R"({"click":"PushButton13"})");
        const Rows before = app.rows(QStringLiteral("ListView2"));
        app.run(R"({"check":"Check15","on":true})");
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, x, y);
        app.transcript.clear();
        app.run(R"({"click":"PushButton4","window":"Form2"})");
        if (QString::fromUtf8(QTest::currentDataTag()).startsWith(QStringLiteral("invalid"))) {
            QCOMPARE(app.messageTexts(), expected);
            QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
            return;
        }
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column(expected));
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
    }

    void optionsApplyToTheStretches_data()
    {
        QTest::addColumn<bool>("removeDuplicates");
        QTest::addColumn<bool>("showSource");
        QTest::addColumn<Rows>("expected");
        const QString a = files.write(QStringLiteral("a.eml"), "[x] [x] [y]");
        const QString b = files.write(QStringLiteral("b.eml"), "[x]");
        QTest::newRow("all") << false << false << column({ "[x", "[x", "[y", "[x" });
        QTest::newRow("no duplicates") << true << false << column({ "[x", "[y" });
        QTest::newRow("source") << false << true << Rows { { a, "[x" }, { a, "[x" }, { a, "[y" }, { b, "[x" } };
        QTest::newRow("source, no duplicates") << true << true << Rows { { a, "[x" }, { a, "[y" }, { b, "[x" } };
    }

    void optionsApplyToTheStretches()
    {
        QFETCH(bool, removeDuplicates);
        QFETCH(bool, showSource);
        QFETCH(Rows, expected);
        AppFixture app;
        app.run(QJsonObject { { "check", "Check1" }, { "on", removeDuplicates } });
        app.run(QJsonObject { { "check", "Check14" }, { "on", showSource } });
        app.dropFiles({ files.filePath(QStringLiteral("a.eml")), files.filePath(QStringLiteral("b.eml")) });
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, "[", "]");
        app.run(R"({"click":"PushButton4","window":"Form2"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
    }

    void busyPointerIsOnThisWindow()
    {
        AppFixture app;
        const QString file = files.write(QStringLiteral("p.eml"), "a;");
        app.dropFiles({ file, file });
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, "a", ";");
        QList<bool> secondaryBusy;
        QList<bool> mainBusy;
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double value, const QString &) {
                if (value > 0) {
                    secondaryBusy.append(form2(app)->isBusyPointer());
                    mainBusy.append(app.form().isBusyPointer());
                }
            });
        app.run(R"({"trace":"progress"})");
        app.run(R"({"click":"PushButton4","window":"Form2"})");
        // Busy from before the first progress step on, and only this window.
        QVERIFY(secondaryBusy.size() >= 2);
        QVERIFY(!secondaryBusy.contains(false));
        QVERIFY(!mainBusy.contains(true));
        QVERIFY(!form2(app)->isBusyPointer());
        QCOMPARE(app.dump(QStringLiteral("ProgressBar1")).value("text").toString(), QStringLiteral("Progress Bar"));
    }

    void markersAreStoredAndComeBack()
    {
        AppFixture app;
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, " From ", "\u00e9;");
        QJsonObject values = app.dump(QStringLiteral("settings")).value("values").toObject();
        QCOMPARE(values.value("StartWith").toString(), QStringLiteral(" From "));
        QCOMPARE(values.value("EndWith").toString(), QStringLiteral("\u00e9;"));
        app.run(R"({"set":"Text4","text":"","window":"Form2"})");
        values = app.dump(QStringLiteral("settings")).value("values").toObject();
        QVERIFY(values.contains("EndWith"));
        QCOMPARE(values.value("EndWith").toString(), QString());
        app.run(R"({"set":"Text4","text":"\u00e9;","window":"Form2"})");

        app.restart();
        app.run(R"({"click":"PushButton4"})");
        QCOMPARE(app.dump(QStringLiteral("Text3"), QStringLiteral("Form2")).value("text").toString(),
            QStringLiteral(" From "));
        QCOMPARE(app.dump(QStringLiteral("Text4"), QStringLiteral("Form2")).value("text").toString(),
            QStringLiteral("\u00e9;"));
    }

    void closingHidesAndReopeningShowsTheSameMarkers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("title bar") << "close";
        QTest::newRow("Close This Window") << "button";
    }

    void closingHidesAndReopeningShowsTheSameMarkers()
    {
        QFETCH(QString, how);
        AppFixture app;
        app.run(R"({"click":"PushButton4"})");
        setMarkers(app, "x", "y");
        Form2 *window = form2(app);
        if (how == QStringLiteral("close"))
            app.run(R"({"close":"Form2"})");
        else
            app.run(R"({"click":"PushButton1","window":"Form2"})");
        QVERIFY(!window->isVisible());
        QCOMPARE(form2(app), window);

        // Reopening runs no load steps: a value stored meanwhile is not read.
        app.settings().save(QStringLiteral("StartWith"), QStringLiteral("other"));
        app.run(R"({"click":"PushButton4"})");
        QCOMPARE(form2(app), window);
        QVERIFY(window->isVisible());
        QCOMPARE(
            app.dump(QStringLiteral("Text3"), QStringLiteral("Form2")).value("text").toString(), QStringLiteral("x"));
        QVERIFY(app.messageTexts().isEmpty());
    }
};

QTEST_MAIN(TestBetweenWindow)
#include "test_between_window.moc"
