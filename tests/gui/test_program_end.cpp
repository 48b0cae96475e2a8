// Closing the main window ends the program whether the two extraction
// windows are open, hidden or were never opened: the event loop is run as
// the program runs it, the main window is closed, and the loop must end.

#include "AppFixture.h"
#include "gui/extract/Form2.h"
#include "gui/extract/Form3.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {
// The extraction window of that name, once opened.
QWidget *secondary(Form1 &main, const QString &name)
{
    return name == QStringLiteral("Form2") ? static_cast<QWidget *>(main.form2())
                                           : static_cast<QWidget *>(main.form3());
}
} // namespace

class TestProgramEnd : public QObject
{
    Q_OBJECT

private slots:
    void closingTheMainWindowEndsTheProgram_data()
    {
        QTest::addColumn<QString>("form2");
        QTest::addColumn<QString>("form3");
        QTest::newRow("both open") << "open"
                                   << "open";
        QTest::newRow("both hidden") << "hidden"
                                     << "hidden";
        QTest::newRow("one open, one hidden") << "open"
                                              << "hidden";
        QTest::newRow("one hidden, one never opened") << "hidden"
                                                      << "never";
    }

    void closingTheMainWindowEndsTheProgram()
    {
        QFETCH(QString, form2);
        QFETCH(QString, form3);
        AppFixture app;
        Form1 &main = app.form();
        // As the program's main() does.
        QObject::connect(&main, &Form1::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        const QList<std::tuple<QString, QString, QString>> windows
            = { { "Form2", "PushButton4", form2 }, { "Form3", "PushButton15", form3 } };
        for (const auto &[name, opener, state] : windows) {
            if (state == QStringLiteral("never"))
                continue;
            app.run(QJsonObject { { "click", opener } });
            if (state == QStringLiteral("hidden"))
                app.run(QJsonObject { { "close", name } });
            QWidget *window = secondary(main, name);
            QVERIFY(window);
            QCOMPARE(window->isVisible(), state == QStringLiteral("open"));
        }

        bool timedOut = false;
        QTimer::singleShot(0, &main, [&] { main.close(); });
        QTimer::singleShot(5000, qApp, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        const int status = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(status, 0);
        QVERIFY(main.AppClosing);
        QVERIFY(!main.isVisible());
        for (const char *name : { "Form2", "Form3" }) {
            if (QWidget *window = secondary(main, QString::fromLatin1(name)))
                QVERIFY(!window->isVisible());
        }
        QVERIFY(app.messageTexts().isEmpty());
    }
};

QTEST_MAIN(TestProgramEnd)
#include "test_program_end.moc"
