// Unusual and hostile inputs to Extract All Lines: devices and pipes (never
// block), NUL-filled binaries, very long paths, files that vanish, and a
// huge file with no line end, with the event loop watched for stalls.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/CaptionedProgressBar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {
// Records the longest gap between firings of a 2 ms timer while it runs.
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_sinceTick.elapsed());
            m_sinceTick.restart();
        });
        m_timer.start();
        m_sinceTick.start();
    }
    qint64 stop()
    {
        m_longest = qMax(m_longest, m_sinceTick.elapsed());
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
};

QString errorLocationOf(const QJsonObject &prompt)
{
    return prompt.value("text").toString().section(QStringLiteral("\r\n"), 1).section(QStringLiteral("at line"), 0, 0);
}
} // namespace

class TestHostileInputs : public QObject
{
    Q_OBJECT

private slots:
    void devicesAndPipesAreReportedNotRead()
    {
        TempFiles files;
        const QString pipe = files.filePath(QStringLiteral("pipe.eml"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString after = files.write(QStringLiteral("after.eml"), "still read\r\n");
        AppFixture app;
        app.form().fileList().append(
            QStringList { pipe, QStringLiteral("/dev/zero"), QStringLiteral("/dev/null"), after });
        QElapsedTimer clock;
        clock.start();
        app.run(R"({"click":"PushButton13"})");
        QVERIFY(clock.elapsed() < 5000); // nothing blocked on the pipe or the device
        const QList<QJsonObject> prompts = app.shownPrompts();
        QCOMPARE(prompts.size(), 4);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(
                errorLocationOf(prompts[i]), QStringLiteral("in Quillmarsh2021/08/31.Main.ReadFileToStringFSOLine "));
        QCOMPARE(prompts[3].value("text").toString(), QStringLiteral("Done."));
        QCOMPARE(app.rows(QStringLiteral("ListView2")).last(), QStringList { QStringLiteral("still read") });
    }

    void nulFilledBinariesAreTextLikeAnyOther()
    {
        TempFiles files;
        QByteArray binary(100000, '\0');
        binary[50000] = '\n';
        binary.append("\xff\xfe tail", 7);
        const QString path = files.write(QStringLiteral("zeros.bin"), binary);
        AppFixture app;
        app.form().fileList().append(path);
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.form().results().size(), 2);
        QCOMPARE(app.form().results().resultBytes(0).size(), 50000);
        QCOMPARE(app.form().results().resultBytes(1).toByteArray(),
            QByteArray(49999, '\0') + QByteArray("\xff\xfe tail", 7));
        QCOMPARE(app.messageTexts(), QStringList { QStringLiteral("Done.") });
    }

    void veryLongPathsWork()
    {
        TempFiles files;
        QString folder = files.path();
        while (folder.size() + 201 < 3900)
            folder += QLatin1Char('/') + QString(200, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QLatin1Char('/') + QString(4000 - folder.size() - 1, QLatin1Char('f'));
        QCOMPARE(path.size(), 4000);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Subject: deep\r\n");
        }
        AppFixture app;
        app.dropFiles({ path });
        app.run(R"({"check":"Check14","on":true})");
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(
            app.rows(QStringLiteral("ListView2")), (QList<QStringList> { { path, QStringLiteral("Subject: deep") } }));
    }

    void aFileThatVanishesIsReportedAndTheRunGoesOn()
    {
        TempFiles files;
        const QString first = files.write(QStringLiteral("1.eml"), "one\r\n");
        const QString gone = files.write(QStringLiteral("2.eml"), "two\r\n");
        const QString third = files.write(QStringLiteral("3.eml"), "three\r\n");
        AppFixture app;
        app.form().fileList().append(QStringList { first, gone, third });
        // The second file disappears while the first one is being processed.
        QObject::connect(&app.form().progressBar(), &CaptionedProgressBar::progressChanged, &app.form(),
            [&](double, const QString &caption) {
                if (caption.endsWith(QStringLiteral("1.eml")))
                    QFile::remove(gone);
            });
        app.run(R"({"click":"PushButton13"})");
        QCOMPARE(app.rows(QStringLiteral("ListView2")), (QList<QStringList> { { "one" }, { "" }, { "three" } }));
        QCOMPARE(app.shownPrompts().size(), 2);
        QVERIFY(app.shownPrompts()[0].value("text").toString().startsWith(QStringLiteral("File not found")));
    }

    void hugeFileWithoutLineEndKeepsTheWindowAnswering()
    {
        TempFiles files;
        const QString path = files.filePath(QStringLiteral("huge.eml"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QByteArray piece(1 << 20, 'x');
            for (int i = 0; i < 200; ++i)
                file.write(piece);
        }
        AppFixture app;
        app.form().fileList().append(path);
        StallWatch watch;
        app.run(R"({"click":"PushButton13"})");
        const qint64 stall = watch.stop();
        QCOMPARE(app.form().results().size(), 1);
        QCOMPARE(app.form().results().resultBytes(0).size(), 200 << 20);
        // The list shows only the start of such a result.
        QCOMPARE(app.form().results().cellPreview(0, 0).size(), ResultsModel::DisplayLimit + 1);
        qInfo("longest stall reading a 200 MiB line: %lld ms", stall);
#ifndef TOLLERVANE_SANITIZED
        QVERIFY2(stall < 150, qPrintable(QStringLiteral("stall %1 ms").arg(stall)));
#endif
    }
};

QTEST_MAIN(TestHostileInputs)
#include "test_hostile_inputs.moc"
