// The text-sets window end to end: the set list and how it is stored and
// loaded, Start Extracting with its checks and its duplicate rules, a list
// edited during a run, and the window's hide-on-close life.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/app/EventPump.h"
#include "core/filelist/FileListModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/extract/Form3.h"

#include <QComboBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

Form3 *form3(AppFixture &app)
{
    return app.form().form3();
}

QStringList setList(AppFixture &app)
{
    QStringList sets;
    for (const QJsonValue &item : app.dump(QStringLiteral("Combo1"), QStringLiteral("Form3")).value("items").toArray())
        sets.append(item.toString());
    return sets;
}

int selectedEntry(AppFixture &app)
{
    return app.dump(QStringLiteral("Combo1"), QStringLiteral("Form3")).value("selected").toInt();
}

QString stored(AppFixture &app, const QString &key)
{
    return app.dump(QStringLiteral("settings")).value("values").toObject().value(key).toString();
}

void addSet(AppFixture &app, const QString &text)
{
    app.run(QJsonObject { { "answers", QJsonArray { QJsonObject { { "text", text } } } } });
    app.run(R"({"click":"PushButton2","window":"Form3"})");
}

} // namespace

class TestTextSetsWindow : public QObject
{
    Q_OBJECT

private:
    TempFiles files;
    QString invoice;
    QString invoiceCopy;

private slots:
    void initTestCase()
    {
        const QByteArray content = "Subject: your invoice\r\nThe invoice for you\r\nFax: 555\r\n";
        invoice = files.write(QStringLiteral("invoice.eml"), content);
        invoiceCopy = files.write(QStringLiteral("copy.eml"), content);
    }

