// The small shared pieces: the error box text and trap, the settings store,
// the application title and the path helpers.

#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/AppTitle.h"
#include "core/app/ErrorTrap.h"
#include "core/app/PathTools.h"
#include "core/app/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class TestCoreBasics : public QObject
{
    Q_OBJECT

private slots:
    void errorBoxTextLayout()
    {
        const QString text = applicationErrorText(
            QStringLiteral("Type mismatch"), ErrorTrap::location(QStringLiteral("Form1.PushButton13_Click")), 104);
        QCOMPARE(text,
            QStringLiteral("Type mismatch\r\nin Quillmarsh2021/08/31.Form1.PushButton13_Click at line 104"
                           "\r\rPlease email screenshot of this message to support@ardenwick.example"));
        QCOMPARE(ErrorTrap::location(QStringLiteral("AddFolder.GetSubDirectories2016"), QStringLiteral("Brannoch")),
            QStringLiteral("in Brannoch2021/08/31.AddFolder.GetSubDirectories2016 "));
    }

    void trapReportsEachFailedStepAndGoesOn()
    {
        QList<QJsonObject> shown;
        ScriptedPrompts prompts([&](const QJsonObject &p) { shown.append(p); });
        ErrorTrap trap(prompts, QStringLiteral("Form1.PushButton2_Click"));
        QStringList ran;
        trap.step(100, [&] { throw AppFailure(QStringLiteral("first")); });
        trap.step(102, [&] { ran << QStringLiteral("102"); });
        trap.step(104, [&] { throw std::runtime_error("second"); });
        trap.step(106, [&] {
            ran << QStringLiteral("106");
            throw std::bad_alloc();
        });
        trap.step(108, [&] { ran << QStringLiteral("108"); });

        QCOMPARE(ran, (QStringList { "102", "106", "108" }));
        QCOMPARE(trap.failures(), 3);
        QCOMPARE(shown.size(), 3);
        const QStringList expectedStarts
            = { QStringLiteral("first\r\nin Quillmarsh2021/08/31.Form1.PushButton2_Click at line 100"),
                  QStringLiteral("second\r\nin Quillmarsh2021/08/31.Form1.PushButton2_Click at line 104"),
                  QStringLiteral("Out of memory\r\nin Quillmarsh2021/08/31.Form1.PushButton2_Click at line 106") };
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(shown[i].value("text").toString().startsWith(expectedStarts[i]),
                qPrintable(shown[i].value("text").toString()));
            QCOMPARE(shown[i].value("icon").toString(), QStringLiteral("warning"));
            QCOMPARE(shown[i].value("buttons").toArray(), QJsonArray { QStringLiteral("OK") });
        }
    }

    void settingsRoundTripAndDurability_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("abc");
        QTest::newRow("empty stays present") << QString();
        QTest::newRow("commas") << QStringLiteral("1,,3, 5");
        QTest::newRow("delimiter text") << QStringLiteral("x!!!QUIRL!!!y z!!!QUIRL!!!w");
        QTest::newRow("quotes and equals") << QStringLiteral("a=\"b\";c #d");
        QTest::newRow("8-bit and beyond") << QString::fromUtf8("caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \x01\xff");
        QTest::newRow("blanks around") << QStringLiteral("  padded  ");
    }

    void settingsRoundTripAndDurability()
    {
        QFETCH(QString, value);
        QTemporaryDir config;
        const QString file = SettingsStore::filePathInConfigDir(config.path());
        {
            SettingsStore store(file);
            QVERIFY(!store.contains(QStringLiteral("Text1")));
            QCOMPARE(store.read(QStringLiteral("Text1"), QStringLiteral("default")), QStringLiteral("default"));
            store.save(QStringLiteral("Text1"), value);
        }
        // A new store on the same file (a restart) reads what was saved.
        SettingsStore again(file);
        QVERIFY(again.contains(QStringLiteral("Text1")));
        QCOMPARE(again.read(QStringLiteral("Text1"), QStringLiteral("default")), value);
        QCOMPARE(again.all().value(QStringLiteral("Text1")), value);
        QVERIFY(QFile::exists(file));
        QVERIFY(file.endsWith(QStringLiteral("Ardenwick/Tollervane.conf")));
    }

    void settingsSaveOverDamagedFile()
    {
        // Garbage in the settings file is a reading problem, not a failed
        // write: the save succeeds without a box and the value is stored.
        TempFiles files;
        const QString file = SettingsStore::filePathInConfigDir(files.path());
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        static const char garbage[] = "\x00\xff[\x01garbage\nno equals sign here\n\x80\x81\x82";
        damaged.write(garbage, sizeof garbage - 1);
        damaged.close();
        SettingsStore store(file);
        store.save(QStringLiteral("Check1"), QStringLiteral("1"));
        QCOMPARE(SettingsStore(file).read(QStringLiteral("Check1")), QStringLiteral("1"));
    }

    void settingsWriteFailureIsAFailure()
    {
        TempFiles files;
        // The settings folder's place is taken by a plain file.
        const QString blocker = files.write(QStringLiteral("Ardenwick"), "not a folder");
        Q_UNUSED(blocker);
        SettingsStore store(SettingsStore::filePathInConfigDir(files.path()));
        QVERIFY_THROWS_EXCEPTION(AppFailure, store.save(QStringLiteral("Check1"), QStringLiteral("1")));
    }

    void applicationTitle_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word stays whole") << QStringLiteral("Tollervane") << QStringLiteral("Tollervane");
        QTest::newRow("two words lose one") << QStringLiteral("Tollervane Extractor") << QStringLiteral("Tollervane");
        QTest::newRow("short name still loses its last word")
            << QStringLiteral("Mail Line Extractor Pro") << QStringLiteral("Mail Line Extractor");
        QTest::newRow("long name cut to 40")
            << QStringLiteral("Tollervane Mail Line And Stretch Extraction Utility For Many Messages")
            << QStringLiteral("Tollervane Mail Line And Stretch");
        QTest::newRow("41 characters after one cut") << QStringLiteral("Abcdefghij Abcdefghij Abcdefghij Abcdefgh Zz")
                                                     << QStringLiteral("Abcdefghij Abcdefghij Abcdefghij");
        QTest::newRow("exactly 40 after one cut") << QStringLiteral("Abcdefghij Abcdefghij Abcdefghij Abcdefg Zz")
                                                  << QStringLiteral("Abcdefghij Abcdefghij Abcdefghij Abcdefg");
    }

    void applicationTitle()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(SetApplicationTitle(product), title);
        QVERIFY(SetApplicationTitle(product).size() <= 40 || !product.contains(QLatin1Char(' ')));
    }

    void fileNameFromPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("full path") << QStringLiteral("/a/b.eml") << QStringLiteral("b.eml");
        QTest::newRow("name alone") << QStringLiteral("b.eml") << QStringLiteral("b.eml");
        QTest::newRow("ends with separator") << QStringLiteral("/a/") << QString();
        QTest::newRow("backslash is a character here")
            << QStringLiteral("C:\\a\\b.eml") << QStringLiteral("C:\\a\\b.eml");
    }

    void fileNameFromPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(PathTools::GetFileNameFromPath(path), name);
    }

    void doubleSeparators_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("tidied");
        QTest::newRow("pairs collapse") << QStringLiteral("/a//b.eml") << QStringLiteral("/a/b.eml");
        QTest::newRow("three become two") << QStringLiteral("/a///b.eml") << QStringLiteral("/a//b.eml");
        QTest::newRow("four become two") << QStringLiteral("/a////b.eml") << QStringLiteral("/a//b.eml");
        QTest::newRow("root joined") << QStringLiteral("//a.eml") << QStringLiteral("/a.eml");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("nothing to do") << QStringLiteral("/mail/x.eml") << QStringLiteral("/mail/x.eml");
    }

    void doubleSeparators()
    {
        QFETCH(QString, path);
        QFETCH(QString, tidied);
        QCOMPARE(PathTools::RemoveDoubleBackslashes(path), tidied);
    }

    void fileExists()
    {
        TempFiles files;
        QVERIFY(PathTools::FileExists(files.write(QStringLiteral("a.eml"), "x")));
        QVERIFY(PathTools::FileExists(files.path()));
        QVERIFY(!PathTools::FileExists(files.filePath(QStringLiteral("missing.eml"))));
        QVERIFY(!PathTools::FileExists(QString()));
        QVERIFY(!PathTools::FileExists(QString::fromLatin1("bad\0name", 8)));
    }
};

QTEST_GUILESS_MAIN(TestCoreBasics)
#include "test_core_basics.moc"
