// The results commands end to end through the real main window: removing by
// text, clearing, double-click removal, copying to the clipboard, saving the
// aligned text file and exporting the workbook.

#include "AppFixture.h"
#include "OfficeConversion.h"
#include "TempFiles.h"
#include "core/app/EventPump.h"
#include "core/app/SettingsStore.h"
#include "core/results/ResultsModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/app/StatusLine.h"
#include "gui/viewer/Form4.h"

#include <QDir>
#include <QJsonDocument>
#include <QProcess>
#include <QStringDecoder>
#include <QTest>

#include <unistd.h>

namespace {

const QString CopiedMessage = QStringLiteral(
    "Results have been copied to the clipboard.\r\rClick a text area where you normally type and press Ctrl+V to "
    "paste the clipboard.");
const QString NoResultsMessage = QStringLiteral("There are no results to remove.");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QJsonObject fileAnswer(const QString &path)
{
    return QJsonObject { { QStringLiteral("answers"),
        QJsonArray { QJsonObject { { QStringLiteral("file"), path } } } } };
}

QJsonObject textAnswer(const QString &text)
{
    return QJsonObject { { QStringLiteral("answers"),
        QJsonArray { QJsonObject { { QStringLiteral("text"), text } } } } };
}

QString promptKind(const QJsonObject &prompt)
{
    return prompt.value(QStringLiteral("prompt")).toString();
}

} // namespace

class TestResultsCommands : public QObject
{
    Q_OBJECT

private:
    TempFiles files;

    // Extract All Lines over the files, in either layout; the transcript
    // starts empty afterwards.
    void extract(AppFixture &app, const QStringList &paths, bool twoColumns)
    {
        app.run(QJsonObject { { "check", "Check14" }, { "on", twoColumns } });
        app.dropFiles(paths);
        app.run(R"({"click":"PushButton13"})");
        app.transcript.clear();
    }

