// Pointer cues on the main window and moving file-list entries by dragging,
// with synthesized mouse events on the real list.

#include "AppFixture.h"
#include "TempFiles.h"
#include "core/filelist/FileListModel.h"
#include "gui/extract/Form2.h"
#include "gui/extract/Form3.h"
#include "gui/guide/FileListReorder.h"

#include <QApplication>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

namespace {
void send(QWidget *target, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void enter(QWidget *target)
{
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(target, &event);
}
} // namespace

class TestPointerAndReorder : public QObject
{
    Q_OBJECT

private:
    QTableView *list(AppFixture &app) { return app.form().findChild<QTableView *>(QStringLiteral("ListView1")); }
    QPoint rowCentre(AppFixture &app, int row)
    {
        return list(app)->visualRect(app.form().fileList().index(row, 0)).center();
    }
    void press(AppFixture &app, const QPoint &at)
    {
        send(list(app)->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    }
    void moveTo(AppFixture &app, const QPoint &at)
    {
        send(list(app)->viewport(), QEvent::MouseMove, at, Qt::LeftButton);
    }
    void release(AppFixture &app, const QPoint &at)
    {
        send(list(app)->viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    }

private slots:
    void busyPointerIsNeverReplaced()
    {
        TempFiles program;
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/HAND-M.CUR"),
            program.filePath(QStringLiteral("HAND-M.CUR")));
        AppFixture app(program.path());
        QVERIFY(app.form().handPointer());
        auto *button = app.form().findChild<QPushButton *>(QStringLiteral("PushButton13"));
        auto *frame = app.form().findChild<QGroupBox *>(QStringLiteral("Frame2"));

        app.form().setBusyPointer(true);
        enter(button);
        QCOMPARE(app.form().cursor().shape(), Qt::WaitCursor);
        app.form().setBusyPointer(false);
        enter(button);
        QCOMPARE(app.form().cursor().shape(), Qt::BitmapCursor); // the hand image
        enter(frame);
        QCOMPARE(app.form().cursor().shape(), Qt::ArrowCursor);
    }

    void secondaryWindowsCueToo_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("frame");
        QTest::newRow("between markers") << QStringLiteral("PushButton4") << QStringLiteral("Form2")
                                         << QStringList { "PushButton4", "PushButton11", "PushButton1" }
                                         << QStringLiteral("Frame1");
        QTest::newRow("text sets") << QStringLiteral("PushButton15") << QStringLiteral("Form3")
                                   << QStringList { "PushButton1", "PushButton2", "PushButton3", "PushButton4",
                                          "PushButton5", "PushButton11" }
                                   << QStringLiteral("Frame2");
    }

    void secondaryWindowsCueToo()
    {
        QFETCH(QString, opener);
        QFETCH(QString, window);
        QFETCH(QStringList, buttons);
        QFETCH(QString, frame);
        AppFixture app;
        app.run(QJsonObject { { "click", opener } });
        QWidget *secondary = window == QStringLiteral("Form2") ? static_cast<QWidget *>(app.form().form2())
                                                               : static_cast<QWidget *>(app.form().form3());
        QVERIFY(secondary);
        for (const QString &name : buttons) {
            enter(secondary->findChild<QPushButton *>(name));
            QCOMPARE(secondary->cursor().shape(), Qt::PointingHandCursor);
            enter(secondary->findChild<QWidget *>(frame));
            QCOMPARE(secondary->cursor().shape(), Qt::ArrowCursor);
        }
        secondary->setCursor(Qt::WaitCursor);
        enter(secondary->findChild<QPushButton *>(buttons.first()));
        QCOMPARE(secondary->cursor().shape(), Qt::WaitCursor);
    }

    void withoutPointerFilesQtsOwnHandIsUsed()
    {
        AppFixture app;
        QVERIFY(!app.form().handPointer());
        enter(app.form().findChild<QPushButton *>(QStringLiteral("PushButton1")));
        QCOMPARE(app.form().cursor().shape(), Qt::PointingHandCursor);
    }

