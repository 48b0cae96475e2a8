// The file list's logic without windows: name matching, file tests and
// attributes, list-file rows, folder listings, the folder scan and the
// file-adding loop.

#include "ScriptedPrompts.h"
#include "TempFiles.h"
#include "core/app/AppFailure.h"
#include "core/filelist/FileAddingLoop.h"
#include "core/filelist/FileAttributes.h"
#include "core/filelist/FileListModel.h"
#include "core/filelist/FileTests.h"
#include "core/filelist/FolderListing.h"
#include "core/filelist/FolderScan.h"
#include "core/filelist/ListFile.h"
#include "core/filelist/WildcardMatch.h"

#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        qFatal("cannot make %s", qPrintable(path));
}

void makeLink(const QString &target, const QString &link)
{
    if (!QFile::link(target, link))
        qFatal("cannot link %s", qPrintable(link));
}

void makeReadOnly(const QString &path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

// Gives its bytes a few at a time, then fails as a disk would.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_at == m_bytes.size()) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 n = qMin<qint64>(qMin<qint64>(maxSize, 5), m_bytes.size() - m_at);
        memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_at = 0;
};

} // namespace

class TestFileListCore : public QObject
{
    Q_OBJECT

private slots:
    void wildcardMatch_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension") << "*.eml"
                                   << "a.eml" << true;
        QTest::newRow("upper-case name") << "*.eml"
                                         << "B.EML" << true;
        QTest::newRow("longer extension") << "*.eml"
                                          << "x.emlx" << false;
        QTest::newRow("no dot") << "*.eml"
                                << "eml" << false;
        QTest::newRow("dot-file") << "*.eml"
                                  << ".eml" << true;
        QTest::newRow("extension twice") << "*.eml"
                                         << "a.eml.eml" << true;
        QTest::newRow("star takes a dot") << "*.eml"
                                          << "a.b.eml" << true;
        QTest::newRow("non-ASCII case") << QString::fromUtf8("\xc3\x89t\xc3\xa9.eml")
                                        << QString::fromUtf8("\xc3\xa9T\xc3\x89.EML") << true;
        QTest::newRow("question mark, one") << "?.eml"
                                            << "a.eml" << true;
        QTest::newRow("question mark, two") << "?.eml"
                                            << "ab.eml" << false;
        QTest::newRow("question mark, none") << "?.eml"
                                             << ".eml" << false;
        QTest::newRow("question mark, surrogate pair") << "?.eml" << QString::fromUtf8("\xf0\x9f\x98\x80.eml") << true;
        QTest::newRow("every file") << "*"
                                    << "no extension" << true;
        QTest::newRow("every file, empty name") << "*"
                                                << "" << true;
        QTest::newRow("stars backtrack") << "a*b*c"
                                         << "aXbYbZc" << true;
        QTest::newRow("stars backtrack, no end") << "a*b*c"
                                                 << "aXbYbZ" << false;
        QTest::newRow("star takes nothing") << "a*b"
                                            << "ab" << true;
        QTest::newRow("literal") << "a.eml"
                                 << "A.EML" << true;
        QTest::newRow("literal, other") << "a.eml"
                                        << "b.eml" << false;
    }

    void wildcardMatch()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(WildcardMatch(pattern, name), matches);
    }

    void nameHasOddCharacters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("odd");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("plain") << "Inbox 2021" << false;
        QTest::newRow("accented") << QString::fromUtf8("caf\xc3\xa9 \xc3\xbc") << false;
        QTest::newRow("CJK") << QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac") << false;
        QTest::newRow("question mark") << "what?" << true;
        QTest::newRow("tab") << "a\tb" << true;
        QTest::newRow("escape") << QStringLiteral("a\x1b") << true;
        QTest::newRow("delete") << QStringLiteral("a\x7f") << true;
        QTest::newRow("C1 control") << QString(QChar(0x85)) << true;
        QTest::newRow("after C1") << QString(QChar(0xA0)) << false;
        QTest::newRow("undecodable byte") << QFile::decodeName(QByteArray("bad\xff")) << true;
    }

    void nameHasOddCharacters()
    {
        QFETCH(QString, name);
        QFETCH(bool, odd);
        QCOMPARE(NameHasOddCharacters(name), odd);
    }

    void fileAttributesAndTests_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("attributes");
        QTest::addColumn<bool>("openable");
        QTest::addColumn<bool>("directory");
        QTest::newRow("plain file") << "plain.eml" << 32 << true << false;
        QTest::newRow("dot-file") << ".hidden.eml" << 34 << true << false;
        QTest::newRow("read-only file") << "locked.eml" << 33 << true << false;
        QTest::newRow("read-only dot-file") << ".locked.eml" << 35 << true << false;
        QTest::newRow("folder") << "folder" << 16 << false << true;
        QTest::newRow("folder with a trailing separator") << "folder/" << 16 << false << true;
        QTest::newRow("dot-folder") << ".git/" << 18 << false << true;
        QTest::newRow("link to a file") << "file-link" << 1056 << true << false;
        QTest::newRow("link to a folder") << "folder-link" << 1040 << false << true;
        QTest::newRow("dangling link") << "dangling" << -1 << false << false;
        QTest::newRow("pipe") << "pipe" << 0 << false << false;
        QTest::newRow("missing") << "missing.eml" << -1 << false << false;
    }

    void fileAttributesAndTests()
    {
        QFETCH(QString, name);
        QFETCH(int, attributes);
        QFETCH(bool, openable);
        QFETCH(bool, directory);
        TempFiles files;
        files.write(QStringLiteral("plain.eml"), "x");
        files.write(QStringLiteral(".hidden.eml"), "x");
        makeReadOnly(files.write(QStringLiteral("locked.eml"), "x"));
        makeReadOnly(files.write(QStringLiteral(".locked.eml"), "x"));
        makeFolder(files.filePath(QStringLiteral("folder")));
        makeFolder(files.filePath(QStringLiteral(".git")));
        makeLink(files.filePath(QStringLiteral("plain.eml")), files.filePath(QStringLiteral("file-link")));
        makeLink(files.filePath(QStringLiteral("folder")), files.filePath(QStringLiteral("folder-link")));
        makeLink(files.filePath(QStringLiteral("gone")), files.filePath(QStringLiteral("dangling")));
        QCOMPARE(::mkfifo(QFile::encodeName(files.filePath(QStringLiteral("pipe"))).constData(), 0644), 0);

        const QString path = files.path() + QLatin1Char('/') + name;
        QCOMPARE(FileAttributes(path), attributes);
        QCOMPARE(IsOpenableFile(path), openable);
        QCOMPARE(IsDirectory(path), directory);
    }

    void rootFolder()
    {
        QVERIFY(IsRootFolder(QStringLiteral("/")));
        QVERIFY(IsRootFolder(QStringLiteral("//")));
        QVERIFY(!IsRootFolder(QStringLiteral("/tmp/")));
        QVERIFY(!IsRootFolder(QString()));
    }

    void listFileRows_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << QStringList();
        QTest::newRow("CR LF, empty middle line")
            << QByteArray("/a.eml\r\n\r\n/b.eml\r\n") << QStringList { "/a.eml", "", "/b.eml" };
        QTest::newRow("LF, final LF") << QByteArray("/a.eml\n/b.eml\n") << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("CR, final CR") << QByteArray("/a.eml\r/b.eml\r") << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("no final line end") << QByteArray("/a.eml\r\n/b.eml") << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("line end only") << QByteArray("\n") << QStringList { "" };
        QTest::newRow("two line ends at the end") << QByteArray("/a.eml\r\n\n") << QStringList { "/a.eml", "" };
        QTest::newRow("LF then CR") << QByteArray("/a\n\r/b") << QStringList { "/a", "", "/b" };
        QTest::newRow("blanks and tabs kept")
            << QByteArray(" /a.eml \r\n\t/b.eml\t\r\n") << QStringList { " /a.eml ", "\t/b.eml\t" };
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF/a.eml\r\n/b.eml")
                                         << QStringList { "/a.eml", "/b.eml" };
        QTest::newRow("mark later is kept") << QByteArray("/a.eml\n\xEF\xBB\xBF/b.eml")
                                            << QStringList { "/a.eml", QChar(0xFEFF) + QStringLiteral("/b.eml") };
        QTest::newRow("only the first of two marks goes")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF/a.eml") << QStringList { QChar(0xFEFF) + QStringLiteral("/a.eml") };
        QTest::newRow("UTF-8 names") << QByteArray("/caf\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac #%'\".eml\n")
                                     << QStringList { QString::fromUtf8(
                                            "/caf\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac #%'\".eml") };
    }

    void listFileRows()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QCOMPARE(ListFileRows(bytes), rows);
    }

    void listFileReadFailingPartwayKeepsWholeLines()
    {
        FileListModel list;
        list.append({ QStringLiteral("/before.eml") });
        FailingDevice device("/a.eml\r\n/b.eml\n/c.e");
        QVERIFY_THROWS_EXCEPTION(AppFailure, AppendListFileRows(list, device, QStringLiteral("list.txt")));
        QCOMPARE(list.paths(), (QStringList { "/before.eml", "/a.eml", "/b.eml" }));
    }

    void listFileNotFoundSaysSo()
    {
        TempFiles files;
        ScriptedPrompts prompts;
        QStringList shown;
        prompts.setSink(
            [&](const QJsonObject &prompt) { shown.append(prompt.value(QStringLiteral("text")).toString()); });
        FileListModel list;
        LoadListFromTextFile(list, files.filePath(QStringLiteral("missing.txt")), prompts);
        QCOMPARE(shown, QStringList { QStringLiteral("File not found") });
        QCOMPARE(list.size(), 0);
        // A folder exists, but cannot be read as a list: that is a failure.
        QVERIFY_THROWS_EXCEPTION(AppFailure, LoadListFromTextFile(list, files.path(), prompts));
    }

    void filesInFolderInListingOrder()
    {
        TempFiles files;
        for (const char *name : { "b.eml", "A.EML", "c.emlx", "a.eml", ".dot.eml", "~t.eml", "notes.txt" })
            files.write(QString::fromLatin1(name), "x");
        makeFolder(files.filePath(QStringLiteral("folder.eml")));
        QCOMPARE(::mkfifo(QFile::encodeName(files.filePath(QStringLiteral("pipe.eml"))).constData(), 0644), 0);

        const QStringList expected { ".dot.eml", "A.EML", "a.eml", "b.eml", "~t.eml" };
        QCOMPARE(GetFilesInFolder(files.path(), QStringLiteral("*.eml")), expected);
        QCOMPARE(GetFilesInFolder(files.path() + QLatin1Char('/'), QStringLiteral("*.eml")), expected);
        QCOMPARE(GetFilesInFolder(files.filePath(QStringLiteral("missing")), QStringLiteral("*")), QStringList());
    }

    void listingOrderIsStableAndIgnoresCase()
    {
        // A sort that runs in pieces must give what a plain sort gives.
        QStringList names;
        for (int i = 0; i < 9000; ++i)
            names.append(
                QStringLiteral("%1%2").arg(i % 2 ? QStringLiteral("M") : QStringLiteral("m")).arg((i * 7919) % 9000));
        QStringList expected = names;
        std::stable_sort(expected.begin(), expected.end(), [](const QString &a, const QString &b) {
            const int folded = QString::compare(a.toCaseFolded(), b.toCaseFolded());
            return folded != 0 ? folded < 0 : QString::compare(a, b) < 0;
        });
        SortLikeListing(names);
        QCOMPARE(names, expected);
    }

    void scanGoesLevelByLevel()
    {
        TempFiles files;
        const QString x = files.path() + QStringLiteral("/X/");
        for (const char *folder : { "A/A1", "B", ".dot/inner" })
            makeFolder(x + QString::fromLatin1(folder));
        ScriptedPrompts prompts;
        QStringList folders { x };
        GetSubDirectories2016(folders, true, prompts);
        QCOMPARE(folders, (QStringList { x, x + ".dot/", x + "A/", x + "B/", x + ".dot/inner/", x + "A/A1/" }));

        QStringList oneLevel { x };
        GetSubDirectories2016(oneLevel, false, prompts);
        QCOMPARE(oneLevel, (QStringList { x, x + ".dot/", x + "A/", x + "B/" }));
    }

    void scanSkipsOddNamesWithEverythingBelow()
    {
        TempFiles files;
        const QString x = files.path() + QStringLiteral("/X/");
        for (const QString &folder : { QStringLiteral("what?/below"), QStringLiteral("tab\there/below"),
                 QStringLiteral("fine/below"), QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac/below") })
            makeFolder(x + folder);
        // A name whose bytes are not UTF-8 cannot be decoded as a file name.
        const QByteArray badName = QFile::encodeName(x) + "bad\xff";
        QCOMPARE(::mkdir(badName.constData(), 0755), 0);
        // Qt cannot name it to remove it with the rest.
        const auto removeBad = qScopeGuard([&] { ::rmdir(badName.constData()); });
        ScriptedPrompts prompts;
        QStringList folders { x };
        GetSubDirectories2016(folders, true, prompts);
        const QString cjk = QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac/");
        QCOMPARE(folders, (QStringList { x, x + "fine/", x + cjk, x + "fine/below/", x + cjk + "below/" }));
    }

    void scanEndsOnLinkCycles()
    {
        TempFiles files;
        const QString x = files.path() + QStringLiteral("/X/");
        makeFolder(x + QStringLiteral("sub/deeper"));
        makeLink(x, x + QStringLiteral("sub/up"));
        makeLink(x + QStringLiteral("sub/deeper"), x + QStringLiteral("sub/zz-again"));
        ScriptedPrompts prompts;
        QStringList folders { x };
        GetSubDirectories2016(folders, true, prompts);
        // Each folder once: the way back up and the second way in are dropped.
        QCOMPARE(folders, (QStringList { x, x + "sub/", x + "sub/deeper/" }));
        QVERIFY(prompts.pendingAnswers() == 0);
    }

    void scanDoesNotDescendPastTheLengthLimit()
    {
        TempFiles files;
        const QString q = files.path() + QLatin1Char('/') + QString(120, u'a') + QLatin1Char('/');
        const QString p = q + QString(140, u'b') + QLatin1Char('/');
        QVERIFY(p.size() >= FolderScan::LengthLimit);
        QVERIFY(q.size() < FolderScan::LengthLimit);
        makeFolder(p + QStringLiteral("c"));
        ScriptedPrompts prompts;
        QStringList folders { q };
        GetSubDirectories2016(folders, true, prompts);
        // The long folder is listed (its files are added) but not descended.
        QCOMPARE(folders, (QStringList { q, p }));
    }

    void scanStopsWhenAsked()
    {
        TempFiles files;
        const QString x = files.path() + QStringLiteral("/X/");
        makeFolder(x + QStringLiteral("A/A1"));
        ScriptedPrompts prompts;
        QStringList folders { x };
        GetSubDirectories2016(folders, true, prompts, [] { return true; });
        QCOMPARE(folders, QStringList { x });
    }

    void fileAddingLoop()
    {
        TempFiles files;
        const QString x = files.path() + QStringLiteral("/X");
        for (const char *name : { "a.eml", "~draft.eml", "a~.eml", "UP.EML", "x.emlx", "notes.txt", ".hidden.eml",
                 "sub/b.eml", ".dot/c.eml" })
            files.write(QStringLiteral("X/") + QString::fromLatin1(name), "x");
        makeReadOnly(files.write(QStringLiteral("X/.readonly.eml"), "x"));
        QCOMPARE(::mkfifo(QFile::encodeName(x + QStringLiteral("/pipe.eml")).constData(), 0644), 0);

        // The entry's doubled separator (a chosen root gives one) is tidied away.
        const QStringList folders { x + QStringLiteral("//"), x + QStringLiteral("/sub/") };
        FileListModel list;
        AddFilesInFolderList(folders, EmlFilePattern, list);
        // A dot-file reads 34 and is skipped; read-only it reads 35 and is added.
        QCOMPARE(list.paths(),
            (QStringList { x + "/.readonly.eml", x + "/a.eml", x + "/a~.eml", x + "/UP.EML", x + "/sub/b.eml" }));

        list.clearRows();
        AddFilesInFolderList({ x + QStringLiteral("/sub/") }, EveryFilePattern, list);
        QCOMPARE(list.paths(), QStringList { x + "/sub/b.eml" });
    }

    void keptFilesGiveTheSameRowsAsReadingAgain_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("message files") << EmlFilePattern;
        QTest::newRow("every file") << EveryFilePattern;
    }

    void keptFilesGiveTheSameRowsAsReadingAgain()
    {
        QFETCH(QString, pattern);
        TempFiles files;
        for (const char *name : { "a.eml", "B.EML", "c.txt", "~t.eml", ".h.eml", "A/d.eml", "A/A1/e.eml", "B/f",
                 ".dot/g.eml", "A/A1/.h/i.eml" })
            files.write(QStringLiteral("X/") + QString::fromLatin1(name), "x");
        const QString x = files.path() + QStringLiteral("/X/");
        ScriptedPrompts prompts;

        QStringList plainFolders { x };
        GetSubDirectories2016(plainFolders, true, prompts);
        FileListModel plain;
        AddFilesInFolderList(plainFolders, pattern, plain);

        QStringList keptFolders { x };
        FolderScan scan(prompts);
        scan.keepFilesMatching(pattern);
        scan.GetSubDirectories2016(keptFolders, true);
        QVERIFY(scan.keptFiles(x, pattern));
        QVERIFY(!scan.keptFiles(x, QStringLiteral("*.other")));
        FileListModel kept;
        AddFilesInFolderList(keptFolders, pattern, kept, &scan);

        QCOMPARE(keptFolders, plainFolders);
        QCOMPARE(kept.paths(), plain.paths());
        QVERIFY(plain.size() >= 5);
    }
};

QTEST_GUILESS_MAIN(TestFileListCore)
#include "test_filelist_core.moc"
