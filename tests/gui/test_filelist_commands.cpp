// The file list's commands end to end through the real main window: the
// dialogs, list files, drops, the folder scan, the filters and the single-row
// removals.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/app/EventPump.h"
#include "core/filelist/FileListModel.h"
#include "gui/app/CaptionedProgressBar.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

const QString AddTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");

QStringList listed(AppFixture &app)
{
    QStringList paths;
    for (const QStringList &row : app.rows(QStringLiteral("ListView1")))
        paths.append(row.value(0));
    return paths;
}

QJsonObject chooseFolder(const QString &folder)
{
    return QJsonObject { { QStringLiteral("answers"),
        QJsonArray { QJsonObject { { QStringLiteral("folder"), folder } } } } };
}

QJsonObject chooseFiles(const QStringList &files)
{
    return QJsonObject { { QStringLiteral("answers"),
        QJsonArray { QJsonObject { { QStringLiteral("files"), QJsonArray::fromStringList(files) } } } } };
}

// Load List Of Files From Text File shows its example message first.
QJsonObject chooseListFiles(const QStringList &files)
{
    return QJsonObject { { QStringLiteral("answers"),
        QJsonArray {
            QStringLiteral("OK"), QJsonObject { { QStringLiteral("files"), QJsonArray::fromStringList(files) } } } } };
}

QJsonObject answerText(const QString &text)
{
    return QJsonObject { { QStringLiteral("answers"),
        QJsonArray { QJsonObject { { QStringLiteral("text"), text } } } } };
}

QJsonObject click(const char *button)
{
    return QJsonObject { { QStringLiteral("click"), QString::fromLatin1(button) } };
}

// Writes one small message file per relative path under the folder.
QStringList writeMessages(const TempFiles &files, const QStringList &relativePaths)
{
    QStringList paths;
    for (const QString &relative : relativePaths)
        paths.append(files.write(relative, "Subject: " + relative.toUtf8() + "\r\n"));
    return paths;
}

void makeLink(const QString &target, const QString &link)
{
    if (!QFile::link(target, link))
        qFatal("cannot link %s", qPrintable(link));
}

} // namespace

