// The message viewer, Form4: a result's file shown raw or decoded at the
// result's line with its text highlighted, as the driver's dump reports it;
// F3 and Shift+F3 through the hits round the ends; one window reused, closed
// by Escape; a screenshot of each kind (build/screenshots/).

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/results/ResultsModel.h"
#include "gui/viewer/Form4.h"
#include "gui/viewer/MessageView.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTest>

Q_DECLARE_METATYPE(TextKind)

namespace {

// "Ärger" in the subject and three times in the body, in several letter
// cases; the raw bytes hold the subject's and one of the body's as
// quoted-printable.
const QByteArray Message = "From: Ann <ann@example.org>\r\n"
                           "Subject: =?ISO-8859-1?Q?=C4rger?= im Büro\r\n"
                           "Content-Type: text/plain; charset=iso-8859-1\r\n"
                           "Content-Transfer-Encoding: quoted-printable\r\n"
                           "\r\n"
                           "Erste Zeile\r\n"
                           "Viel \xC4rger heute\r\n"
                           "nichts\r\n"
                           "\tmehr =C4RGER und =E4rger\r\n"
                           "Ende\r\n";

QString screenshotPath(const QString &name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(folder);
    return QDir(folder).absoluteFilePath(name);
}

MessageView *viewOf(Form4 *viewer)
{
    return viewer->findChild<MessageView *>(QStringLiteral("MessageView1"));
}

// The text of the viewer's current hit, as shown.
QString currentHitText(Form4 *viewer)
{
    const MessageText::Hit hit = viewer->currentHit();
    if (!hit.found())
        return QString();
    return viewer->text().toText(QByteArrayView(viewer->text().bytes()).sliced(hit.offset, hit.length));
}

} // namespace

class TestMessageViewer : public QObject
{
    Q_OBJECT

private:
    TempFiles files;

private slots:
    void cleanup()
    {
        while (Form4 *viewer = Form4::find())
            delete viewer;
    }

    void showsAResult_data()
    {
        QTest::addColumn<TextKind>("kind");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("highlight");
        QTest::addColumn<qint64>("lines");
        QTest::addColumn<QString>("hit");
        QTest::addColumn<QString>("title");
        // Raw: the quoted-printable line holds "=C4RGER" (8-bit: "=c4rger");
        // the Latin-1 byte C4 is Ä.
        QTest::newRow("raw") << TextKind::Bytes << qint64(7) << QStringLiteral("ärger") << qint64(10)
                             << QStringLiteral("Ärger") << QStringLiteral("m.eml - Message");
        QTest::newRow("raw, later occurrence on the line")
            << TextKind::Bytes << qint64(9) << QStringLiteral("=C4rger") << qint64(10) << QStringLiteral("=C4RGER")
            << QStringLiteral("m.eml - Message");
        // Decoded: header decoded, body converted to UTF-8, "\n" line ends.
        QTest::newRow("decoded") << TextKind::Unicode << qint64(9) << QStringLiteral("ÄRGER") << qint64(-1)
                                 << QStringLiteral("ÄRGER") << QStringLiteral("m.eml - Decoded Message");
        QTest::newRow("line past the end is the last")
            << TextKind::Bytes << qint64(99) << QStringLiteral("ende") << qint64(10) << QStringLiteral("Ende")
            << QStringLiteral("m.eml - Message");
    }

