// The main window's load and shut-down: first start, restored options and
// inputs, a bad stored option, the optional style and pointer files, the
// controls, and closing.

#include "AppFixture.h"
#include "TempFiles.h"
#include "gui/extract/Form2.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolTip>

class TestForm1Startup : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWithNoSettings()
    {
        AppFixture app;
        QVERIFY(app.shownPrompts().isEmpty());
        QCOMPARE(app.dump(QStringLiteral("Check1")).value("on").toBool(), false);
        QCOMPARE(app.dump(QStringLiteral("Check14")).value("on").toBool(), false);
        // The search options start off and stay out of the settings until
        // they are changed.
        for (const char *box : { "Check15", "Check16", "Check17" }) {
            QCOMPARE(app.dump(QString::fromLatin1(box)).value("on").toBool(), false);
            QVERIFY(!app.settings().contains(QString::fromLatin1(box)));
        }
        for (const char *box : { "Text1", "Text2", "Text5" })
            QCOMPARE(app.dump(QString::fromLatin1(box)).value("text").toString(), QString());
        const QJsonObject files = app.dump(QStringLiteral("ListView1"));
        QCOMPARE(files.value("headers").toArray(), QJsonArray { QStringLiteral("EML File(s)") });
        QCOMPARE(files.value("widths").toArray(), QJsonArray { 6700 });
        QCOMPARE(files.value("rows").toArray().size(), 0);
        const QJsonObject results = app.dump(QStringLiteral("ListView2"));
        QCOMPARE(results.value("headers").toArray(), QJsonArray { QStringLiteral("Results") });
        QCOMPARE(results.value("widths").toArray(), QJsonArray { 7300 });
        QCOMPARE(app.dump(QStringLiteral("ProgressBar1")).value("text").toString(), QStringLiteral("Progress Bar"));
        QCOMPARE(app.form().windowTitle(), QStringLiteral("Tollervane"));
        QCOMPARE(app.prompts().applicationTitle(), QStringLiteral("Tollervane"));
        QVERIFY(!app.form().AppClosing);
    }

    void storedOptionsAreRestored_data()
    {
        QTest::addColumn<QString>("check1");
        QTest::addColumn<QString>("check14");
        QTest::newRow("duplicates only") << QStringLiteral("1") << QStringLiteral("0");
        QTest::newRow("source only") << QStringLiteral("0") << QStringLiteral("1");
        QTest::newRow("both") << QStringLiteral("1") << QStringLiteral("1");
    }

    void storedOptionsAreRestored()
    {
        QFETCH(QString, check1);
        QFETCH(QString, check14);
        AppFixture app;
        app.settings().save(QStringLiteral("Check1"), check1);
        app.settings().save(QStringLiteral("Check14"), check14);
        app.restart();
        QCOMPARE(app.dump(QStringLiteral("Check1")).value("on").toBool(), check1 == QStringLiteral("1"));
        QCOMPARE(app.dump(QStringLiteral("Check14")).value("on").toBool(), check14 == QStringLiteral("1"));
        QVERIFY(app.shownPrompts().isEmpty());
    }

    void searchOptionsAreStoredAtOnceAndRestored_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tipHolds");
        const QString addressPattern = QStringLiteral("[a-z0-9._%+-]+@[a-z0-9.-]+\\.[a-z]+");
        QTest::newRow("patterns") << "Check15"
                                  << "Texts are regular expressions" << addressPattern;
        QTest::newRow("only matching") << "Check16"
                                       << "Extract only the matching text" << addressPattern;
        QTest::newRow("decoded") << "Check17"
                                 << "Read messages decoded" << QStringLiteral("decoded");
    }

    void searchOptionsAreStoredAtOnceAndRestored()
    {
        QFETCH(QString, box);
        QFETCH(QString, caption);
        QFETCH(QString, tipHolds);
        AppFixture app;
        auto *check = app.form().findChild<QCheckBox *>(box);
        QVERIFY(check);
        QCOMPARE(check->text(), caption);
        QVERIFY(check->toolTip().contains(tipHolds));
        app.run(QJsonObject { { "check", box }, { "on", true } });
        QCOMPARE(app.settings().read(box), QStringLiteral("1"));
        app.restart();
        QCOMPARE(app.dump(box).value("on").toBool(), true);
        app.run(QJsonObject { { "check", box }, { "on", false } });
        QCOMPARE(app.settings().read(box), QStringLiteral("0"));
        app.restart();
        QCOMPARE(app.dump(box).value("on").toBool(), false);
        QVERIFY(app.shownPrompts().isEmpty());
    }

    void badStoredOptionShowsTheBoxAndLoadingGoesOn()
    {
        AppFixture app;
        app.settings().save(QStringLiteral("Check14"), QStringLiteral("yes"));
        app.settings().save(QStringLiteral("Check1"), QStringLiteral("1"));
        app.settings().save(QStringLiteral("Text1"), QStringLiteral("subject:"));
        app.restart();
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].value("title").toString(), QStringLiteral("Application Error"));
        QCOMPARE(prompts[0].value("icon").toString(), QStringLiteral("warning"));
        const QStringList lines = prompts[0].value("text").toString().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith(QStringLiteral("in Quillmarsh2021/08/31.Form1.Form_Load at line ")));
        // The box stays clear; the later steps still ran.
        QCOMPARE(app.dump(QStringLiteral("Check14")).value("on").toBool(), false);
        QCOMPARE(app.dump(QStringLiteral("Check1")).value("on").toBool(), true);
        QCOMPARE(app.dump(QStringLiteral("Text1")).value("text").toString(), QStringLiteral("subject:"));
    }

    void typingStoresEachChangeAndARestartShowsIt()
    {
        AppFixture app;
        auto *box = app.form().findChild<QLineEdit *>(QStringLiteral("Text1"));
        QTest::keyClicks(box, QStringLiteral("abc"));
        QCOMPARE(app.settings().read(QStringLiteral("Text1")), QStringLiteral("abc"));
        app.run(R"({"set":"Text2","text":"not this"})");
        app.run(R"({"set":"Text5","text":"1,3,4"})");
        app.run(R"({"set":"Text5","text":""})");
        app.run(R"({"check":"Check1","on":true})");
        QCOMPARE(app.settings().read(QStringLiteral("Check1")), QStringLiteral("1"));
        app.run(R"({"check":"Check1","on":false})");
        QCOMPARE(app.settings().read(QStringLiteral("Check1")), QStringLiteral("0"));
        app.restart();
        QCOMPARE(app.dump(QStringLiteral("Text1")).value("text").toString(), QStringLiteral("abc"));
        QCOMPARE(app.dump(QStringLiteral("Text2")).value("text").toString(), QStringLiteral("not this"));
        QCOMPARE(app.dump(QStringLiteral("Text5")).value("text").toString(), QString());
        QVERIFY(app.settings().contains(QStringLiteral("Text5")));
        QCOMPARE(app.dump(QStringLiteral("Check1")).value("on").toBool(), false);
    }

    void styleFileIsAppliedWhenPresent()
    {
        TempFiles program;
        {
            AppFixture plain(program.path());
            QVERIFY(plain.form().styleSheet().isEmpty());
            QVERIFY(!plain.form().autoFillBackground());
        }
        program.write(QStringLiteral("x/o.cjs"), "QPushButton { font-weight: bold; }");
        AppFixture styled(program.path());
        QCOMPARE(styled.form().styleSheet(), QStringLiteral("QPushButton { font-weight: bold; }"));
        QVERIFY(styled.form().autoFillBackground());
        auto *frame = styled.form().findChild<QGroupBox *>(QStringLiteral("Frame2"));
        QCOMPARE(frame->palette().color(QPalette::Window), frame->palette().color(QPalette::Button));
        QVERIFY(styled.shownPrompts().isEmpty());
    }

    void controlsCarryTheirNamesCaptionsAndTips()
    {
        AppFixture app;
        const QList<QPair<QString, QString>> buttons = {
            { "PushButton1", "Add EML Files" },
            { "PushButton5", "Add All EML Files In Folder" },
            { "PushButton21", "Load List Of Files From Text File" },
            { "PushButton14", "Clear List" },
            { "PushButton3", "Remove Filenames Containing X" },
            { "PushButton11", "Remove Filenames Not Cont. X" },
            { "PushButton22", "Help" },
            { "PushButton23", "Load Sample/Example Files" },
            { "PushButton13", "Extract All Lines" },
            { "PushButton2", "Extract All Lines Containing This Text:" },
            { "PushButton8", "Extract All Lines Not Contain. This Text:" },
            { "PushButton10", "Help >" },
            { "PushButton7", "Extract Lines By Number:" },
            { "PushButton16", "Help >" },
            { "PushButton4", "Extract Between X and Y (Repeatedly)" },
            { "PushButton17", "Help >" },
            { "PushButton15", "Extract Lines Containing These Text Sets" },
            { "PushButton6", "Save Results As Text File" },
            { "PushButton12", "Save Results As Excel File" },
            { "PushButton18", "Copy Results To Clipboard" },
            { "PushButton9", "Clear List" },
            { "PushButton19", "Remove Results Containing X" },
            { "PushButton20", "Remove Results Not Containing X" },
        };
        for (const auto &[name, caption] : buttons) {
            auto *button = app.form().findChild<QPushButton *>(name);
            QVERIFY2(button, qPrintable(name));
            QCOMPARE(button->text(), caption);
            // Nothing is clipped: the button is at least as wide as its text.
            QVERIFY2(button->width() >= button->fontMetrics().horizontalAdvance(caption), qPrintable(name));
        }
        QCOMPARE(app.form().findChild<QCheckBox *>(QStringLiteral("Check14"))->text(),
            QStringLiteral("Show source filename next to extracted text"));
        QCOMPARE(app.form().findChild<QCheckBox *>(QStringLiteral("Check1"))->text(),
            QStringLiteral("Remove duplicate results"));
        QCOMPARE(
            app.form().findChild<QGroupBox *>(QStringLiteral("Frame2"))->title(), QStringLiteral("Extraction Options"));
        QCOMPARE(app.form().findChild<QTableView *>(QStringLiteral("ListView1"))->toolTip(),
            QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
                           "window to reveal full names."));
        QCOMPARE(app.form().findChild<QTableView *>(QStringLiteral("ListView2"))->toolTip(),
            QStringLiteral(
                "Double-click item to remove it. Move | line to right and out of window to reveal full names."));

        // Two columns: the file list's controls left of the results' ones.
        auto *list1 = app.form().findChild<QWidget *>(QStringLiteral("ListView1"));
        auto *list2 = app.form().findChild<QWidget *>(QStringLiteral("ListView2"));
        QVERIFY(list1->geometry().right() < list2->geometry().left());
        auto top = [&](const char *name) {
            return app.form().findChild<QWidget *>(QString::fromLatin1(name))->geometry().top();
        };
        QVERIFY(top("PushButton1") < top("PushButton21"));
        QVERIFY(top("PushButton13") < top("PushButton2"));
        QCOMPARE(top("PushButton25"), top("ProgressBar1"));
        QCOMPARE(top("PushButton17"), top("PushButton19"));
    }

    // Tab visits every control once, in screen order: the left column top
    // to bottom, then the options, the results list and its buttons.
    void tabOrderFollowsTheScreen()
    {
        AppFixture app;
        QWidget *start = app.form().findChild<QWidget *>(QStringLiteral("ListView1"));
        QVERIFY(start);
        QStringList visited;
        QWidget *at = start;
        do {
            if (at->focusPolicy() & Qt::TabFocus && !at->objectName().isEmpty())
                visited.append(at->objectName());
            at = at->nextInFocusChain();
        } while (at && at != start && visited.size() < 200);
        const QStringList expected = { QStringLiteral("ListView1"), QStringLiteral("PushButton1"),
            QStringLiteral("PushButton5"), QStringLiteral("PushButton21"), QStringLiteral("PushButton14"),
            QStringLiteral("PushButton3"), QStringLiteral("PushButton11"), QStringLiteral("PushButton22"),
            QStringLiteral("PushButton23"), QStringLiteral("PushButton13"), QStringLiteral("PushButton2"),
            QStringLiteral("Text1"), QStringLiteral("PushButton8"), QStringLiteral("Text2"),
            QStringLiteral("PushButton10"), QStringLiteral("PushButton7"), QStringLiteral("Text5"),
            QStringLiteral("PushButton16"), QStringLiteral("PushButton4"), QStringLiteral("PushButton17"),
            QStringLiteral("PushButton15"), QStringLiteral("PushButton25"), QStringLiteral("Text6"),
            QStringLiteral("Check14"), QStringLiteral("Check1"), QStringLiteral("Check15"), QStringLiteral("Check16"),
            QStringLiteral("Check17"), QStringLiteral("Check18"), QStringLiteral("ListView2"),
            QStringLiteral("PushButton6"), QStringLiteral("PushButton12"), QStringLiteral("PushButton18"),
            QStringLiteral("PushButton9"), QStringLiteral("PushButton19"), QStringLiteral("PushButton20") };
        QCOMPARE(visited.mid(0, expected.size()), expected);
        QCOMPARE(visited.removeDuplicates(), 0);
    }

    void closingEndsTheProgram()
    {
        AppFixture app;
        QSignalSpy closed(&app.form(), &Form1::closed);
        app.run(R"({"close":"Form1"})");
        QCOMPARE(closed.count(), 1);
        QVERIFY(app.form().AppClosing);
        QVERIFY(!app.form().isVisible());
    }

    void droppingSomethingOtherThanFilesIsRefused()
    {
        AppFixture app;
        auto *view = app.form().findChild<QTableView *>(QStringLiteral("ListView1"));
        QMimeData text;
        text.setText(QStringLiteral("/tmp/a.eml"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QMimeData web;
        web.setUrls({ QUrl(QStringLiteral("https://example.com/a.eml")) });
        QDragEnterEvent enterWeb(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enterWeb);
        QVERIFY(!enterWeb.isAccepted());
        app.dropFiles({ QStringLiteral("/tmp/with blank/a #1 %20.eml") });
        QCOMPARE(app.rows(QStringLiteral("ListView1")),
            (QList<QStringList> { { QStringLiteral("/tmp/with blank/a #1 %20.eml") } }));
    }

    void rowTooltipsKeepTheGuidance()
    {
        AppFixture app;
        const QString shortPath = QStringLiteral("/m/a.eml");
        const QString longPath = QStringLiteral("/m/") + QString(300, QLatin1Char('x')) + QStringLiteral(".eml");
        app.dropFiles({ shortPath, longPath });
        auto *view = app.form().findChild<QTableView *>(QStringLiteral("ListView1"));
        auto tipOverRow = [&](int row) {
            QToolTip::hideText();
            const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
            QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &help);
            return QToolTip::text();
        };
        // A row that fits shows the list's guidance; one cut off adds its
        // whole text on a second line.
        QCOMPARE(tipOverRow(0), view->toolTip());
        QCOMPARE(tipOverRow(1), view->toolTip() + QLatin1Char('\n') + longPath);
    }

    void textBoxesTakeTextsOfAnyLength()
    {
        AppFixture app;
        app.run(R"({"click":"PushButton4"})");
        const QString longText(40000, QLatin1Char('q'));
        int boxes = 0;
        for (QWidget *window : { static_cast<QWidget *>(&app.form()), static_cast<QWidget *>(app.form().form2()) }) {
            for (const char *name : { "Text1", "Text2", "Text5", "Text3", "Text4" }) {
                if (auto *box = window->findChild<QLineEdit *>(QString::fromLatin1(name))) {
                    box->setText(longText);
                    QCOMPARE(box->text().size(), longText.size());
                    ++boxes;
                }
            }
        }
        QCOMPARE(boxes, 5);
    }
};

QTEST_MAIN(TestForm1Startup)
#include "test_form1_startup.moc"