    void storedListLoads_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("sets");
        QTest::newRow("nothing stored") << QString() << QStringList {};
        QTest::newRow("two") << "a!!!QUIRL!!!b" << QStringList { "a", "b" };
        QTest::newRow("trailing delimiter") << "a!!!QUIRL!!!" << QStringList { "a", "" };
    }

    void storedListLoads()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, sets);
        AppFixture app;
        if (!value.isNull())
            app.settings().save(QStringLiteral("Combo1"), value);
        app.run(R"({"click":"PushButton15"})");
        QVERIFY(form3(app)->isVisible());
        QCOMPARE(form3(app)->windowTitle(), QStringLiteral("Extract Lines Containing These Text Sets"));
        QCOMPARE(setList(app), sets);
        QCOMPARE(selectedEntry(app), -1);
        QVERIFY(!form3(app)->findChild<QComboBox *>(QStringLiteral("Combo1"))->isEditable());
    }

    void editingTheListStoresIt()
    {
        AppFixture app;
        app.run(R"({"click":"PushButton15"})");
        addSet(app, QStringLiteral("invoice"));
        addSet(app, QStringLiteral("   "));
        addSet(app, QStringLiteral(" Re: "));
        QCOMPARE(setList(app), (QStringList { "invoice", "   ", " Re: " }));
        QCOMPARE(stored(app, "Combo1"), QStringLiteral("invoice!!!QUIRL!!!   !!!QUIRL!!! Re: "));
        QCOMPARE(selectedEntry(app), -1);

        // Remove without a selection removes nothing.
        app.run(R"({"click":"PushButton1","window":"Form3"})");
        QCOMPARE(setList(app).size(), 3);
        app.run(R"({"select":"Combo1","window":"Form3","row":2})");
        app.run(R"({"click":"PushButton1","window":"Form3"})");
        QCOMPARE(setList(app), (QStringList { "invoice", " Re: " }));
        QCOMPARE(stored(app, "Combo1"), QStringLiteral("invoice!!!QUIRL!!! Re: "));

        // Cancel adds nothing.
        app.run(R"({"answers":["Cancel"]})");
        app.run(R"({"click":"PushButton2","window":"Form3"})");
        QCOMPARE(setList(app).size(), 2);

        app.restart();
        app.run(R"({"click":"PushButton15"})");
        QCOMPARE(setList(app), (QStringList { "invoice", " Re: " }));
        app.run(R"({"click":"PushButton5","window":"Form3"})");
        QCOMPARE(setList(app), QStringList {});
        QCOMPARE(stored(app, "Combo1"), QString());
        app.restart();
        app.run(R"({"click":"PushButton15"})");
        QCOMPARE(setList(app), QStringList {});
    }

    void setsLoadedFromFilesAreStoredOnlyByTheNextEdit()
    {
        AppFixture app;
        const QString first = files.write(QStringLiteral("first.txt"), "alpha\r\n\r\n   \r\n  beta \r\n");
        const QString second = files.write(QStringLiteral("second.txt"), "gamma");
        app.settings().save(QStringLiteral("Combo1"), QStringLiteral("kept"));
        app.run(R"({"click":"PushButton15"})");
        app.run(QJsonObject { { "answers",
            QJsonArray {
                QJsonObject { { "files", QJsonArray { first, files.filePath("missing.txt"), second } } } } } });
        app.run(R"({"click":"PushButton3","window":"Form3"})");
        QCOMPARE(setList(app), (QStringList { "kept", "alpha", "  beta ", "gamma" }));
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("File not found") });
        QCOMPARE(app.shownPrompts().first().value("title").toString(),
            QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(stored(app, "Combo1"), QStringLiteral("kept"));

        // A restart without an edit loses them.
        app.restart();
        app.run(R"({"click":"PushButton15"})");
        QCOMPARE(setList(app), QStringList { "kept" });

        // Loaded again, an Add Item that is cancelled stores them all.
        app.run(QJsonObject { { "answers", QJsonArray { QJsonObject { { "files", QJsonArray { second } } } } } });
        app.run(R"({"click":"PushButton3","window":"Form3"})");
        app.run(R"({"answers":["Cancel"]})");
        app.run(R"({"click":"PushButton2","window":"Form3"})");
        QCOMPARE(stored(app, "Combo1"), QStringLiteral("kept!!!QUIRL!!!gamma"));
    }

    void checksComeBeforeTheRun()
    {
        AppFixture app;
        app.dropFiles({ invoice });
        app.run(R"({"click":"PushButton13"})");
        const Rows before = app.rows(QStringLiteral("ListView2"));
        app.run(R"({"click":"PushButton15"})");

        // With files but no text sets.
        app.transcript.clear();
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Fill out combobox text to use to extract lines.") });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
        QVERIFY(!form3(app)->isBusyPointer());

        // The file list is tested first, even when there are no sets either.
        app.form().fileList().clearRows();
        app.transcript.clear();
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("No files added.") });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
    }

    void duplicateRules_data()
    {
        QTest::addColumn<bool>("removeDuplicates");
        QTest::addColumn<bool>("showSource");
        QTest::addColumn<Rows>("expected");
        const QString line = QStringLiteral("Subject: your invoice");
        const QString other = QStringLiteral("The invoice for you");
        QTest::newRow("each set") << false << false << column({ line, line, other, line, line, other });
        QTest::newRow("no duplicates") << true << false << column({ line, other });
        QTest::newRow("source") << false << true
                                << Rows { { invoice, line }, { invoice, line }, { invoice, other },
                                       { invoiceCopy, line }, { invoiceCopy, line }, { invoiceCopy, other } };
        QTest::newRow("source, no duplicates")
            << true << true
            << Rows { { invoice, line }, { invoice, other }, { invoiceCopy, line }, { invoiceCopy, other } };
    }

    void duplicateRules()
    {
        QFETCH(bool, removeDuplicates);
        QFETCH(bool, showSource);
        QFETCH(Rows, expected);
        AppFixture app;
        app.run(QJsonObject { { "check", "Check1" }, { "on", removeDuplicates } });
        app.run(QJsonObject { { "check", "Check14" }, { "on", showSource } });
        app.dropFiles({ invoice, invoiceCopy });
        app.run(R"({"click":"PushButton15"})");
        // Matched ignoring case; a set of two words only where they stand
        // together.
        addSet(app, QStringLiteral("INVOICE"));
        addSet(app, QStringLiteral("subject"));
        addSet(app, QStringLiteral("invoice for me"));
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        QVERIFY(!form3(app)->isBusyPointer());
        QVERIFY(!app.form().isBusyPointer());
    }

    // The sets as patterns, tested in list order at each line, and the
    // matched pieces instead of the lines.
    void setsAsPatternsAndMatchedText_data()
    {
        QTest::addColumn<bool>("patterns");
        QTest::addColumn<bool>("onlyMatching");
        QTest::addColumn<QStringList>("sets");
        QTest::addColumn<Rows>("expected");
        const QString line = QStringLiteral("Subject: your invoice");
        const QString other = QStringLiteral("The invoice for you");
        QTest::newRow("plain words as patterns")
            << true << false << QStringList { "INVOICE", "subject", "invoice for me" } << column({ line, line, other });
        QTest::newRow("patterns in list order")
            << true << false << QStringList { "^fax: \\d+$", "you\\b" } << column({ other, "Fax: 555" });
        QTest::newRow("matched pieces") << true << true << QStringList { "inv[a-z]+", "\\d" }
                                        << column({ "invoice", "invoice", "5", "5", "5" });
        QTest::newRow("literal pieces as they stand")
            << false << true << QStringList { "YOU", "fax" } << column({ "you", "you", "Fax" });
    }

    void setsAsPatternsAndMatchedText()
    {
        QFETCH(bool, patterns);
        QFETCH(bool, onlyMatching);
        QFETCH(QStringList, sets);
        QFETCH(Rows, expected);
        AppFixture app;
        app.run(QJsonObject { { "check", "Check15" }, { "on", patterns } });
        app.run(QJsonObject { { "check", "Check16" }, { "on", onlyMatching } });
        app.dropFiles({ invoice });
        app.run(R"({"click":"PushButton15"})");
        for (const QString &set : std::as_const(sets))
            addSet(app, set);
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        QVERIFY(!form3(app)->isBusyPointer());
    }

    void invalidSetPatternChangesNothing()
    {
        AppFixture app;
        app.dropFiles({ invoice });
        app.run(R"({"click":"PushButton13"})");
        const Rows before = app.rows(QStringLiteral("ListView2"));
        app.run(R"({"check":"Check15","on":true})");
        app.run(R"({"click":"PushButton15"})");
        addSet(app, QStringLiteral("invoice"));
        addSet(app, QStringLiteral("a(b"));
        app.transcript.clear();
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        QCOMPARE(app.messageTexts(),
            QStringList { QStringLiteral("The text in \"Extract Lines Containing These Text Sets\" is not a valid "
                                         "regular expression: missing closing parenthesis at position 3.") });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), before);
        QCOMPARE(app.rows(QStringLiteral("ListView1")), column({ invoice }));
        QVERIFY(!form3(app)->isBusyPointer());
    }

    void listEditedDuringARun_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<Rows>("expected");
        // The edit is made when the second file begins.
        QTest::newRow("cleared") << "clear" << column({ "Subject: your invoice", "The invoice for you", "Fax: 555" });
        QTest::newRow("first removed") << "remove"
                                       << column({ "Subject: your invoice", "The invoice for you", "Fax: 555",
                                              "Fax: 555" });
        QTest::newRow("added sets are not used") << "add"
                                                 << column({ "Subject: your invoice", "The invoice for you", "Fax: 555",
                                                        "Subject: your invoice", "The invoice for you", "Fax: 555" });
    }

    void listEditedDuringARun()
    {
        QFETCH(QString, edit);
        QFETCH(Rows, expected);
        AppFixture app;
        app.dropFiles({ invoice, invoiceCopy });
        app.run(R"({"click":"PushButton15"})");
        addSet(app, QStringLiteral("invoice"));
        addSet(app, QStringLiteral("fax"));
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&, done = false](double value, const QString &) mutable {
                if (value != 100 || done)
                    return;
                done = true;
                if (edit == QStringLiteral("clear")) {
                    app.run(R"({"click":"PushButton5","window":"Form3"})");
                } else if (edit == QStringLiteral("remove")) {
                    app.run(R"({"select":"Combo1","window":"Form3","row":1})");
                    app.run(R"({"click":"PushButton1","window":"Form3"})");
                } else {
                    addSet(app, QStringLiteral("subject"));
                }
            });
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
    }

    void resultsListIsOffForEachExaminedLine()
    {
        AppFixture app;
        // Every line of the first file holds the set, so each is examined on
        // its own; the empty file's line holds none.
        app.dropFiles({ files.write(QStringLiteral("faxes.eml"), "Fax: 1\r\nfax 2\r\nFAX"),
            files.write(QStringLiteral("empty.eml"), "") });
        app.run(R"({"click":"PushButton15"})");
        addSet(app, QStringLiteral("fax"));
        QTableView *list = app.form().findChild<QTableView *>(QStringLiteral("ListView2"));
        const auto budget = EventPump::budget();
        EventPump::setBudget(std::chrono::microseconds(0));
        int switchedOff = 0;
        QList<bool> enabledDuringEvents;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] { enabledDuringEvents.append(list->isEnabled()); });
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
        app.run(R"({"click":"PushButton4","window":"Form3"})");
        EventPump::setBudget(budget);
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column({ "Fax: 1", "fax 2", "FAX" }));
        QCOMPARE(switchedOff, 3 + 1);
        QVERIFY(!enabledDuringEvents.isEmpty());
        QVERIFY(!enabledDuringEvents.contains(false));
        QVERIFY(list->isEnabled());
    }

    void closingHidesAndReopeningShowsTheSameList()
    {
        AppFixture app;
        app.run(R"({"click":"PushButton15"})");
        addSet(app, QStringLiteral("one"));
        addSet(app, QStringLiteral("two"));
        app.run(R"({"select":"Combo1","window":"Form3","row":2})");
        Form3 *window = form3(app);
        app.run(R"({"close":"Form3"})");
        QVERIFY(!window->isVisible());
        app.settings().save(QStringLiteral("Combo1"), QStringLiteral("other"));
        app.run(R"({"click":"PushButton15"})");
        QCOMPARE(form3(app), window);
        QVERIFY(window->isVisible());
        QCOMPARE(setList(app), (QStringList { "one", "two" }));
        QCOMPARE(selectedEntry(app), 1);
    }
};

QTEST_MAIN(TestTextSetsWindow)
#include "test_text_sets_window.moc"
