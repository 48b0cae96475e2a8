// Help texts, the sample files and the scrambled sample record.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/filelist/FileListModel.h"
#include "core/guide/HelpTexts.h"
#include "core/guide/Scramble.h"

#include <QDir>
#include <QTest>

class TestGuide : public QObject
{
    Q_OBJECT

private slots:
    void helpButtonsShowTheirTexts_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("contact") << QStringLiteral("PushButton22") << ContactHelpText();
        QTest::newRow("lines by number") << QStringLiteral("PushButton10") << LinesByNumberHelpText();
        QTest::newRow("between markers") << QStringLiteral("PushButton16") << BetweenMarkersHelpText();
        QTest::newRow("text sets") << QStringLiteral("PushButton17") << TextSetsHelpText();
    }

    void helpButtonsShowTheirTexts()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        AppFixture app;
        app.run(QJsonObject { { "click", button } });
        const QList<QJsonObject> shown = app.shownPrompts();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].value("text").toString(), text);
        QCOMPARE(shown[0].value("title").toString(), QStringLiteral("Tollervane"));
        QCOMPARE(shown[0].value("icon").toString(), QStringLiteral("none"));
        QCOMPARE(shown[0].value("buttons").toArray(), QJsonArray { QStringLiteral("OK") });
    }

    void secondaryWindowsShowTheSameHelp_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("mainHelp");
        QTest::newRow("between markers") << QStringLiteral("PushButton4") << QStringLiteral("Form2")
                                         << QStringLiteral("PushButton16");
        QTest::newRow("text sets") << QStringLiteral("PushButton15") << QStringLiteral("Form3")
                                   << QStringLiteral("PushButton17");
    }

    void secondaryWindowsShowTheSameHelp()
    {
        QFETCH(QString, opener);
        QFETCH(QString, window);
        QFETCH(QString, mainHelp);
        AppFixture app;
        app.run(QJsonObject { { "click", opener } });
        app.run(QJsonObject { { "click", "PushButton11" }, { "window", window } });
        app.run(QJsonObject { { "click", mainHelp } });
        const QList<QJsonObject> shown = app.shownPrompts();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], shown[1]);
        QCOMPARE(shown[0].value("title").toString(), QStringLiteral("Tollervane"));
    }

    void linesByNumberText()
    {
        const QStringList lines = LinesByNumberHelpText().split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 21);
        QCOMPARE(lines.mid(2, 7), (QStringList { "A", "B", "C", "D", "E", "F", "G" }));
        QCOMPARE(lines[10], QStringLiteral("and your input is: 1,3,4"));
        QCOMPARE(lines[12], QStringLiteral("then "));
        QCOMPARE(lines.mid(14, 3), (QStringList { "A", "C", "D" }));
        QVERIFY(!LinesByNumberHelpText().contains(QLatin1Char('\n')));
    }

    void betweenMarkersText()
    {
        const QStringList lines = BetweenMarkersHelpText().split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 28);
        QCOMPARE(lines[2], QStringLiteral("The rain in spain falls mainly on the plain."));
        QCOMPARE(lines[4], QStringLiteral("and your input is: "));
        QCOMPARE(lines.mid(10, 2), (QStringList { "ai", "lai" }));
        QCOMPARE(lines[21], QStringLiteral(" target"));
        // The address the example extracts is the one in its unsubscribe line.
        QVERIFY(lines[17].contains(
            QStringLiteral("/oo.php?remove=") + lines[25] + QStringLiteral("\" target=\"_blank\">")));
        QVERIFY(lines[17].startsWith(QStringLiteral("UNSUBSCRIBE: If you would like to stop receiving emails from ")));
        QVERIFY(lines[17].endsWith(QStringLiteral(">unsubscribe</a>.<br><br>")));
        QVERIFY(lines[25].contains(QLatin1Char('@')));
    }

    void textSetsText()
    {
        const QStringList lines = TextSetsHelpText().split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 33);
        QCOMPARE(lines[2], QStringLiteral("Add what you want to search for into the set by selecting \"Add Text\""));
        QCOMPARE(lines[9], QStringLiteral("   I, lost, was passing by--"));
        QCOMPARE(lines[10], QStringLiteral("An instant 's width of warmth disclosed"));
        QCOMPARE(lines[29], QStringLiteral("An instant 's width of warmth disclosed"));
        QCOMPARE(lines[30], QStringLiteral("The door as suddent shut, and I,"));
        QVERIFY(lines[18].startsWith(QStringLiteral("- ")) && lines[18].size() > 2);
    }

    void scrambling()
    {
        const QByteArray key("a");
        QCOMPARE(ScrambleText(QByteArray(1, char(200)), key), QByteArray(1, char(42)));
        QCOMPARE(ScrambleText(QByteArray(1, char(65)), key), QByteArray(1, char(162)));
        QByteArray every;
        for (int c = 1; c <= 255; ++c)
            every.append(char(c));
        for (const QByteArray &k : { QByteArray(ScrambleKey), QByteArray("zzzzzzzz"), QByteArray("a") }) {
            QCOMPARE(UnscrambleText(ScrambleText(every, k), k), every);
            QCOMPARE(ScrambleText(every, k).size(), every.size());
        }
        QCOMPARE(QByteArray(ScrambleKey).size(), 8);
    }

    void samplesRecordedAtFirstStartAndLoaded()
    {
        TempFiles program;
        const QString a = program.write(QStringLiteral("Samples/a.eml"), "Subject: a\r\n");
        const QString b = program.write(QStringLiteral("Samples/b.eml"), "Subject: b\r\n");
        AppFixture app(program.path());
        QVERIFY(!app.settings().read(QStringLiteral("Snapshot")).isEmpty());
        QVERIFY(!app.settings().read(QStringLiteral("Snapshot")).contains(QStringLiteral("a.eml")));

        app.run(R"({"answers":["No"]})");
        app.run(R"({"click":"PushButton23"})");
        QCOMPARE(app.form().fileList().paths(), (QStringList { a, b }));
        const QJsonObject question = app.shownPrompts().last();
        QCOMPARE(question.value("prompt").toString(), QStringLiteral("question"));
        QCOMPARE(question.value("text").toString(),
            QStringLiteral("Would you like this software to open the folder where these sample files are stored "
                           "(so that you can view them before working with them)?"));

        // A second press adds nothing and asks again; Yes opens the folder.
        app.transcript.clear();
        app.run(R"({"answers":["Yes"]})");
        app.run(R"({"click":"PushButton23"})");
        QCOMPARE(app.form().fileList().size(), 2);
        QCOMPARE(app.shownPrompts().size(), 2);
        QCOMPARE(app.shownPrompts()[1].value("prompt").toString(), QStringLiteral("shell-open"));
        QCOMPARE(app.shownPrompts()[1].value("target").toString(), program.filePath(QStringLiteral("Samples/")));

        // Later changes to the folder do not change the record.
        QFile::remove(a);
        program.write(QStringLiteral("Samples/c.eml"), "new");
        app.restart();
        app.run(R"({"click":"PushButton23"})");
        QCOMPARE(app.form().fileList().paths(), QStringList { b });
        QVERIFY(!app.transcript.isEmpty());
    }

    void everyExtractionFindsSomethingInTheSamples_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("all lines") << QByteArray(R"({"click":"PushButton13"})");
        QTest::newRow("containing") << QByteArray(
            "{\"set\":\"Text1\",\"text\":\"invoice\"}\n{\"click\":\"PushButton2\"}");
        QTest::newRow("not containing") << QByteArray(
            "{\"set\":\"Text2\",\"text\":\":\"}\n{\"click\":\"PushButton8\"}");
        QTest::newRow("by number") << QByteArray("{\"set\":\"Text5\",\"text\":\"1,3,4\"}\n{\"click\":\"PushButton7\"}");
        QTest::newRow("between markers") << QByteArray("{\"click\":\"PushButton4\"}\n"
                                                       "{\"set\":\"Text3\",\"window\":\"Form2\",\"text\":\"remove=\"}\n"
                                                       "{\"set\":\"Text4\",\"window\":\"Form2\",\"text\":\" target\"}\n"
                                                       "{\"click\":\"PushButton4\",\"window\":\"Form2\"}");
        QTest::newRow("text sets") << QByteArray("{\"click\":\"PushButton15\"}\n"
                                                 "{\"answers\":[{\"text\":\"seed swap\"}]}\n"
                                                 "{\"click\":\"PushButton2\",\"window\":\"Form3\"}\n"
                                                 "{\"click\":\"PushButton4\",\"window\":\"Form3\"}");
    }

    void everyExtractionFindsSomethingInTheSamples()
    {
        QFETCH(QByteArray, script);
        AppFixture app(QCoreApplication::applicationDirPath() + QStringLiteral("/../src"));
        app.run(R"({"click":"PushButton23"})");
        app.run(script);
        QVERIFY(app.messageTexts().contains(QStringLiteral("Done.")));
        QVERIFY(!app.rows(QStringLiteral("ListView2")).isEmpty());
        if (QTest::currentDataTag() == QByteArray("between markers"))
            QVERIFY(
                app.rows(QStringLiteral("ListView2"))
                    .contains(QStringList { QStringLiteral("remove=") + SampleUnsubscribeAddress + QLatin1Char('"') }));
    }

    void newUserSeesTheSubjectOfEverySample()
    {
        AppFixture app(QCoreApplication::applicationDirPath() + QStringLiteral("/../src"));
        app.run(R"({"click":"PushButton23"})");
        app.run(R"({"set":"Text1","text":"subject"})");
        app.run(R"({"click":"PushButton2"})");
        const QList<QStringList> rows = app.rows(QStringLiteral("ListView2"));
        QStringList subjects;
        for (const QStringList &row : rows) {
            QVERIFY(row.first().contains(QStringLiteral("subject"), Qt::CaseInsensitive));
            if (row.first().startsWith(QStringLiteral("Subject: ")))
                subjects << row.first();
        }
        // One subject line per sample, and the forwarded message's own.
        QCOMPARE(subjects.size(), app.form().fileList().size() + 1);
        QVERIFY(subjects.contains(QStringLiteral("Subject: Your invoice INV-2026-0412")));
    }

    void emptySampleFolderRecordsNothing()
    {
        TempFiles program;
        QDir(program.path()).mkdir(QStringLiteral("Samples"));
        AppFixture app(program.path());
        QVERIFY(app.settings().contains(QStringLiteral("Snapshot")));
        QCOMPARE(app.settings().read(QStringLiteral("Snapshot")), QString());
        app.run(R"({"click":"PushButton23"})");
        QCOMPARE(app.form().fileList().size(), 0);
        QCOMPARE(app.shownPrompts().size(), 1);
        QCOMPARE(app.shownPrompts()[0].value("answer").toString(), QStringLiteral("No"));
    }

    void samplePathsWithAnyCharactersSurvive()
    {
        TempFiles program;
        const QString odd
            = program.write(QString::fromUtf8("Samples/\xe6\x97\xa5\xe6\x9c\xac caf\xc3\xa9 #%.eml"), "x");
        AppFixture app(program.path());
        app.run(R"({"click":"PushButton23"})");
        QCOMPARE(app.form().fileList().paths(), QStringList { odd });
    }

    void shippedSamplesGiveResults()
    {
        // The samples placed beside the program by the build.
        const QString shipped = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/Samples");
        const QStringList names = QDir(shipped).entryList(QDir::Files);
        QVERIFY2(names.size() >= 6, qPrintable(shipped));
        AppFixture app(QCoreApplication::applicationDirPath() + QStringLiteral("/../src"));
        app.run(R"({"click":"PushButton23"})");
        QCOMPARE(app.form().fileList().size(), names.size());
        app.run(R"({"check":"Check14","on":true})");
        app.run(R"({"click":"PushButton13"})");
        const QList<QStringList> rows = app.rows(QStringLiteral("ListView2"));
        QSet<QString> filesWithSubject;
        for (const QStringList &row : rows) {
            if (row.last().startsWith(QStringLiteral("Subject: ")))
                filesWithSubject.insert(row.first());
        }
        QCOMPARE(filesWithSubject.size(), names.size());
        // The between-markers example line stands in the newsletter as it is.
        bool unsubscribe = false;
        for (const QStringList &row : rows)
            unsubscribe = unsubscribe || row.last() == SampleUnsubscribeLine();
        QVERIFY(unsubscribe);
    }
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