    void draggingAnEntryUpwardMovesItOneRowAtATime()
    {
        AppFixture app;
        app.form().fileList().append(QStringList { "/m/a.eml", "/m/b.eml", "/m/c.eml" });
        QCoreApplication::processEvents();
        press(app, rowCentre(app, 2));
        moveTo(app, rowCentre(app, 1));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "/m/a.eml", "/m/c.eml", "/m/b.eml" }));
        moveTo(app, rowCentre(app, 0));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "/m/c.eml", "/m/a.eml", "/m/b.eml" }));
        QCOMPARE(list(app)->currentIndex().row(), 0);
        release(app, rowCentre(app, 0));
        QVERIFY(!app.form().fileListReorder().DragActive);
        QCOMPARE(list(app)->viewport()->cursor().shape(), Qt::ArrowCursor);
        // Moving without the button held moves nothing.
        moveTo(app, rowCentre(app, 2));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "/m/c.eml", "/m/a.eml", "/m/b.eml" }));
    }

    void fastDragExchangesWithTheRowUnderThePointer()
    {
        AppFixture app;
        app.form().fileList().append(QStringList { "1", "2", "3", "4" });
        QCoreApplication::processEvents();
        press(app, rowCentre(app, 0));
        moveTo(app, rowCentre(app, 3));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "4", "2", "3", "1" }));
    }

    void identicalTextsDoNotMove()
    {
        AppFixture app;
        app.form().fileList().append(QStringList { "/m/a.eml", "/m/a.eml", "/m/b.eml" });
        QCoreApplication::processEvents();
        press(app, rowCentre(app, 0));
        moveTo(app, rowCentre(app, 1));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "/m/a.eml", "/m/a.eml", "/m/b.eml" }));
        QCOMPARE(app.form().fileListReorder().DraggedItem.row(), 0);
    }

    void pressOnEmptySpaceMovesNothingUntilAnEntryWasClicked()
    {
        AppFixture app;
        app.form().fileList().append(QStringList { "x", "y" });
        QCoreApplication::processEvents();
        const QPoint empty(5, list(app)->viewport()->height() - 3);
        QVERIFY(!list(app)->indexAt(empty).isValid());
        press(app, empty);
        moveTo(app, rowCentre(app, 1));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "x", "y" }));
        release(app, empty);

        // Once an entry was clicked, it stays the dragged entry.
        press(app, rowCentre(app, 0));
        release(app, rowCentre(app, 0));
        press(app, empty);
        moveTo(app, rowCentre(app, 1));
        QCOMPARE(app.form().fileList().paths(), (QStringList { "y", "x" }));
    }

    void theListScrollsAtItsBottomEdge()
    {
        AppFixture app;
        QStringList many;
        for (int i = 0; i < 200; ++i)
            many << QStringLiteral("/m/%1.eml").arg(i);
        app.form().fileList().append(many);
        QCoreApplication::processEvents();
        QTableView *view = list(app);
        press(app, rowCentre(app, 0));
        const int bottomRow = view->rowAt(view->viewport()->height() - 2);
        QVERIFY(bottomRow > 0);
        const int before = view->verticalScrollBar()->value();
        moveTo(app, QPoint(10, view->viewport()->height() - 2));
        QVERIFY(view->verticalScrollBar()->value() > before);
        QCOMPARE(app.form().fileList().path(bottomRow), QStringLiteral("/m/0.eml"));
    }

    void noDragLeavesTheListAndDropsStillWork()
    {
        AppFixture app;
        QVERIFY(!list(app)->dragEnabled());
        app.dropFiles({ QStringLiteral("/m/dropped.eml") });
        QCOMPARE(app.form().fileList().paths(), QStringList { QStringLiteral("/m/dropped.eml") });
    }
};

QTEST_MAIN(TestPointerAndReorder)
#include "test_pointer_and_reorder.moc"