    void showsAResult()
    {
        QFETCH(TextKind, kind);
        QFETCH(qint64, line);
        QFETCH(QString, highlight);
        QFETCH(qint64, lines);
        QFETCH(QString, hit);
        QFETCH(QString, title);
        AppFixture app;
        const QString path = files.write(QStringLiteral("m.eml"), Message);
        Form4 *viewer = Form4::showMessage(path, kind, line, highlight);
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), title);
        const qint64 wantLines = lines > 0 ? lines : qint64(viewer->text().bytes().count('\n'));
        const qint64 wantLine = std::min(line, wantLines);
        QCOMPARE(currentHitText(viewer), hit);
        QCOMPARE(viewer->text().lineOf(viewer->currentHit().offset), wantLine);
        QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
            QStringLiteral("Line %1 of %2").arg(wantLine).arg(wantLines));
        // The current line stands near the top of the view.
        MessageView *view = viewOf(viewer);
        QVERIFY(view->firstVisibleLine() <= wantLine);
        QVERIFY(wantLine < view->firstVisibleLine() + view->visibleLines() / 2);

        const QJsonObject dumped = app.dump(QStringLiteral("Form4"));
        QCOMPARE(dumped.value(QStringLiteral("file")).toString(), path);
        QCOMPARE(dumped.value(QStringLiteral("lines")).toInteger(), wantLines);
        QCOMPARE(dumped.value(QStringLiteral("line")).toInteger(), wantLine);
        QCOMPARE(dumped.value(QStringLiteral("highlight")).toString(), highlight);

        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QString name = QString::fromLatin1(QTest::currentDataTag()).remove(QLatin1Char(','));
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        QVERIFY(viewer->grab().save(screenshotPath(QStringLiteral("form4-%1.png").arg(name))));
    }

    void nextAndPreviousHit_data()
    {
        QTest::addColumn<TextKind>("kind");
        QTest::addColumn<QString>("highlight");
        QTest::addColumn<qint64>("line");
        // Keys pressed in turn ("F3", "Shift+F3") and the line of the hit
        // each one reaches; a line after "!" went round the end.
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("raw, four hits") << TextKind::Bytes << QStringLiteral("RGER") << qint64(7)
                                        << QStringList { "F3", "F3", "F3", "Shift+F3", "Shift+F3", "Shift+F3" }
                                        << QStringList { "9", "9", "!2", "!9", "9", "7" };
        // Decoded: the subject holds it too, and line 9 twice.
        QTest::newRow("decoded, round both ends") << TextKind::Unicode << QStringLiteral("ärger") << qint64(2)
                                                  << QStringList { "Shift+F3", "F3", "F3", "F3", "F3", "F3" }
                                                  << QStringList { "!9", "!2", "7", "9", "9", "!2" };
        QTest::newRow("not found stays") << TextKind::Unicode << QStringLiteral("nirgends") << qint64(3)
                                         << QStringList { "F3", "Shift+F3" } << QStringList { "3", "3" };
    }

    void nextAndPreviousHit()
    {
        QFETCH(TextKind, kind);
        QFETCH(QString, highlight);
        QFETCH(qint64, line);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, lines);
        Form4 *viewer = Form4::showMessage(files.write(QStringLiteral("m.eml"), Message), kind, line, highlight);
        MessageView *view = viewOf(viewer);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QTest::keyClick(view, Qt::Key_F3, keys[i] == QStringLiteral("F3") ? Qt::NoModifier : Qt::ShiftModifier);
            QString want = lines[i];
            const bool wrapped = want.startsWith(QLatin1Char('!'));
            want.remove(QLatin1Char('!'));
            QCOMPARE(QString::number(viewer->currentLine()), want);
            const QString status = viewer->statusText();
            QVERIFY2(status.startsWith(QStringLiteral("Line %1 of ").arg(want)), qPrintable(status));
            QCOMPARE(status.contains(QStringLiteral("round the end")), wrapped);
            if (viewer->currentHit().found()) {
                QCOMPARE(viewer->text().lineOf(viewer->currentHit().offset), viewer->currentLine());
                QCOMPARE(currentHitText(viewer).toLower(), highlight.toLower());
            } else {
                QVERIFY(status.contains(QStringLiteral("not found")));
            }
        }
    }

    // From the results list: the second row opens its message at its own
    // line with its text highlighted, raw and decoded, whether the source
    // column is shown or not (also where the same text stands on an earlier
    // line).
    void resultsRowOpensItsMessage_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("decoded");
        QTest::addColumn<bool>("source");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("line");
        QTest::newRow("raw") << Message << false << true << QStringLiteral("rger") << qint64(7);
        QTest::newRow("decoded") << Message << true << true << QStringLiteral("ärger") << qint64(7);
        QTest::newRow("raw, source hidden") << Message << false << false << QStringLiteral("rger") << qint64(7);
        QTest::newRow("decoded, source hidden") << Message << true << false << QStringLiteral("ärger") << qint64(7);
        QTest::newRow("a line repeated") << QByteArray("same one\r\nother\r\nsame one\r\n") << false << false
                                         << QStringLiteral("same") << qint64(3);
    }

    void resultsRowOpensItsMessage()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, decoded);
        QFETCH(bool, source);
        QFETCH(QString, text);
        QFETCH(qint64, line);
        AppFixture app;
        const QString path = files.write(QStringLiteral("m.eml"), message);
        app.dropFiles({ path });
        app.run(
            QJsonObject { { QStringLiteral("check"), QStringLiteral("Check14") }, { QStringLiteral("on"), source } });
        app.run(
            QJsonObject { { QStringLiteral("check"), QStringLiteral("Check17") }, { QStringLiteral("on"), decoded } });
        app.run(QJsonObject { { QStringLiteral("set"), QStringLiteral("Text1") }, { QStringLiteral("text"), text } });
        app.run(QJsonObject { { QStringLiteral("click"), QStringLiteral("PushButton2") } });
        QVERIFY(app.form().results().size() >= 2);
        app.form().showResultMessage(1);
        Form4 *viewer = Form4::find();
        QVERIFY(viewer);
        QCOMPARE(viewer->filePath(), path);
        QCOMPARE(app.form().results().lineNumber(1), line);
        QCOMPARE(viewer->currentLine(), line);
        QCOMPARE(viewer->text().lineOf(viewer->currentHit().offset), line);
        const QString second = app.form().results().cellText(1, source ? 1 : 0);
        QVERIFY(second.contains(text, Qt::CaseInsensitive));
        // The row's whole text is what is highlighted.
        QCOMPARE(currentHitText(viewer), second);
        viewer->close();
    }

    void oneWindowReusedAndEscapeCloses()
    {
        const QString first = files.write(QStringLiteral("a.eml"), "one\r\ntwo\r\n");
        const QString second = files.write(QStringLiteral("b.eml"), QByteArray("x\n").repeated(500));
        QPointer<Form4> viewer = Form4::showMessage(first, TextKind::Bytes, 2, QStringLiteral("two"));
        QCOMPARE(Form4::showMessage(second, TextKind::Bytes, 400, QStringLiteral("x")), viewer.data());
        QCOMPARE(viewer->filePath(), second);
        QCOMPARE(viewer->lineCount(), qsizetype(500));
        QCOMPARE(viewer->currentLine(), qsizetype(400));
        // A missing file says why in the status line, and shows nothing.
        viewer->showResult(files.filePath(QStringLiteral("gone.eml")), TextKind::Bytes, 1, QString());
        QCOMPARE(viewer->lineCount(), qsizetype(1));
        QVERIFY2(viewer->statusText().contains(QStringLiteral("gone.eml")), qPrintable(viewer->statusText()));
        QTest::keyClick(viewOf(viewer), Qt::Key_Escape);
        QTRY_VERIFY(viewer.isNull());
        QVERIFY(!Form4::find());
    }
};

QTEST_MAIN(TestMessageViewer)
#include "test_message_viewer.moc"
