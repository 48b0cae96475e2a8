// The folder workbooks are handed over in: made private, and refused when
// it is a link, belongs to someone else or lets others in, with the old
// workbooks removed from that folder only.

#include "core/app/AppFailure.h"
#include "core/results/WorkbookFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString FolderName = QStringLiteral("tollervane-workbooks");

void touch(const QString &path, int daysOld)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write test file %s", qPrintable(path));
    file.write("x");
    // Written out first, or the close would make it new again.
    file.flush();
    file.setFileTime(QDateTime::currentDateTime().addDays(-daysOld), QFileDevice::FileModificationTime);
}

std::optional<struct stat> lstatOf(const QString &path)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

// The description of the failure the call throws; nothing when it throws
// none.
template <class Call> std::optional<QString> failureOf(Call &&call)
{
    try {
        call();
    } catch (const AppFailure &failure) {
        return failure.description();
    }
    return std::nullopt;
}

} // namespace

class TestWorkbookFolder : public QObject
{
    Q_OBJECT

private:
    QByteArray savedRuntime;
    std::optional<QTemporaryDir> runtime;

    QString folderPath() const { return QDir(runtime->path()).filePath(FolderName); }

private slots:
    void init()
    {
        savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        runtime.emplace();
        QVERIFY(runtime->isValid());
        QVERIFY(QFile::setPermissions(runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }

    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        runtime.reset();
    }

    // The folder is made private whatever the umask leaves of mkdir's mode.
    void madePrivate_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("usual umask") << 022;
        QTest::newRow("strict umask") << 077;
        QTest::newRow("umask taking every bit") << 0777;
    }

    void madePrivate()
    {
        QFETCH(int, mask);
        const mode_t old = ::umask(mode_t(mask));
        const auto failure = failureOf([] { WorkbookFiles::newWorkbookPath(); });
        ::umask(old);
        QCOMPARE(failure, std::nullopt);
        const auto status = lstatOf(folderPath());
        QVERIFY(status);
        QVERIFY(S_ISDIR(status->st_mode));
        QCOMPARE(status->st_mode & 07777, mode_t(0700));
        QCOMPARE(status->st_uid, ::geteuid());
        QCOMPARE(WorkbookFiles::folder(), folderPath());
    }

    void missingParentsAreMade()
    {
        const QString path = QDir(runtime->path()).filePath(QStringLiteral("a/b/c"));
        QCOMPARE(failureOf([&] { WorkbookFiles::privateFolder(path); }), std::nullopt);
        QCOMPARE(lstatOf(path)->st_mode & 07777, mode_t(0700));
        // Again, now that it is there.
        QCOMPARE(failureOf([&] { WorkbookFiles::privateFolder(path); }), std::nullopt);
    }

    // A folder by that name that is not private is refused, and nothing is
    // written to it or removed from it (nor from where a link leads).
    void refused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("symbolic link to a folder") << "link"
                                                   << "it is a symbolic link";
        QTest::newRow("symbolic link to nothing") << "dangling"
                                                  << "it is a symbolic link";
        QTest::newRow("open to all (755)") << "755"
                                           << "permissions 755";
        QTest::newRow("open to the group (750)") << "750"
                                                 << "permissions 750";
        QTest::newRow("others may pass (701)") << "701"
                                               << "permissions 701";
        QTest::newRow("a file") << "file"
                                << "it is not a folder";
        QTest::newRow("another owner") << "owner"
                                       << "it belongs to another user";
    }

    void refused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = folderPath();
        const QString elsewhere = QDir(runtime->path()).filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkdir(elsewhere));
        QVERIFY(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString oldThere = QDir(elsewhere).filePath(QStringLiteral("Results-old.xlsx"));
        touch(oldThere, 30);

        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(elsewhere, path));
        } else if (kind == QLatin1String("dangling")) {
            QVERIFY(QFile::link(QDir(runtime->path()).filePath(QStringLiteral("none")), path));
        } else if (kind == QLatin1String("file")) {
            touch(path, 0);
        } else {
            QVERIFY(QDir().mkdir(path));
            const mode_t mode = kind == QLatin1String("owner") ? 0700 : mode_t(kind.toInt(nullptr, 8));
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
            touch(QDir(path).filePath(QStringLiteral("Results-old.xlsx")), 30);
            if (kind == QLatin1String("owner")) {
                if (::geteuid() != 0)
                    QSKIP("giving a folder to another user needs root");
                QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0); // nobody
            }
        }
        const auto before = lstatOf(path);

        for (const auto &call : { std::function<void()>([] { WorkbookFiles::newWorkbookPath(); }),
                 std::function<void()>([] { WorkbookFiles::folder(); }) }) {
            const auto failure = failureOf(call);
            QVERIFY(failure);
            QVERIFY2(failure->contains(path), qPrintable(*failure));
            QVERIFY2(failure->contains(reason), qPrintable(*failure));
        }
        // Left as it was: no workbook made, no old one removed, no change of
        // owner or permissions.
        QVERIFY(QFile::exists(oldThere));
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files), QStringList { "Results-old.xlsx" });
        const auto after = lstatOf(path);
        QCOMPARE(after->st_mode, before->st_mode);
        QCOMPARE(after->st_uid, before->st_uid);
        if (kind != QLatin1String("link") && kind != QLatin1String("dangling") && kind != QLatin1String("file"))
            QCOMPARE(QDir(path).entryList(QDir::Files), QStringList { "Results-old.xlsx" });
    }

    // Old workbooks go from the folder itself only: not from the folder
    // above it, not through a link inside it.
    void cleanUpStaysInTheFolder()
    {
        const QString path = WorkbookFiles::folder();
        const QDir folder(path);
        const QDir above(runtime->path());
        touch(folder.filePath(QStringLiteral("Results-old.xlsx")), 10);
        touch(folder.filePath(QStringLiteral("Results-new.xlsx")), 0);
        touch(folder.filePath(QStringLiteral("other-old.txt")), 10);
        touch(above.filePath(QStringLiteral("Results-above.xlsx")), 10);
        QVERIFY(QDir().mkdir(above.filePath(QStringLiteral("outside"))));
        const QString outside = above.filePath(QStringLiteral("outside/Results-target.xlsx"));
        touch(outside, 10);
        QVERIFY(QFile::link(outside, folder.filePath(QStringLiteral("Results-link.xlsx"))));

        const QString made = WorkbookFiles::newWorkbookPath();
        QCOMPARE(QFileInfo(made).absolutePath(), path);
        QVERIFY(QFileInfo(made).isFile());
        QVERIFY(!folder.exists(QStringLiteral("Results-old.xlsx")));
        QVERIFY(folder.exists(QStringLiteral("Results-new.xlsx")));
        QVERIFY(folder.exists(QStringLiteral("other-old.txt")));
        QVERIFY(above.exists(QStringLiteral("Results-above.xlsx")));
        QVERIFY(QFile::exists(outside));
    }
};

QTEST_GUILESS_MAIN(TestWorkbookFolder)
#include "test_workbook_folder.moc"
