// A folder the user may not read is skipped by the folder scan without a
// box. Root reads every folder, so the scripted driver is run as an
// unprivileged user (setpriv) on a tree in a world-readable folder.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

constexpr QFile::Permissions Open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

void writeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Subject: x\r\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
}

struct DriverRun
{
    int exitCode = -1;
    QList<QJsonObject> lines;
};

} // namespace

class TestFileListUnprivileged : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_top;
    QString m_driver;
    QString m_tree;

    // Runs the driver on the script, as the user nobody when asked.
    DriverRun drive(const QByteArray &script, bool asNobody)
    {
        const QString config
            = m_top.filePath(asNobody ? QStringLiteral("config-nobody") : QStringLiteral("config-root"));
        QDir().mkpath(config);
        QFile::setPermissions(config, Open | QFile::WriteGroup | QFile::WriteOther);
        const QString programDir = m_top.filePath(QStringLiteral("program"));
        QDir().mkpath(programDir);

        QStringList arguments { m_driver, QStringLiteral("--program-dir"), programDir, QStringLiteral("--config-dir"),
            config, QStringLiteral("-") };
        QString program = arguments.takeFirst();
        if (asNobody && ::geteuid() == 0) {
            arguments.prepend(program);
            arguments = QStringList {
                QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")
            } + arguments;
            program = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        }
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), m_top.path());
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        process.write(script);
        process.closeWriteChannel();
        DriverRun run;
        if (!process.waitForFinished(60000))
            return run;
        run.exitCode = process.exitCode();
        for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
            if (!line.trimmed().isEmpty())
                run.lines.append(QJsonDocument::fromJson(line).object());
        }
        if (run.exitCode != 0)
            qWarning("%s", process.readAllStandardError().constData());
        return run;
    }

    static QStringList rowsOf(const QJsonObject &dump)
    {
        QStringList rows;
        for (const QJsonValue &row : dump.value(QStringLiteral("rows")).toArray())
            rows.append(row.toArray().at(0).toString());
        return rows;
    }

    static QStringList promptKinds(const DriverRun &run)
    {
        QStringList kinds;
        for (const QJsonObject &line : run.lines) {
            if (line.contains(QStringLiteral("prompt")))
                kinds.append(line.value(QStringLiteral("prompt")).toString());
        }
        return kinds;
    }

private slots:
    void initTestCase()
    {
        if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("setpriv is not installed: cannot run as an unprivileged user");
        QVERIFY(m_top.isValid());
        QVERIFY(QFile::setPermissions(m_top.path(), Open));

        // A copy of the driver inside the world-readable folder, so that the
        // unprivileged user can run it wherever the build lies.
        const QString built
            = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/driver/tollervane-drive");
        QVERIFY2(QFileInfo::exists(built), qPrintable(built));
        m_driver = m_top.filePath(QStringLiteral("tollervane-drive"));
        QVERIFY(QFile::copy(built, m_driver));
        QVERIFY(QFile::setPermissions(m_driver, Open));

        m_tree = m_top.filePath(QStringLiteral("X"));
        writeFile(m_tree + QStringLiteral("/a.eml"));
        writeFile(m_tree + QStringLiteral("/locked/z.eml"));
        writeFile(m_tree + QStringLiteral("/locked/inner/y.eml"));
        writeFile(m_tree + QStringLiteral("/open/b.eml"));
        // Readable but not searchable: its names can be listed, its files not opened.
        writeFile(m_tree + QStringLiteral("/unsearchable/w.eml"));
        for (const QString &folder :
            { m_tree, m_tree + QStringLiteral("/open"), m_tree + QStringLiteral("/locked/inner") })
            QVERIFY(QFile::setPermissions(folder, Open));
        QVERIFY(QFile::setPermissions(
            m_tree + QStringLiteral("/locked"), ::geteuid() == 0 ? OwnerOnly : QFile::Permissions()));
        QVERIFY(QFile::setPermissions(m_tree + QStringLiteral("/unsearchable"),
            (::geteuid() == 0 ? OwnerOnly : QFile::Permissions()) | QFile::ReadOwner | QFile::ReadGroup
                | QFile::ReadOther));
    }

    void cleanupTestCase()
    {
        QFile::setPermissions(m_tree + QStringLiteral("/locked"), Open);
        QFile::setPermissions(m_tree + QStringLiteral("/unsearchable"), Open);
    }

    void unreadableFolderIsSkippedWithoutABox_data()
    {
        QTest::addColumn<QByteArray>("script");
        const QByteArray folder = QJsonDocument(QJsonArray { m_tree }).toJson(QJsonDocument::Compact);
        QTest::newRow("Add All EML Files In Folder")
            << QByteArray("{\"answers\":[{\"folder\":" + folder.mid(1, folder.size() - 2)
                   + "}]}\n"
                     "{\"click\":\"PushButton5\"}\n{\"dump\":\"ListView1\"}\n");
        QTest::newRow("drop") << QByteArray(
            "{\"drop\":" + folder + ",\"on\":\"ListView1\"}\n{\"dump\":\"ListView1\"}\n");
    }

    void unreadableFolderIsSkippedWithoutABox()
    {
        QFETCH(QByteArray, script);
        const bool viaChooser = script.contains("PushButton5");
        const DriverRun run = drive(script, true);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.lines.isEmpty());
        QCOMPARE(rowsOf(run.lines.last()), (QStringList { m_tree + "/a.eml", m_tree + "/open/b.eml" }));
        QCOMPARE(promptKinds(run), viaChooser ? QStringList { QStringLiteral("folder") } : QStringList());

        // The same script with every folder readable lists the locked files:
        // the skipping above is the user's missing permission, nothing else.
        if (::geteuid() == 0) {
            const DriverRun privileged = drive(script, false);
            QCOMPARE(privileged.exitCode, 0);
            QCOMPARE(rowsOf(privileged.lines.last()),
                (QStringList { m_tree + "/a.eml", m_tree + "/locked/z.eml", m_tree + "/open/b.eml",
                    m_tree + "/unsearchable/w.eml", m_tree + "/locked/inner/y.eml" }));
        }
    }
};

QTEST_GUILESS_MAIN(TestFileListUnprivileged)
#include "test_filelist_unprivileged.moc"
