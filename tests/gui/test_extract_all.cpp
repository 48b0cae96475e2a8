// Extract All Lines end to end through the real main window: rows, columns,
// options, progress, messages and unreadable files.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/filelist/FileListModel.h"
#include "gui/app/CaptionedProgressBar.h"

#include <QRegularExpression>
#include <QTest>
#include <QThread>

class TestExtractAll : public QObject
{
    Q_OBJECT

private:
    TempFiles files;
    QStringList corpus;

private slots:
    void initTestCase()
    {
        corpus = {
            files.write(QStringLiteral("crlf.eml"), "Subject: one\r\nBody\r\n\r\nend\r\n"),
            files.write(QStringLiteral("lf.eml"), "a\nb\n"),
            files.write(QStringLiteral("mixed.eml"), "x\r\ny\rz\nlast"),
            files.write(QStringLiteral("empty.eml"), ""),
            files.write(QStringLiteral("bytes.eml"), QByteArray("caf\xe9 \xff\r\nBody\r\n")),
        };
    }

    void noFilesSaysSoAndKeepsHeaders()
    {
        AppFixture app;
        app.run(R"({"check":"Check14","on":true})");
        app.dropFiles({ corpus[1] });
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 2);

        app.form().fileList().clearRows();
        app.transcript.clear();
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("No files added.") });
        const QJsonObject list = app.dump(QStringLiteral("ListView2"));
        QCOMPARE(list.value(QStringLiteral("rows")).toArray().size(), 0);
        QCOMPARE(list.value(QStringLiteral("headers")).toArray().size(), 2);
    }

    void everyLineOfEveryFileInOrder()
    {
        AppFixture app;
        app.dropFiles(corpus);
        app.run(R"({"click":"PushButton13"})");
        const Rows expected = {
            { QStringLiteral("Subject: one") },
            { QStringLiteral("Body") },
            { QString() },
            { QStringLiteral("end") },
            { QStringLiteral("a") },
            { QStringLiteral("b") },
            { QStringLiteral("x") },
            { QStringLiteral("y") },
            { QStringLiteral("z") },
            { QStringLiteral("last") },
            { QString() },
            { QString::fromLatin1("caf\xe9 \xff") },
            { QStringLiteral("Body") },
        };
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
        const QJsonObject list = app.dump(QStringLiteral("ListView2"));
        QCOMPARE(list.value(QStringLiteral("headers")).toArray(), QJsonArray { QStringLiteral("Results") });
        QCOMPARE(list.value(QStringLiteral("widths")).toArray(), QJsonArray { 7000 });
    }

    void optionsInAllFourCombinations_data()
    {
        QTest::addColumn<bool>("removeDuplicates");
        QTest::addColumn<bool>("showSource");
        QTest::addColumn<Rows>("expected");
        const QString a = corpus[1];
        const QString dup = files.write(QStringLiteral("dup.eml"), "a\nA\na \nb\n");
        Q_UNUSED(dup);
        QTest::newRow("plain") << false << false
                               << Rows { { "a" }, { "b" }, { "a" }, { "A" }, { "a " }, { "b" }, { "a" }, { "b" } };
        QTest::newRow("no duplicates") << true << false << Rows { { "a" }, { "b" }, { "A" }, { "a " } };
        const QString d = files.filePath(QStringLiteral("dup.eml"));
        QTest::newRow("source") << false << true
                                << Rows { { a, "a" }, { a, "b" }, { d, "a" }, { d, "A" }, { d, "a " }, { d, "b" },
                                       { a, "a" }, { a, "b" } };
        // With the source column a duplicate needs the same path and text.
        QTest::newRow("source, no duplicates")
            << true << true << Rows { { a, "a" }, { a, "b" }, { d, "a" }, { d, "A" }, { d, "a " }, { d, "b" } };
    }

    void optionsInAllFourCombinations()
    {
        QFETCH(bool, removeDuplicates);
        QFETCH(bool, showSource);
        QFETCH(Rows, expected);
        AppFixture app;
        app.run(QJsonObject { { "check", "Check1" }, { "on", removeDuplicates } });
        app.run(QJsonObject { { "check", "Check14" }, { "on", showSource } });
        app.dropFiles({ corpus[1], files.filePath(QStringLiteral("dup.eml")), corpus[1] });
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), expected);
        const QJsonArray headers = app.dump(QStringLiteral("ListView2")).value(QStringLiteral("headers")).toArray();
        QCOMPARE(headers.size(), showSource ? 2 : 1);
        if (showSource) {
            QCOMPARE(headers, (QJsonArray { "Source Filename", "Extraction Results" }));
            QCOMPARE(app.dump(QStringLiteral("ListView2")).value(QStringLiteral("widths")).toArray(),
                (QJsonArray { 3000, 4400 }));
        }
    }

    void progressStepsThroughEachFileAndResets()
    {
        AppFixture app;
        app.dropFiles(corpus.mid(0, 4));
        app.run(R"({"trace":"progress"})");
        app.run(R"({"click":"PushButton13"})");
        QList<double> values;
        QStringList captions;
        for (const QJsonObject &line : app.transcript) {
            if (!line.contains(QStringLiteral("progress")))
                continue;
            const double value = line.value(QStringLiteral("progress")).toDouble();
            if (values.isEmpty() || values.last() != value)
                values.append(value);
            const QString caption = line.value(QStringLiteral("text")).toString();
            if (captions.isEmpty() || captions.last() != caption)
                captions.append(caption);
        }
        QCOMPARE(values, (QList<double> { 25, 50, 75, 100, 0 }));
        QCOMPARE(captions,
            (QStringList { "Progress Bar", "Processing: crlf.eml", "Processing: lf.eml", "Processing: mixed.eml",
                "Processing: empty.eml", "Progress Bar" }));
        // The reset comes before "Done.".
        const qsizetype done = app.transcript.indexOf(app.shownPrompts().last());
        QCOMPARE(app.transcript[done - 1].value(QStringLiteral("text")).toString(), QStringLiteral("Progress Bar"));
        QCOMPARE(app.transcript[done - 1].value(QStringLiteral("progress")).toDouble(), 0.0);
        QVERIFY(!app.form().isBusyPointer());
    }

    void unreadableFilesReportAndGoOn()
    {
        AppFixture app;
        const QString missing = files.filePath(QStringLiteral("missing.eml"));
        // A dropped folder would be scanned, so the folder's path is listed directly.
        app.dropFiles({ missing });
        app.form().fileList().append(QStringList { files.path(), corpus[1] });
        app.run(R"({"click":"PushButton13"})");
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 3);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(prompts[i].value("title").toString(), QStringLiteral("Application Error"));
            QCOMPARE(prompts[i].value("icon").toString(), QStringLiteral("warning"));
            const QStringList lines = prompts[i].value("text").toString().split(QStringLiteral("\r\n"));
            QVERIFY(lines[1].startsWith(
                QStringLiteral("in Quillmarsh2021/08/31.Main.ReadFileToStringFSOLine at line 100\r\r")));
        }
        QCOMPARE(prompts[2].value("text").toString(), QStringLiteral("Done."));
        // Each unreadable file gives its one empty line, then the run goes on.
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (Rows { { "" }, { "" }, { "a" }, { "b" } }));
    }

    void sameFileListedTwiceIsReadTwice()
    {
        AppFixture app;
        app.dropFiles({ corpus[1], corpus[1] });
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (Rows { { "a" }, { "b" }, { "a" }, { "b" } }));
    }

    void optionChangedDuringRunAppliesToLaterLines()
    {
        AppFixture app;
        app.dropFiles({ corpus[1], corpus[1] });
        // Ticking the duplicate option while the first file's lines are being
        // appended: the later copies are dropped, the headers stay one column.
        bool ticked = false;
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double value, const QString &) {
                if (value == 100 && !ticked) {
                    ticked = true;
                    app.run(R"({"check":"Check1","on":true})");
                }
            });
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (Rows { { "a" }, { "b" } }));
    }

    // Files are read ahead on another thread; what the run shows is not.
    // A row removed during the run takes its file, read ahead already, with
    // it: neither its lines nor its error box appear. An unreadable file's
    // box still comes in its turn, after its caption and before the next.
    void readingAheadShowsEachFileInItsTurn()
    {
        AppFixture app;
        const QString removed = files.filePath(QStringLiteral("removed-while-running.eml"));
        const QString missing = files.filePath(QStringLiteral("missing.eml"));
        app.dropFiles({ corpus[1], removed, corpus[2], missing, corpus[0] });
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double value, const QString &) {
                if (value == 40 && app.form().fileList().path(1) == removed) {
                    // Time for the files to be read ahead, then the row goes.
                    QThread::msleep(200);
                    app.form().fileList().removeRowsAscending({ 1 });
                }
            });
        app.run(R"({"trace":"progress"})");
        app.run(R"({"click":"PushButton13"})");

        QCOMPARE(app.rows(QStringLiteral("ListView2")),
            (Rows { { "a" }, { "b" }, { "x" }, { "y" }, { "z" }, { "last" }, { "" }, { "Subject: one" }, { "Body" },
                { "" }, { "end" } }));
        QStringList seen;
        QString caption;
        for (const QJsonObject &line : app.transcript) {
            const QString text = line.value(QStringLiteral("text")).toString();
            if (line.contains(QStringLiteral("progress")) && text.startsWith(QStringLiteral("Processing: "))) {
                if (caption != text)
                    seen.append(text);
                caption = text;
            } else if (line.value(QStringLiteral("prompt")).toString() == QStringLiteral("message")) {
                seen.append(text.section(QStringLiteral("\r\n"), 0, 0));
            }
        }
        QCOMPARE(seen,
            (QStringList { "Processing: lf.eml", "Processing: mixed.eml", "Processing: missing.eml",
                "File not found: " + missing, "Processing: crlf.eml", "Done." }));
    }

    void stoppedRunKeepsTheFilesItWentThrough()
    {
        // Stop pressed at 50 %: the run ends between files, its results are
        // those of a run over the files it went through alone, and the
        // status line followed it; the next run works as always.
        QStringList many;
        for (int i = 0; i < 400; ++i)
            many.append(files.write(QStringLiteral("stop/%1.eml").arg(i, 3, 10, QLatin1Char('0')),
                "Subject: " + QByteArray::number(i) + "\r\nline\r\n"));
        AppFixture app;
        app.run(R"({"check":"Check14","on":true})");
        app.dropFiles(many);
        QTest::qWait(150); // past the status line's refresh interval
        QString statusDuringRun;
        connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double value, const QString &) {
                if (value >= 25 && statusDuringRun.isEmpty())
                    statusDuringRun = app.dump(QStringLiteral("StatusLine")).value("text").toString();
            });
        app.run(R"({"stop":{"progress":50}})");
        app.run(R"({"click":"PushButton13"})");
        const QString stopped = app.messageTexts().last();
        const QRegularExpression shape(QStringLiteral("^Stopped after (\\d+) of 400 files\\.$"));
        const QRegularExpressionMatch match = shape.match(stopped);
        QVERIFY2(match.hasMatch(), qPrintable(stopped));
        const int done = match.captured(1).toInt();
        QVERIFY2(done >= 199 && done <= 201, qPrintable(stopped));
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+ of 400 files, [\\d,]+ results \\|"))
                     .match(statusDuringRun)
                     .hasMatch(),
            qPrintable(statusDuringRun));
        QCOMPARE(app.form().progressBar().progress(), 0.0);
        QCOMPARE(app.form().progressBar().caption(), QStringLiteral("Progress Bar"));
        const QList<QStringList> kept = app.rows(QStringLiteral("ListView2"));

        AppFixture alone;
        alone.run(R"({"check":"Check14","on":true})");
        alone.dropFiles(many.mid(0, done));
        alone.run(R"({"click":"PushButton13"})");
        QCOMPARE(kept, alone.rows(QStringLiteral("ListView2")));

        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.messageTexts().last(), QStringLiteral("Done."));
        QCOMPARE(app.rows(QStringLiteral("ListView2")).size(), 800);
        QVERIFY(app.dump(QStringLiteral("StatusLine"))
                    .value("text")
                    .toString()
                    .startsWith(QStringLiteral("400 files, 800 results in ")));
    }
};

QTEST_MAIN(TestExtractAll)
#include "test_extract_all.moc"