    QString save(AppFixture &app, const QString &name)
    {
        const QString path = files.filePath(name);
        app.run(fileAnswer(path));
        app.run(R"({"click":"PushButton6"})");
        return path;
    }

private slots:
    void copyToClipboard_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("expected");
        const QString plain = files.write(QStringLiteral("copy/plain.eml"), "ab\r\nabcdefghij\r\n");
        QTest::newRow("one column: no padding on the last column")
            << false << QStringList { plain } << QStringLiteral("ab\r\nabcdefghij\r\n");
        // The shorter path is padded to the longer; the blanks that end a
        // result do not reach the clipboard.
        const QString a = files.write(QStringLiteral("copy/a.eml"), "one  \r\n");
        const QString bb = files.write(QStringLiteral("copy/bb.eml"), "two\r\n\r\n");
        QTest::newRow("two columns") << true << QStringList { a, bb }
                                     << a + QStringLiteral(" \tone\r\n") + bb + QStringLiteral("\ttwo\r\n") + bb
                + QStringLiteral("\t\r\n");
    }

    void copyToClipboard()
    {
        QFETCH(bool, twoColumns);
        QFETCH(QStringList, paths);
        QFETCH(QString, expected);
        AppFixture app;
        extract(app, paths, twoColumns);
        app.run(R"({"trace":"progress"})");
        app.run(R"({"click":"PushButton18"})");
        QCOMPARE(app.prompts().clipboard(), expected);
        QCOMPARE(app.messageTexts(), QStringList { CopiedMessage });
        QCOMPARE(app.shownPrompts().first().value(QStringLiteral("title")).toString(), QStringLiteral("Tollervane"));
        QStringList captions;
        for (const QJsonObject &line : app.transcript) {
            if (line.contains(QStringLiteral("progress")))
                captions.append(line.value(QStringLiteral("text")).toString());
        }
        QCOMPARE(captions, (QStringList { "Copying text to clipboard.. please wait..", "Progress Bar" }));
        QVERIFY(!app.form().isBusyPointer());
        // The list is left as it was.
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), expected.count(QStringLiteral("\r\n")));
    }

    void clipboardThatStaysLockedIsNotReportedAsCopied()
    {
        // A clipboard that refuses every attempt.
        class LockedClipboard : public ScriptedPrompts
        {
        public:
            using ScriptedPrompts::ScriptedPrompts;
            bool setClipboardText(const QString &) override { return false; }
        };
        QTemporaryDir config;
        SettingsStore settings(SettingsStore::filePathInConfigDir(config.path()));
        QStringList messages;
        LockedClipboard prompts(
            [&](const QJsonObject &prompt) { messages.append(prompt.value(QStringLiteral("text")).toString()); });
        Form1 form(AppEnvironment { config.path(), &settings, &prompts });
        form.Form_Load();
        form.setResultColumns({ { QStringLiteral("Results"), 7000 } });
        form.results().appendResult(QByteArrayView("text"), QString(), false, false);
        form.PushButton18_Click();
        QCOMPARE(messages,
            QStringList { "The clipboard could not be opened, so the results have not been copied to "
                          "it. Please try again." });
        QCOMPARE(form.progressBar().caption(), QStringLiteral("Progress Bar"));
    }

    void copyOfAnEmptyListKeepsTheClipboard()
    {
        AppFixture app;
        app.prompts().setClipboardText(QStringLiteral("earlier"));
        app.run(R"({"click":"PushButton18"})");
        QCOMPARE(app.prompts().clipboard(), QStringLiteral("earlier"));
        QCOMPARE(app.messageTexts(), QStringList { CopiedMessage });
    }

    void removeByText_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("kept");
        // The folder's name holds the answer too: in the two-column layout
        // only the result counts.
        const QString mail
            = files.write(QStringLiteral("subject/m.eml"), "Subject: hi\r\nbody\r\nSUBJECT line\r\n\r\n");
        QTest::newRow("containing, two columns") << "PushButton19" << true << "subject" << QStringList { "body", "" };
        QTest::newRow("containing, one column") << "PushButton19" << false << "SUBJECT" << QStringList { "body", "" };
        // An empty result contains nothing.
        QTest::newRow("not containing, two columns")
            << "PushButton20" << true << "subject" << QStringList { "Subject: hi", "SUBJECT line" };
        QTest::newRow("not containing, one column") << "PushButton20" << false << "o" << QStringList { "body" };
        QTest::newRow("blank in the answer counts")
            << "PushButton19" << false << " l" << QStringList { "Subject: hi", "body", "" };
    }

    void removeByText()
    {
        QFETCH(QString, button);
        QFETCH(bool, twoColumns);
        QFETCH(QString, answer);
        QFETCH(QStringList, kept);
        const QString mail = files.filePath(QStringLiteral("subject/m.eml"));
        AppFixture app;
        extract(app, { mail }, twoColumns);
        app.run(textAnswer(answer));
        app.run(QJsonObject { { "click", button } });
        Rows expected;
        for (const QString &text : kept)
            expected.append(twoColumns ? QStringList { mail, text } : QStringList { text });
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(promptKind(prompts[0]), QStringLiteral("input"));
        QCOMPARE(prompts[0].value(QStringLiteral("label")).toString(),
            button == QStringLiteral("PushButton19") ? QStringLiteral("Remove results containing this text: ")
                                                     : QStringLiteral("Remove results not containing this text: "));
        QVERIFY(!app.form().isBusyPointer());
    }

    void removeWithNothingToRemove_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QJsonObject>("answer");
        QTest::addColumn<QStringList>("messages");
        const QJsonObject typed { { "text", "x" } };
        const QJsonObject cancelled { { "cancel", true } };
        QTest::newRow("containing") << "PushButton19" << typed << QStringList { NoResultsMessage };
        QTest::newRow("not containing") << "PushButton20" << typed << QStringList { NoResultsMessage };
        QTest::newRow("containing, cancelled") << "PushButton19" << cancelled << QStringList {};
        QTest::newRow("not containing, empty answer")
            << "PushButton20" << QJsonObject { { "text", "" } } << QStringList {};
    }

    void removeWithNothingToRemove()
    {
        QFETCH(QString, button);
        QFETCH(QJsonObject, answer);
        QFETCH(QStringList, messages);
        AppFixture app;
        app.run(QJsonObject { { "answers", QJsonArray { answer } } });
        app.run(QJsonObject { { "click", button } });
        // The input box always comes first.
        QCOMPARE(promptKind(app.shownPrompts().first()), QStringLiteral("input"));
        QCOMPARE(app.messageTexts(), messages);
    }

    void removalDuringABusyCommandLeavesItBusy()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("busy.eml"), "a\r\nb\r\n") }, false);
        app.form().setBusyPointer(true);
        app.run(textAnswer(QStringLiteral("a")));
        app.run(R"({"click":"PushButton19"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (Rows { { "b" } }));
        QVERIFY(app.form().isBusyPointer());
    }

    void cancelledRemovalKeepsEveryRow()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("keep.eml"), "a\r\nb\r\n") }, false);
        app.run(R"({"answers":[{"cancel":true}]})");
        app.run(R"({"click":"PushButton20"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (Rows { { "a" }, { "b" } }));
    }

    void clearListWorksEvenWhileBusy()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("clear.eml"), "a\r\nb\r\n") }, true);
        app.form().setBusyPointer(true);
        app.run(R"({"click":"PushButton9"})");
        const QJsonObject list = app.dump(QStringLiteral("ListView2"));
        QCOMPARE(list.value(QStringLiteral("rows")).toArray().size(), 0);
        // The columns stay as the last run set them.
        QCOMPARE(
            list.value(QStringLiteral("headers")).toArray(), (QJsonArray { "Source Filename", "Extraction Results" }));
        QVERIFY(app.shownPrompts().isEmpty());
    }

    void doubleClickRemovesTheCurrentRow()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("dbl.eml"), "a\r\nb\r\nc\r\n") }, false);
        // No current row yet: nothing goes.
        app.run(R"({"dblclick":"ListView2"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 3);
        app.run(R"({"select":"ListView2","row":2})");
        app.form().setBusyPointer(true);
        app.run(R"({"dblclick":"ListView2"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 3);
        app.form().setBusyPointer(false);
        app.run(R"({"dblclick":"ListView2"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (Rows { { "a" }, { "c" } }));
    }

    void saveLayouts_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty list: the header line alone") << false << QStringList {} << QByteArray("Results\t\r\n");
        const QString plain = files.write(QStringLiteral("save/plain.eml"), "ab\r\nabcdefghij\r\n");
        QTest::newRow("header padded to the longest result")
            << false << QStringList { plain } << QByteArray("Results   \t\r\nab        \t\r\nabcdefghij\t\r\n");
        // 8-bit bytes are written back as they were read.
        const QString bytes = files.write(QStringLiteral("save/bytes.eml"), "caf\xe9 \xff\r\n");
        QTest::newRow("bytes 0xE9 and 0xFF")
            << false << QStringList { bytes } << QByteArray("Results\t\r\ncaf\xe9 \xff \t\r\n");
        // A path is written as its file-name bytes, padded by characters.
        const QString named = files.write(QStringLiteral("save/\u00e9t\u00e9-\u65e5.eml"), "x\r\n");
        const QByteArray nameBytes = QFile::encodeName(named);
        const qsizetype width = std::max<qsizetype>(named.size(), 15);
        QTest::newRow("non-ASCII path") << true << QStringList { named }
                                        << QByteArray("Source Filename") + QByteArray(width - 15, ' ')
                + "\tExtraction Results\t\r\n" + nameBytes + QByteArray(width - named.size(), ' ')
                + "\tx                 \t\r\n";
    }

    void saveLayouts()
    {
        QFETCH(bool, twoColumns);
        QFETCH(QStringList, paths);
        QFETCH(QByteArray, expected);
        AppFixture app;
        if (!paths.isEmpty())
            extract(app, paths, twoColumns);
        QFile::remove(files.filePath(QStringLiteral("layout.txt")));
        const QString path = save(app, QStringLiteral("layout.txt"));
        QCOMPARE(readAll(path), expected);
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(promptKind(prompts[0]), QStringLiteral("save"));
        QCOMPARE(prompts[0].value(QStringLiteral("title")).toString(), QStringLiteral("Save"));
        QCOMPARE(prompts[0].value(QStringLiteral("filter")).toString(),
            QStringLiteral("Text Files (*.txt);;All Files (*.*)"));
        QCOMPARE(prompts[1].value(QStringLiteral("text")).toString(), QStringLiteral("Done."));
        QVERIFY(!app.form().isBusyPointer());
        // Every line ends with a tab and CR LF.
        QVERIFY(expected.endsWith("\r\n"));
        const QList<QByteArray> lines = expected.chopped(1).split('\n');
        for (const QByteArray &line : lines)
            QVERIFY(line.endsWith("\t\r"));
    }

    // A header click sorts, a second one reverses; typing in the filter box
    // hides rows; the text file then holds the rows as shown, and the status
    // line counts them.
    void sortedAndFilteredRowsAreWhatIsSaved()
    {
        AppFixture app;
        const QString path = files.write(QStringLiteral("sort/m.eml"), "item 10\r\nItem 9\r\nother\r\nitem 100\r\n");
        extract(app, { path }, false);
        app.run(R"({"header":0,"on":"ListView2"})");
        QCOMPARE(readAll(save(app, QStringLiteral("sorted.txt"))),
            QByteArray("Results \t\r\nItem 9  \t\r\nitem 10 \t\r\nitem 100\t\r\nother   \t\r\n"));
        app.run(R"({"header":0,"on":"ListView2"})");
        app.run(R"({"set":"Text7","text":"ITEM 1"})");
        QTRY_COMPARE(app.form().results().size(), 2);
        const StatusLine *status = app.form().findChild<StatusLine *>();
        QVERIFY2(status->text().startsWith(QStringLiteral("2 of 4 results shown")), qPrintable(status->text()));
        QCOMPARE(readAll(save(app, QStringLiteral("filtered.txt"))),
            QByteArray("Results \t\r\nitem 100\t\r\nitem 10 \t\r\n"));
        QVERIFY2(
            status->text().startsWith(QStringLiteral("Saved 2 rows (the 2 shown of 4)")), qPrintable(status->text()));
        app.run(R"({"set":"Text7","text":""})");
        QTRY_COMPARE(app.form().results().size(), 4);
    }

    // The results' menu opens a row's message in the viewer, at its text.
    void showMessageFromTheMenu()
    {
        AppFixture app;
        const QString path = files.write(QStringLiteral("menu/m.eml"), "first\r\nsecond line\r\nthird\r\n");
        extract(app, { path }, true);
        app.run(R"({"menu":"Show Message","on":"ListView2","row":2})");
        const QJsonObject viewer = app.dump(QStringLiteral("Form4"));
        QCOMPARE(viewer.value(QStringLiteral("file")).toString(), path);
        QCOMPARE(viewer.value(QStringLiteral("line")).toInteger(), 2);
        QCOMPARE(viewer.value(QStringLiteral("highlight")).toString(), QStringLiteral("second line"));
        if (Form4 *open = Form4::find())
            open->close();
    }

    void nameWithoutExtensionGetsNone()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("noext.eml"), "a\r\n") }, false);
        const QString path = save(app, QStringLiteral("results"));
        QCOMPARE(readAll(path), QByteArray("Results\t\r\na      \t\r\n"));
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".txt")));
    }

    void overwriteAskedOnlyForAnExistingFile()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("over.eml"), "new\r\n") }, false);
        const QString path = files.write(QStringLiteral("existing.txt"), "old");
        const QString question = QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?");

        app.run(QJsonObject { { "answers", QJsonArray { QJsonObject { { "file", path } }, "No" } } });
        app.run(R"({"click":"PushButton6"})");
        QCOMPARE(readAll(path), QByteArray("old"));
        QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts[1].value(QStringLiteral("text")).toString(), question);
        QCOMPARE(prompts[1].value(QStringLiteral("buttons")).toArray(), (QJsonArray { "Yes", "No" }));

        app.transcript.clear();
        app.run(QJsonObject { { "answers", QJsonArray { QJsonObject { { "file", path } }, "Yes" } } });
        app.run(R"({"click":"PushButton6"})");
        QCOMPARE(readAll(path), QByteArray("Results\t\r\nnew    \t\r\n"));
        QCOMPARE(app.messageTexts(), QStringList { "Done." });

        // A new name is written without a question.
        app.transcript.clear();
        const QString fresh = save(app, QStringLiteral("fresh.txt"));
        QCOMPARE(readAll(fresh), QByteArray("Results\t\r\nnew    \t\r\n"));
        prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(promptKind(prompts[1]), QStringLiteral("message"));
    }

    void cancelledDialogWritesNothing()
    {
        AppFixture app;
        app.run(R"({"answers":[{"cancel":true}]})");
        app.run(R"({"trace":"progress"})");
        app.run(R"({"click":"PushButton6"})");
        QCOMPARE(app.transcript.size(), 1);
        QCOMPARE(promptKind(app.transcript[0]), QStringLiteral("save"));
    }

    void folderThatCannotBeWrittenTo()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("denied.eml"), "a\r\n") }, false);
        const QString notAFolder = files.write(QStringLiteral("not-a-folder"), "x");
        save(app, QStringLiteral("not-a-folder/out.txt"));
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 3);
        QCOMPARE(prompts[1].value(QStringLiteral("title")).toString(), QStringLiteral("Application Error"));
        QVERIFY(
            prompts[1]
                .value(QStringLiteral("text"))
                .toString()
                .contains(QStringLiteral("in Quillmarsh2021/08/31.Main.SaveListviewProperlySpaced at line 106\r\r")));
        QCOMPARE(prompts[2].value(QStringLiteral("text")).toString(), QStringLiteral("Done."));
        QCOMPARE(readAll(notAFolder), QByteArray("x"));
        QCOMPARE(app.dump(QStringLiteral("ProgressBar1")).value(QStringLiteral("text")).toString(),
            QStringLiteral("Progress Bar"));
    }

    void folderWithoutWritePermission_data()
    {
        QTest::addColumn<bool>("fileWritable");
        QTest::newRow("file writable: written in place") << true;
        QTest::newRow("file read-only too: both ways fail, file kept") << false;
    }

    void folderWithoutWritePermission()
    {
        // The driver runs as another user, in a folder it may not write to.
        // No temporary file can be made beside the target, so a file it may
        // write is written in place; otherwise the error says both failed.
        QFETCH(bool, fileWritable);
        if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("needs root and setpriv to run the driver as another user");
        const QString drive
            = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/driver/tollervane-drive");
        if (!QFileInfo::exists(drive))
            QSKIP("the driver is not built beside the tests");
        QTemporaryDir folder(QStringLiteral("/tmp/tollervane-denied-XXXXXX"));
        QFile::setPermissions(folder.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                | QFile::ReadOther | QFile::ExeOther);
        const QString mail = folder.filePath(QStringLiteral("m.eml"));
        const QString kept = folder.filePath(QStringLiteral("kept.txt"));
        const QString script = folder.filePath(QStringLiteral("script.jsonl"));
        for (const auto &[path, bytes] :
            { std::pair { mail, QByteArray("one\r\n") }, std::pair { kept, QByteArray("old\r\n") } }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        if (fileWritable)
            QVERIFY(::chown(QFile::encodeName(kept).constData(), 65534, 65534) == 0);
        QFile scriptFile(script);
        QVERIFY(scriptFile.open(QIODevice::WriteOnly));
        scriptFile.write(QStringLiteral("{\"drop\":[\"%1\"],\"on\":\"ListView1\"}\n"
                                        "{\"click\":\"PushButton13\"}\n"
                                        "{\"answers\":[{\"file\":\"%2\"},\"Yes\"]}\n"
                                        "{\"click\":\"PushButton6\"}\n")
                             .arg(mail, kept)
                             .toUtf8());
        scriptFile.close();

        QProcess driver;
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        driver.setProcessEnvironment(environment);
        driver.start(QStringLiteral("setpriv"),
            { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"), drive,
                script });
        QVERIFY(driver.waitForFinished(60000));
        QCOMPARE(driver.exitCode(), 0);
        const QList<QByteArray> lines = driver.readAllStandardOutput().trimmed().split('\n');
        QList<QByteArray> errorBoxes;
        for (const QByteArray &line : lines) {
            if (line.contains("\"title\":\"Application Error\""))
                errorBoxes.append(line);
        }
        QVERIFY(lines.last().contains("\"text\":\"Done.\""));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);
        if (fileWritable) {
            QCOMPARE(errorBoxes.size(), 0);
            QCOMPARE(readAll(kept), QByteArray("Results\t\r\none    \t\r\n"));
        } else {
            QCOMPARE(errorBoxes.size(), 1);
            QVERIFY2(errorBoxes[0].contains("no temporary file can be made in its folder (")
                    && errorBoxes[0].contains("and the file itself cannot be written in place ("),
                errorBoxes[0].constData());
            QCOMPARE(readAll(kept), QByteArray("old\r\n"));
        }
    }

    void otherLongCommandsWaitButClearListDoesNot()
    {
        AppFixture app;
        QByteArray lines;
        for (int i = 0; i < 3000; ++i)
            lines += "line " + QByteArray::number(i) + "\r\n";
        extract(app, { files.write(QStringLiteral("during.eml"), lines) }, false);
        // While the save writes its rows, Copy is refused and Clear List
        // empties the list; the save ends cleanly with the rows it had.
        bool acted = false;
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double, const QString &caption) {
                if (!acted && caption.endsWith(QStringLiteral("(1000)"))) {
                    acted = true;
                    app.run(R"({"click":"PushButton18"})");
                    app.run(R"({"click":"PushButton9"})");
                }
            });
        const QString path = save(app, QStringLiteral("during.txt"));
        QVERIFY(acted);
        QVERIFY(!app.prompts().clipboardSet());
        QCOMPARE(app.messageTexts(), QStringList { "Done." });
        const QByteArray written = readAll(path);
        QVERIFY(written.startsWith("Results  \t\r\nline 0   \t\r\n"));
        QCOMPARE(written.count("\r\n"), 1 + 1000);
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 0);
    }

    void exportWithoutSpreadsheetApplication_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("none installed") << "absent";
        // One that gives up on the workbook (and no desktop default takes it).
        QTest::newRow("none takes the workbook") << "refuses";
    }

    void exportWithoutSpreadsheetApplication()
    {
        QFETCH(QString, state);
        AppFixture app;
        extract(app, { files.write(QStringLiteral("x.eml"), "a\r\n") }, false);
        app.run(QJsonObject { { QStringLiteral("spreadsheet"), state } });
        app.run(R"({"click":"PushButton12"})");
        QCOMPARE(app.messageTexts(),
            (QStringList { "Excel is not installed on this computer. You need to have it installed to use this "
                           "software without error.",
                "Excel is not installed on this computer. You need to have it installed to use this "
                "feature." }));
        QVERIFY(app.prompts().workbooks().isEmpty());
    }

    void exportOfAnEmptyListDoesNothing()
    {
        AppFixture app;
        app.run(R"({"click":"PushButton12"})");
        QVERIFY(app.transcript.isEmpty());
        QVERIFY(app.prompts().workbooks().isEmpty());
    }

    void exportCutsOverlongTextsAndSaysSoOnce()
    {
        AppFixture app;
        const QByteArray longLine(40000, 'L');
        extract(
            app, { files.write(QStringLiteral("long.eml"), longLine + "\r\n" + longLine + "\r\nshort\r\n") }, false);
        app.run(R"({"click":"PushButton12"})");
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(promptKind(prompts[0]), QStringLiteral("spreadsheet"));
        QCOMPARE(prompts[1].value(QStringLiteral("text")).toString(),
            QStringLiteral("2 text(s) were longer than a worksheet cell can hold (32,767 characters) and have "
                           "been cut to fit."));
        QFile::remove(prompts[0].value(QStringLiteral("workbook")).toString());
    }

    // Decoded results are Unicode in the list and in every writer: the text
    // file (UTF-8, padded by characters), the clipboard and the workbook.
    void decodedResultsReachEveryWriterAsUnicode()
    {
        AppFixture app;
        const QString mail = files.write(QStringLiteral("decoded/b64.eml"),
            "From: a@example.com\r\nSubject: =?utf-8?q?Malm=C3=B6?=\r\nContent-Type: text/plain; charset=utf-8\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\n"
                + QByteArray("V\xc3\xa4l m\xc3\xb6tt i MALM\xc3\x96 \xe2\x82\xac\n").toBase64() + "\r\n");
        app.run(R"({"check":"Check17","on":true})");
        app.run(R"({"set":"Text1","text":"malmö"})");
        app.dropFiles({ mail });
        app.run(R"({"click":"PushButton2"})");
        const QStringList expected
            = { QStringLiteral("Subject: Malm\u00f6"), QStringLiteral("V\u00e4l m\u00f6tt i MALM\u00d6 \u20ac") };
        Rows rows = app.rows(QStringLiteral("ListView2"));
        QCOMPARE(rows, column(expected));

        const QByteArray saved = readAll(save(app, QStringLiteral("decoded.txt")));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString savedText = utf8.decode(saved);
        QVERIFY(!utf8.hasError());
        QVERIFY(savedText.contains(expected[1]));
        // Padded by characters: both lines end at the same column.
        const QList<QByteArray> lines = saved.split('\n');
        QCOMPARE(QString::fromUtf8(lines[1]).size(), QString::fromUtf8(lines[2]).size());

        app.run(R"({"click":"PushButton18"})");
        QVERIFY(app.prompts().clipboard().contains(expected[1]));

        app.transcript.clear();
        app.run(R"({"click":"PushButton12"})");
        const QString workbook = app.shownPrompts().value(0).value(QStringLiteral("workbook")).toString();
        QVERIFY(!workbook.isEmpty());
        QProcess unzip;
        // Every part of the workbook: the cells wherever the writer keeps them.
        unzip.start(QStringLiteral("unzip"), { QStringLiteral("-p"), workbook });
        QVERIFY(unzip.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(unzip.readAllStandardOutput()).contains(expected[1]));
        if (!qEnvironmentVariableIsSet("TOLLERVANE_KEEP_WORKBOOK"))
            QFile::remove(workbook);

        // The removals fold letter case as the decoded search does, one
        // character for one: dotted capital I is "i" there.
        app.run(textAnswer(QStringLiteral("\u0130 MALM\u00d6")));
        app.run(R"({"click":"PushButton20"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), column({ expected[1] }));
    }

    // The CSV save writes what the list shows, in every layout and kind of
    // text: read back through Python's csv module, the header and the rows
    // are exactly the list's. A name without an extension gets ".csv".
    void csvSaveReadsBackAsTheList_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<bool>("decoded");
        QTest::newRow("one column, 8-bit") << false << false;
        QTest::newRow("two columns, 8-bit") << true << false;
        QTest::newRow("two columns, decoded") << true << true;
    }

    void csvSaveReadsBackAsTheList()
    {
        QFETCH(bool, twoColumns);
        QFETCH(bool, decoded);
        AppFixture app;
        const QString mail = files.write(QStringLiteral("csv/odd, \"name\".eml"),
            "Subject: =?utf-8?q?caf=C3=A9?=\r\n\r\nplain\r\na, comma\r\n\"quoted\" text\r\ncaf\xe9 \xa4\r\n"
            "  blanks  \r\n\r\n=1+1\r\n");
        app.run(QJsonObject { { "check", "Check17" }, { "on", decoded } });
        extract(app, { mail }, twoColumns);
        const QString base = files.filePath(
            QStringLiteral("csv/saved-") + QString::number(int(twoColumns)) + QString::number(int(decoded)));
        app.run(fileAnswer(base));
        app.run(R"({"click":"PushButton26"})");
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        QVERIFY(app.dump(QStringLiteral("StatusLine"))
                    .value(QStringLiteral("text"))
                    .toString()
                    .startsWith(QStringLiteral("Saved ")));

        QProcess python;
        python.start(QStringLiteral("python3"),
            { QStringLiteral("-c"),
                QStringLiteral("import csv, json, sys\n"
                               "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                               "    print(json.dumps(list(csv.reader(f, strict=True))))"),
                base + QStringLiteral(".csv") });
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        const QJsonArray read = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        const QJsonObject list = app.dump(QStringLiteral("ListView2"));
        QCOMPARE(read.first().toArray(), list.value(QStringLiteral("headers")).toArray());
        const Rows rows = app.rows(QStringLiteral("ListView2"));
        QCOMPARE(read.size() - 1, rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QStringList cells;
            for (const QJsonValue &cell : read[i + 1].toArray())
                cells.append(cell.toString());
            QCOMPARE(cells, rows[i]);
        }
    }

    void exportHandsTheWorkbookOver_data()
    {
        QTest::addColumn<bool>("twoColumns");
        QTest::addColumn<Rows>("expected");
        const QString mail = files.write(QStringLiteral("export/a=1.eml"), "a=b==c\r\n=x\r\n=1+1\r\ncaf\xe9\r\n");
        QTest::newRow("two columns: '=' goes from the second column")
            << true
            << Rows { { "Source Filename", "Extraction Results" }, { mail, "abc" }, { mail, "x" }, { mail, "1+1" },
                   { mail, "café" } };
        QTest::newRow("one column: every text unchanged")
            << false << Rows { { "Results" }, { "a=b==c" }, { "=x" }, { "=1+1" }, { "café" } };
    }

    void exportHandsTheWorkbookOver()
    {
        QFETCH(bool, twoColumns);
        QFETCH(Rows, expected);
        AppFixture app;
        extract(app, { files.filePath(QStringLiteral("export/a=1.eml")) }, twoColumns);
        app.run(R"({"click":"PushButton12"})");
        // The hand-off is the only sign: no "Done.".
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(promptKind(prompts[0]), QStringLiteral("spreadsheet"));
        const QString workbook = prompts[0].value(QStringLiteral("workbook")).toString();
        QVERIFY(workbook.endsWith(QStringLiteral(".xlsx")));
        QVERIFY(QFileInfo(workbook).size() > 0);
        QVERIFY(!app.form().isBusyPointer());
        if (OfficeConversion::available()) {
            OfficeConversion office;
            const auto sheets = office.worksheets(workbook);
            QVERIFY(sheets.has_value());
            QCOMPARE(sheets->value(QStringLiteral("Sheet1")), expected);
        }
        QFile::remove(workbook);
        if (!OfficeConversion::available())
            QSKIP("LibreOffice (soffice) is not installed: the workbook was not read back");
    }

    void stopLeavesNothingHalfDone_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("save over a file") << "PushButton6";
        QTest::newRow("copy") << "PushButton18";
        QTest::newRow("export") << "PushButton12";
    }

    void stopLeavesNothingHalfDone()
    {
        // Stop pressed at the command's first yield (every yield lets events
        // run here): no file replaced, clipboard and workbooks untouched.
        QFETCH(QString, button);
        AppFixture app;
        QByteArray lines;
        for (int i = 0; i < 2000; ++i)
            lines += "line " + QByteArray::number(i) + "\r\n";
        extract(app, { files.write(QStringLiteral("many.eml"), lines) }, true);
        const QString folder = files.filePath(QStringLiteral("stopped"));
        QDir().mkpath(folder);
        const QString kept = folder + QStringLiteral("/kept.txt");
        {
            QFile old(kept);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old\r\n");
        }
        app.prompts().setClipboardText(QStringLiteral("before"));
        app.run(QJsonObject { { "answers", QJsonArray { QJsonObject { { "file", kept } }, "Yes" } } });
        const auto budget = EventPump::budget();
        EventPump::setBudget(std::chrono::microseconds(0));
        app.run(R"({"stop":{"now":true}})");
        app.run(QJsonObject { { "click", button } });
        EventPump::setBudget(budget);
        QCOMPARE(readAll(kept), QByteArray("old\r\n"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "kept.txt" });
        QCOMPARE(app.prompts().clipboard(), QStringLiteral("before"));
        QVERIFY(app.prompts().workbooks().isEmpty());
        QVERIFY(!app.messageTexts().contains(CopiedMessage));
        QVERIFY(!app.messageTexts().contains(QStringLiteral("Done.")));
        QVERIFY(app.dump(QStringLiteral("StatusLine")).value("text").toString().startsWith(QStringLiteral("Stopped")));
        if (button == QStringLiteral("PushButton6"))
            QCOMPARE(app.messageTexts().last(), QStringLiteral("Stopped: nothing was saved."));
        // The next command runs as after any other end.
        save(app, QStringLiteral("after.txt"));
        QCOMPARE(app.messageTexts().last(), QStringLiteral("Done."));
        QVERIFY(app.dump(QStringLiteral("StatusLine"))
                    .value("text")
                    .toString()
                    .startsWith(QStringLiteral("Saved 2,000 rows")));
    }

    void resultsFromTheKeyboard()
    {
        AppFixture app;
        extract(app, { files.write(QStringLiteral("keys.eml"), "alpha\r\nbeta  \r\ngamma\r\n") }, true);
        // Ctrl+A, Ctrl+C: the rows as the copy command lays them out.
        app.run(R"({"key":"Ctrl+A","on":"ListView2"})");
        app.run(R"({"key":"Ctrl+C","on":"ListView2"})");
        const QString selectedCopy = app.prompts().clipboard();
        app.run(R"({"click":"PushButton18"})");
        QCOMPARE(selectedCopy, app.prompts().clipboard());
        // Delete removes the current row, as a double-click does.
        app.run(R"({"select":"ListView2","row":2})");
        app.run(R"({"key":"Delete","on":"ListView2"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 2);
        QCOMPARE(app.rows(QStringLiteral("ListView2")).at(1).last(), QStringLiteral("gamma"));
        // Ctrl+C on one selected row copies that row alone.
        app.run(R"({"select":"ListView2","row":1})");
        app.run(R"({"key":"Ctrl+C","on":"ListView2"})");
        QVERIFY2(
            app.prompts().clipboard().endsWith(QStringLiteral("\talpha\r\n")), qPrintable(app.prompts().clipboard()));
        QCOMPARE(app.prompts().clipboard().count(QStringLiteral("\r\n")), 1);
    }
};

QTEST_MAIN(TestResultsCommands)
#include "test_results_commands.moc"