class TestFileListCommands : public QObject
{
    Q_OBJECT

private slots:
    void addEmlFiles_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("one file, as returned") << QStringList { "/mail//a.eml" } << QStringList { "/mail//a.eml" };
        QTest::newRow("two files") << QStringList { "/mail/a.eml", "/mail/b.eml" }
                                   << QStringList { "/mail/a.eml", "/mail/b.eml" };
        QTest::newRow("several, joins tidied")
            << QStringList { "//a.eml", "/mail///b.eml" } << QStringList { "/a.eml", "/mail//b.eml" };
        QTest::newRow("same file twice") << QStringList { "/mail/a.eml", "/mail/a.eml" }
                                         << QStringList { "/mail/a.eml", "/mail/a.eml" };
    }

    void addEmlFiles()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, rows);
        AppFixture app;
        app.run(chooseFiles(chosen));
        app.run(click("PushButton1"));
        QCOMPARE(listed(app), rows);
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].value("prompt").toString(), QStringLiteral("open"));
        QCOMPARE(prompts[0].value("title").toString(), AddTitle);
        QCOMPARE(prompts[0].value("filter").toString(), QStringLiteral("EML Files (*.eml)"));
    }

    void addEmlFilesCancelledAddsNothing()
    {
        AppFixture app;
        app.run(R"({"answers":[{"cancel":true}]})");
        app.run(click("PushButton1"));
        QCOMPARE(listed(app), QStringList());
        QCOMPARE(app.shownPrompts().size(), 1);
    }

    void loadListShowsTheExampleFirstEvenWhenCancelled()
    {
        AppFixture app;
        app.run(R"({"answers":["OK",{"cancel":true}]})");
        app.run(click("PushButton21"));
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts[0].value("text").toString(),
            QStringLiteral("File should look like:\r/test/1.txt\r/test/2.txt\retc."));
        QCOMPARE(prompts[0].value("icon").toString(), QStringLiteral("none"));
        QCOMPARE(prompts[1].value("title").toString(), AddTitle);
        // Every name can be picked, those without a dot too.
        QCOMPARE(prompts[1].value("filter").toString(), QStringLiteral("All Files (*)"));
        QCOMPARE(listed(app), QStringList());
    }

    void loadListRowsExactlyAsRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty middle line, blanks kept")
            << QByteArray(" /a.eml \r\n\r\n/b.eml") << QStringList { " /a.eml ", "", "/b.eml" };
        QTest::newRow("final CR LF") << QByteArray("/a.eml\r\n/b.eml\r\n") << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("final LF") << QByteArray("/a.eml\n/b.eml\n") << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("final CR") << QByteArray("/a.eml\r/b.eml\r") << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF/a.eml\r\n") << QStringList { "/a.eml" };
    }

    void loadListRowsExactlyAsRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        TempFiles files;
        const QString list = files.write(QStringLiteral("list.txt"), bytes);
        AppFixture app;
        app.run(chooseListFiles({ list }));
        app.run(click("PushButton21"));
        QCOMPARE(listed(app), rows);
    }

    void loadListDoesNotYield()
    {
        // A list of several MiB is read without letting other events run:
        // an event that was waiting sees the whole list loaded.
        TempFiles files;
        QByteArray bytes;
        for (int i = 0; i < 150000; ++i)
            bytes += "/mail/folder/message-" + QByteArray::number(i) + ".eml\r\n";
        const QString list = files.write(QStringLiteral("files"), bytes);
        AppFixture app;
        app.run(chooseListFiles({ list }));
        const auto budget = EventPump::budget();
        EventPump::setBudget(std::chrono::microseconds(0));
        qsizetype rowsSeenByWaitingEvent = -1;
        QTimer::singleShot(0, &app.form(), [&] { rowsSeenByWaitingEvent = app.form().fileList().size(); });
        app.run(click("PushButton21"));
        EventPump::setBudget(budget);
        QCOMPARE(app.form().fileList().size(), qsizetype(150000));
        QTRY_COMPARE(rowsSeenByWaitingEvent, qsizetype(150000));
    }

    void loadSeveralListsInOrderPastFailures()
    {
        TempFiles files;
        const QString first = files.write(QStringLiteral("first.txt"), "/1.eml\n/2.eml\n");
        const QString second = files.write(QStringLiteral("second.txt"), "/3.eml");
        AppFixture app;
        app.run(chooseListFiles({ first, files.filePath(QStringLiteral("missing.txt")), files.path(), second }));
        app.run(click("PushButton21"));
        QCOMPARE(listed(app), (QStringList { "/1.eml", "/2.eml", "/3.eml" }));
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 4); // example, dialog, not found, error for the folder
        QCOMPARE(prompts[2].value("text").toString(), QStringLiteral("File not found"));
        QCOMPARE(prompts[3].value("title").toString(), QStringLiteral("Application Error"));
        QVERIFY(prompts[3].value("text").toString().contains(
            QStringLiteral("\r\nin Quillmarsh2021/08/31.Form1.PushButton21_Click at line 104\r\r")));
    }

    void dropAppendsFilesAndScansFolders()
    {
        TempFiles files;
        const QStringList made = writeMessages(
            files, { "loose.txt", "F/a.eml", "F/notes.txt", "F/~tmp.eml", "F/.hidden", "F/sub/b", "F/.dot/c.eml" });
        const QString f = files.filePath(QStringLiteral("F"));
        AppFixture app;
        bool busyWhileAdding = false;
        QObject::connect(&app.form().fileList(), &QAbstractItemModel::rowsInserted, &app.form(),
            [&] { busyWhileAdding |= app.form().isBusyPointer(); });
        app.dropFiles({ made[0], f, made[0] });
        QCOMPARE(listed(app),
            (QStringList { made[0], f + "/a.eml", f + "/notes.txt", f + "/.dot/c.eml", f + "/sub/b", made[0] }));
        QVERIFY(app.shownPrompts().isEmpty());
        QVERIFY(!busyWhileAdding);
    }

    void dragOfAnythingButLocalFilesIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << "text";
        QTest::newRow("web address") << "web";
        QTest::newRow("local file") << "file";
    }

    void dragOfAnythingButLocalFilesIsRefused()
    {
        QFETCH(QString, kind);
        AppFixture app;
        QMimeData mime;
        if (kind == QStringLiteral("text"))
            mime.setText(QStringLiteral("/mail/a.eml"));
        else if (kind == QStringLiteral("web"))
            mime.setUrls({ QUrl(QStringLiteral("https://example.org/a.eml")) });
        else
            mime.setUrls({ QUrl::fromLocalFile(QStringLiteral("/mail/a.eml")) });
        QWidget *viewport = app.form().findChild<QTableView *>(QStringLiteral("ListView1"))->viewport();
        QDragEnterEvent enter(viewport->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QCOMPARE(enter.isAccepted(), kind == QStringLiteral("file"));
    }

    void scanAddsLevelByLevel()
    {
        TempFiles files;
        const QStringList made = writeMessages(files, { "X/a.eml", "X/A/b.eml", "X/A/A1/c.eml", "X/B/d.eml" });
        AppFixture app;
        app.run(chooseFolder(files.filePath(QStringLiteral("X"))));
        app.run(click("PushButton5"));
        QCOMPARE(listed(app), (QStringList { made[0], made[1], made[3], made[2] }));
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 1); // the chooser, and no message after it
        QCOMPARE(prompts[0].value("title").toString(), QStringLiteral("Please select folder:"));
        QVERIFY(!app.form().isBusyPointer());
    }

    void scanSkipsAndTakesByName()
    {
        TempFiles files;
        writeMessages(files,
            { "X/~draft.eml", "X/a~.eml", "X/UPPER.EML", "X/other.txt", "X/x.emlx", "X/.hidden.eml",
                "X/.dot/in-dot.eml", "X/what?/q.eml" });
        const QString x = files.filePath(QStringLiteral("X"));
        AppFixture app;
        app.run(chooseFolder(x));
        app.run(click("PushButton5"));
        QCOMPARE(listed(app), (QStringList { x + "/a~.eml", x + "/UPPER.EML", x + "/.dot/in-dot.eml" }));
    }

    void lastFolderIsKeptOnCancelAndStoredBeforeTheScan()
    {
        TempFiles files;
        writeMessages(files, { "X/a.eml", "Empty/notes.txt" });
        const QString x = files.filePath(QStringLiteral("X"));
        const QString empty = files.filePath(QStringLiteral("Empty"));
        AppFixture app;
        QString storedWhileAdding;
        QObject::connect(&app.form().fileList(), &QAbstractItemModel::rowsInserted, &app.form(), [&] {
            storedWhileAdding = app.settings().read(QStringLiteral("LastFolder"));
            QVERIFY(app.form().isBusyPointer());
        });
        app.run(chooseFolder(x));
        app.run(click("PushButton5"));
        QCOMPARE(storedWhileAdding, x);

        app.run(R"({"answers":[{"cancel":true}]})");
        app.run(click("PushButton5"));
        QCOMPARE(app.settings().read(QStringLiteral("LastFolder")), x);

        // A folder without message files is stored all the same, and the
        // chooser opens on it next time, also after a restart.
        app.run(chooseFolder(empty));
        app.run(click("PushButton5"));
        QCOMPARE(app.settings().read(QStringLiteral("LastFolder")), empty);
        app.restart();
        app.run(R"({"answers":[{"cancel":true}]})");
        app.run(click("PushButton5"));
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 4);
        QCOMPARE(prompts[0].value("start").toString(), QString());
        QCOMPARE(prompts[1].value("start").toString(), x);
        QCOMPARE(prompts[3].value("start").toString(), empty);
        QCOMPARE(listed(app), QStringList());
    }

    void linkBackToTheParentIsScannedOnce_data()
    {
        QTest::addColumn<bool>("byDrop");
        QTest::newRow("Add All EML Files In Folder") << false;
        QTest::newRow("drop") << true;
    }

    void linkBackToTheParentIsScannedOnce()
    {
        QFETCH(bool, byDrop);
        TempFiles files;
        const QStringList made = writeMessages(files, { "X/a.eml", "X/sub/b.eml" });
        const QString x = files.filePath(QStringLiteral("X"));
        makeLink(x, x + QStringLiteral("/sub/up"));
        AppFixture app;
        if (byDrop) {
            app.dropFiles({ x });
        } else {
            app.run(chooseFolder(x));
            app.run(click("PushButton5"));
        }
        QCOMPARE(listed(app), made);
    }

    void nonAsciiFoldersAreScannedAndRead()
    {
        TempFiles files;
        const QStringList relative { QString::fromUtf8("M/caf\xc3\xa9/1.eml"),
            QString::fromUtf8("M/\xc3\xbc"
                              "ber/2.eml"),
            QString::fromUtf8("M/\xe6\x97\xa5\xe6\x9c\xac/3.eml") };
        const QStringList made = writeMessages(files, relative);
        AppFixture app;
        app.run(chooseFolder(files.filePath(QStringLiteral("M"))));
        app.run(click("PushButton5"));
        QCOMPARE(listed(app), made);
        app.run(click("PushButton13"));
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        QList<QStringList> expected;
        for (const QString &path : relative)
            expected.append(QStringList { QString::fromLatin1("Subject: " + path.toUtf8()) });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
    }

    void oddPathsSurviveEveryWayOfAdding_data()
    {
        QTest::addColumn<QString>("way");
        for (const char *way : { "dialog", "list file", "drop files", "drop folder", "folder scan" })
            QTest::newRow(way) << QString::fromLatin1(way);
    }

    void oddPathsSurviveEveryWayOfAdding()
    {
        QFETCH(QString, way);
        TempFiles files;
        const QString folder = QString::fromUtf8("odd # % 'q\" \xc3\xa9");
        QStringList relative;
        for (const QString &name :
            { QStringLiteral("a b.eml"), QStringLiteral("q'uo\"te.eml"), QStringLiteral("#1.eml"),
                QStringLiteral("per%20cent.eml"), QString::fromUtf8("\xe6\x97\xa5 \xc3\xa9.eml") })
            relative.append(folder + QLatin1Char('/') + name);
        QStringList made = writeMessages(files, relative);
        std::sort(made.begin(), made.end());
        const QString top = files.filePath(folder);

        AppFixture app;
        if (way == QStringLiteral("dialog")) {
            app.run(chooseFiles(made));
            app.run(click("PushButton1"));
        } else if (way == QStringLiteral("list file")) {
            const QString list = files.write(QStringLiteral("list.txt"), QFile::encodeName(made.join(u'\n')));
            app.run(chooseListFiles({ list }));
            app.run(click("PushButton21"));
        } else if (way == QStringLiteral("drop files")) {
            app.dropFiles(made);
        } else if (way == QStringLiteral("drop folder")) {
            app.dropFiles({ top });
        } else {
            app.run(chooseFolder(top));
            app.run(click("PushButton5"));
        }
        QStringList rows = listed(app);
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, made);
    }

    void removalsDoNothingWhileBusy()
    {
        TempFiles files;
        const QStringList made = writeMessages(files, { "1.eml", "2.eml", "3.eml" });
        AppFixture app;
        app.dropFiles(made);
        bool tried = false;
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double, const QString &) {
                // From the second file on, the run shows the busy pointer.
                if (tried || !app.form().isBusyPointer())
                    return;
                tried = true;
                app.run(R"({"select":"ListView1","row":2})");
                app.run(R"({"key":"Del","on":"ListView1"})");
                app.run(R"({"dblclick":"ListView1"})");
                app.run(click("PushButton14"));
            });
        app.run(click("PushButton13"));
        QVERIFY(tried);
        QCOMPARE(listed(app), made);
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 3);
    }

    void deleteAndDoubleClickRemoveTheCurrentRow()
    {
        AppFixture app;
        app.run(R"({"key":"Del","on":"ListView1"})"); // empty list: nothing happens
        app.run(R"({"dblclick":"ListView1"})");
        app.dropFiles({ "/m/1.eml", "/m/2.eml", "/m/3.eml", "/m/4.eml", "/m/5.eml" });
        app.run(R"({"key":"Del","on":"ListView1"})"); // rows but none current
        QCOMPARE(listed(app).size(), 5);

        app.run(R"({"select":"ListView1","row":2})");
        app.run(R"({"key":"A","on":"ListView1"})");
        QCOMPARE(listed(app).size(), 5);
        app.run(R"({"key":"Shift+Del","on":"ListView1"})");
        QCOMPARE(listed(app), (QStringList { "/m/1.eml", "/m/3.eml", "/m/4.eml", "/m/5.eml" }));
        app.run(R"({"key":"Del","on":"ListView1"})"); // the row that moved up is current now
        QCOMPARE(listed(app), (QStringList { "/m/1.eml", "/m/4.eml", "/m/5.eml" }));
        app.run(R"({"select":"ListView1","row":3})");
        app.run(R"({"dblclick":"ListView1"})");
        QCOMPARE(listed(app), (QStringList { "/m/1.eml", "/m/4.eml" }));

        app.run(click("PushButton14"));
        const QJsonObject list = app.dump(QStringLiteral("ListView1"));
        QCOMPARE(list.value("rows").toArray().size(), 0);
        QCOMPARE(list.value("headers").toArray(), QJsonArray { QStringLiteral("EML File(s)") });
        QVERIFY(app.shownPrompts().isEmpty());
    }

    void filters_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("rows");
        const QStringList rows { "/m/a.eml", "/m/B.EML", "/m/c.Eml", "/m/Archive/d.txt", "", "/m/ a.txt",
            "/m/b a.txt" };
        QTest::newRow("containing, any case")
            << "PushButton3"
            << "EML" << QStringList { "/m/Archive/d.txt", "", "/m/ a.txt", "/m/b a.txt" };
        QTest::newRow("not containing") << "PushButton11"
                                        << "/archive/" << QStringList { "/m/Archive/d.txt" };
        QTest::newRow("leading blank counts")
            << "PushButton3"
            << " a" << QStringList { "/m/a.eml", "/m/B.EML", "/m/c.Eml", "/m/Archive/d.txt", "" };
        QTest::newRow("cancelled") << "PushButton3"
                                   << "" << rows;
    }

    void filters()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(QStringList, rows);
        AppFixture app;
        app.form().fileList().append(
            QStringList { "/m/a.eml", "/m/B.EML", "/m/c.Eml", "/m/Archive/d.txt", "", "/m/ a.txt", "/m/b a.txt" });
        app.run(answerText(answer));
        app.run(QJsonObject { { QStringLiteral("click"), button } });
        QCOMPARE(listed(app), rows);
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].value("label").toString(),
            button == QStringLiteral("PushButton3") ? QStringLiteral("Remove entries containing: ")
                                                    : QStringLiteral("Remove entries not containing: "));
        QVERIFY(!app.form().isBusyPointer());
    }

    void filterLeavesAnotherCommandsBusyPointer()
    {
        AppFixture app;
        app.form().fileList().append(QStringList { "/m/a.eml", "/m/b.txt" });
        app.form().setBusyPointer(true);
        app.run(answerText(QStringLiteral("txt")));
        app.run(click("PushButton3"));
        QCOMPARE(listed(app), QStringList { "/m/a.eml" });
        QVERIFY(app.form().isBusyPointer());
    }

    void stoppedFolderScanKeepsAPrefix()
    {
        TempFiles files;
        QStringList relative;
        for (int f = 0; f < 30; ++f)
            for (int m = 0; m < 3; ++m)
                relative.append(QStringLiteral("S/f%1/m%2.eml").arg(f, 2, 10, QLatin1Char('0')).arg(m));
        writeMessages(files, relative);
        const QString top = files.filePath(QStringLiteral("S"));
        QStringList full;
        {
            AppFixture app;
            app.run(chooseFolder(top));
            app.run(click("PushButton5"));
            full = listed(app);
            QCOMPARE(full.size(), 90);
            QCOMPARE(app.dump(QStringLiteral("StatusLine")).value("text").toString(),
                QStringLiteral("Added 90 files | 90 files listed"));
        }
        AppFixture app;
        const auto budget = EventPump::budget();
        EventPump::setBudget(std::chrono::microseconds(0));
        app.run(chooseFolder(top));
        app.run(R"({"stop":{"rows":6}})");
        app.run(click("PushButton5"));
        EventPump::setBudget(budget);
        const QStringList kept = listed(app);
        QVERIFY2(kept.size() >= 6 && kept.size() < full.size(), qPrintable(QString::number(kept.size())));
        QCOMPARE(kept, full.mid(0, kept.size()));
        QVERIFY(app.dump(QStringLiteral("StatusLine"))
                    .value("text")
                    .toString()
                    .startsWith(QStringLiteral("Stopped: added")));
        // Escape outside a command does nothing; the next scan runs whole.
        app.run(R"({"key":"Escape","on":"Form1"})");
        app.run(click("PushButton14"));
        app.run(chooseFolder(top));
        app.run(click("PushButton5"));
        QCOMPARE(listed(app), full);
    }

    void enterInATextBoxRunsItsCommand_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("containing") << "Text1"
                                    << "two" << QStringList { "two" };
        QTest::newRow("not containing") << "Text2"
                                        << "two" << QStringList { "one", "three" };
        QTest::newRow("by number") << "Text5"
                                   << "3" << QStringList { "three" };
    }

    void enterInATextBoxRunsItsCommand()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        TempFiles files;
        AppFixture app;
        app.dropFiles({ files.write(QStringLiteral("enter.eml"), "one\r\ntwo\r\nthree\r\n") });
        app.run(QJsonObject { { "set", box }, { "text", text } });
        app.run(QJsonObject { { "key", "Return" }, { "on", box } });
        QStringList got;
        for (const QStringList &row : app.rows(QStringLiteral("ListView2")))
            got.append(row.join(u'|'));
        QCOMPARE(got, rows);
        QCOMPARE(app.messageTexts().last(), QStringLiteral("Done."));
    }
};

QTEST_MAIN(TestFileListCommands)
#include "test_filelist_commands.moc"
