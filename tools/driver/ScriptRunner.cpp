#include "ScriptRunner.h"

#include "ScriptedPrompts.h"
#include "core/app/ReportModel.h"
#include "core/app/SettingsStore.h"
#include "core/filelist/FileListModel.h"
#include "core/results/ResultsModel.h"
#include "gui/app/CaptionedProgressBar.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"
#include "gui/viewer/Form4.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <memory>

ScriptRunner::ScriptRunner(Form1 &form, ScriptedPrompts &prompts, SettingsStore &settings, Sink sink)
    : m_form(form)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_sink(std::move(sink))
{ }

QWidget *ScriptRunner::window(const QJsonObject &step, QString *error) const
{
    const QString name = step.value(QStringLiteral("window")).toString(QStringLiteral("Form1"));
    if (name == QStringLiteral("Form1"))
        return &m_form;
    if (auto *child = m_form.findChild<QWidget *>(name, Qt::FindDirectChildrenOnly))
        return child;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == name)
            return w;
    }
    *error = QStringLiteral("no window named %1 (has it been opened?)").arg(name);
    return nullptr;
}

template <class T> T *ScriptRunner::control(const QJsonObject &step, const QString &name, QString *error) const
{
    QWidget *w = window(step, error);
    if (!w)
        return nullptr;
    T *found = w->objectName() == name ? qobject_cast<T *>(w) : w->findChild<T *>(name);
    if (!found)
        *error = QStringLiteral("no control %1 of the expected kind in %2").arg(name, w->objectName());
    return found;
}

namespace {
QAbstractItemView *asView(QWidget *w)
{
    return qobject_cast<QAbstractItemView *>(w);
}

void sendDrop(QAbstractItemView *view, const QStringList &paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime.setUrls(urls);
    QWidget *target = view->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}
} // namespace

QString ScriptRunner::runStep(const QJsonObject &step)
{
    QString error;
    if (step.contains(QStringLiteral("set"))) {
        auto *box = control<QLineEdit>(step, step.value(QStringLiteral("set")).toString(), &error);
        if (box)
            box->setText(step.value(QStringLiteral("text")).toString());
    } else if (step.contains(QStringLiteral("check"))) {
        auto *box = control<QCheckBox>(step, step.value(QStringLiteral("check")).toString(), &error);
        if (box && box->isChecked() != step.value(QStringLiteral("on")).toBool())
            box->click();
    } else if (step.contains(QStringLiteral("click"))) {
        auto *button = control<QAbstractButton>(step, step.value(QStringLiteral("click")).toString(), &error);
        if (button)
            button->click();
    } else if (step.contains(QStringLiteral("answers"))) {
        if (!step.value(QStringLiteral("answers")).isArray())
            return QStringLiteral("\"answers\" takes an array");
        m_prompts.queueAnswers(step.value(QStringLiteral("answers")).toArray());
    } else if (step.contains(QStringLiteral("drop"))) {
        auto *view = asView(
            control<QWidget>(step, step.value(QStringLiteral("on")).toString(QStringLiteral("ListView1")), &error));
        if (!view)
            return error.isEmpty() ? QStringLiteral("drop target is not a list") : error;
        QStringList paths;
        for (const QJsonValue &path : step.value(QStringLiteral("drop")).toArray())
            paths.append(path.toString());
        sendDrop(view, paths);
    } else if (step.contains(QStringLiteral("select"))) {
        QWidget *target = control<QWidget>(step, step.value(QStringLiteral("select")).toString(), &error);
        const int row = step.value(QStringLiteral("row")).toInt() - 1;
        if (auto *combo = qobject_cast<QComboBox *>(target)) {
            // Row 0 clears the selection of a drop-down list.
            if (row < -1 || row >= combo->count())
                return QStringLiteral("row %1 is not in the list").arg(row + 1);
            combo->setCurrentIndex(row);
            return QString();
        }
        auto *view = asView(target);
        if (!view)
            return error.isEmpty() ? QStringLiteral("not a list") : error;
        if (row < 0 || row >= view->model()->rowCount())
            return QStringLiteral("row %1 is not in the list").arg(row + 1);
        view->setCurrentIndex(view->model()->index(row, 0));
    } else if (step.contains(QStringLiteral("key"))) {
        QWidget *target = control<QWidget>(step, step.value(QStringLiteral("on")).toString(), &error);
        if (!target)
            return error;
        const QKeySequence sequence = QKeySequence::fromString(step.value(QStringLiteral("key")).toString());
        if (sequence.isEmpty())
            return QStringLiteral("unknown key %1").arg(step.value(QStringLiteral("key")).toString());
        const QKeyCombination combination = sequence[0];
        QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
        QApplication::sendEvent(target, &release);
    } else if (step.contains(QStringLiteral("header"))) {
        // A click on a column header of a list (the results sort by it).
        auto *table = qobject_cast<QTableView *>(
            control<QWidget>(step, step.value(QStringLiteral("on")).toString(QStringLiteral("ListView2")), &error));
        if (!table)
            return error.isEmpty() ? QStringLiteral("not a list") : error;
        emit table->horizontalHeader()->sectionClicked(step.value(QStringLiteral("header")).toInt());
    } else if (step.contains(QStringLiteral("menu"))) {
        // An entry of a list's right-click menu, for a row (from 1).
        auto *table = qobject_cast<QTableView *>(
            control<QWidget>(step, step.value(QStringLiteral("on")).toString(QStringLiteral("ListView2")), &error));
        if (!table)
            return error.isEmpty() ? QStringLiteral("not a list") : error;
        QMenu menu;
        m_form.fillListMenu(menu, table, step.value(QStringLiteral("row")).toInt() - 1);
        const QString entry = step.value(QStringLiteral("menu")).toString();
        for (QAction *action : menu.actions()) {
            if (action->text() != entry)
                continue;
            if (!action->isEnabled())
                return QStringLiteral("menu entry %1 is not enabled").arg(entry);
            action->trigger();
            return QString();
        }
        return QStringLiteral("no menu entry %1").arg(entry);
    } else if (step.contains(QStringLiteral("dblclick"))) {
        auto *view = asView(control<QWidget>(step, step.value(QStringLiteral("dblclick")).toString(), &error));
        if (!view)
            return error.isEmpty() ? QStringLiteral("not a list") : error;
        // On the current row when there is one, else on the empty area.
        const QRect rowRect = view->visualRect(view->currentIndex());
        const QPoint at = rowRect.isValid() ? rowRect.center() : QPoint(4, view->viewport()->height() - 4);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(at), view->viewport()->mapToGlobal(QPointF(at)),
            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &dbl);
    } else if (step.contains(QStringLiteral("close"))) {
        QJsonObject target = step;
        target.insert(QStringLiteral("window"), step.value(QStringLiteral("close")));
        QWidget *w = window(target, &error);
        if (w)
            w->close();
    } else if (step.contains(QStringLiteral("screenshot")) && step.contains(QStringLiteral("during"))) {
        // A screenshot taken while the next command runs.
        QWidget *w = window(step, &error);
        const QString file = step.value(QStringLiteral("screenshot")).toString();
        if (w)
            return arm(step.value(QStringLiteral("during")).toObject(), [w, file] { w->grab().save(file); });
    } else if (step.contains(QStringLiteral("screenshot"))) {
        // The window as it is drawn, saved as an image file.
        QWidget *w = window(step, &error);
        if (w) {
            QCoreApplication::processEvents();
            if (!w->grab().save(step.value(QStringLiteral("screenshot")).toString()))
                return QStringLiteral("cannot save the screenshot %1")
                    .arg(step.value(QStringLiteral("screenshot")).toString());
        }
    } else if (step.contains(QStringLiteral("locate"))) {
        // Where a control is on the screen, for a program outside (a file
        // manager dragging files onto it) to aim at.
        QWidget *w = control<QWidget>(step, step.value(QStringLiteral("locate")).toString(), &error);
        int rowHeight = 0;
        if (auto *table = qobject_cast<QTableView *>(w))
            rowHeight = table->verticalHeader()->defaultSectionSize();
        if (auto *view = asView(w))
            w = view->viewport();
        if (w) {
            // A window just shown is placed once the display has mapped it.
            QDeadlineTimer mapped(10000);
            while (!(w->window()->windowHandle() && w->window()->windowHandle()->isExposed()) && !mapped.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QCoreApplication::processEvents();
            const QRect area(w->mapToGlobal(QPoint(0, 0)), w->size());
            m_sink(
                { { QStringLiteral("locate"), step.value(QStringLiteral("locate")) }, { QStringLiteral("x"), area.x() },
                    { QStringLiteral("y"), area.y() }, { QStringLiteral("width"), area.width() },
                    { QStringLiteral("height"), area.height() }, { QStringLiteral("rowHeight"), rowHeight } });
        }
    } else if (step.contains(QStringLiteral("wait"))) {
        // Runs the event loop until a list holds at least "rows" rows (put
        // there from outside, by a drop), for at most "seconds".
        const QString name = step.value(QStringLiteral("wait")).toString();
        auto *view = asView(control<QWidget>(step, name, &error));
        auto *model = view ? qobject_cast<ReportModel *>(view->model()) : nullptr;
        if (!model)
            return error.isEmpty() ? QStringLiteral("%1 has no report model").arg(name) : error;
        const int rows = step.value(QStringLiteral("rows")).toInt(1);
        QDeadlineTimer deadline(qint64(step.value(QStringLiteral("seconds")).toDouble(30) * 1000));
        while (model->size() < rows) {
            if (deadline.hasExpired())
                return QStringLiteral("%1 holds %2 rows, not %3").arg(name).arg(model->size()).arg(rows);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
    } else if (step.contains(QStringLiteral("idle"))) {
        // Runs the event loop for "idle" milliseconds: for work that waits
        // for a pause (the filter as typed) to show.
        QDeadlineTimer deadline(qint64(step.value(QStringLiteral("idle")).toInt()));
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
    } else if (step.contains(QStringLiteral("dump"))) {
        return dump(step);
    } else if (step.contains(QStringLiteral("spreadsheet"))) {
        // "absent": no application; "refuses": one that gives up on the workbook.
        const QString state = step.value(QStringLiteral("spreadsheet")).toString();
        m_prompts.setSpreadsheetInstalled(state != QStringLiteral("absent"));
        m_prompts.setSpreadsheetRefuses(state == QStringLiteral("refuses"));
    } else if (step.contains(QStringLiteral("stop"))) {
        return arm(step.value(QStringLiteral("stop")).toObject(), [this] { m_form.requestStop(); });
    } else if (step.contains(QStringLiteral("trace"))) {
        if (step.value(QStringLiteral("trace")).toString() != QStringLiteral("progress"))
            return QStringLiteral("only \"progress\" can be traced");
        if (!m_tracingProgress) {
            m_tracingProgress = true;
            QObject::connect(&m_form.progressBar(), &CaptionedProgressBar::progressChanged, &m_form,
                [this](double value, const QString &caption) {
                    m_sink({ { QStringLiteral("progress"), value }, { QStringLiteral("text"), caption } });
                });
        }
    } else {
        return QStringLiteral("unknown step: %1")
            .arg(QString::fromUtf8(QJsonDocument(step).toJson(QJsonDocument::Compact)));
    }
    return error;
}

QString ScriptRunner::arm(const QJsonObject &when, std::function<void()> action)
{
    // Once: each trigger takes itself away when it fires.
    auto press = std::make_shared<std::function<void()>>();
    auto connections = std::make_shared<QList<QMetaObject::Connection>>();
    *press = [connections, action = std::move(action)] {
        for (const QMetaObject::Connection &connection : std::as_const(*connections))
            QObject::disconnect(connection);
        connections->clear();
        action();
    };
    if (when.contains(QStringLiteral("progress"))) {
        const double at = when.value(QStringLiteral("progress")).toDouble();
        connections->append(QObject::connect(&m_form.progressBar(), &CaptionedProgressBar::progressChanged, &m_form,
            [press, at](double value, const QString &) {
                if (value >= at)
                    (*press)();
            }));
    } else if (when.contains(QStringLiteral("rows"))) {
        const qsizetype at = when.value(QStringLiteral("rows")).toInteger();
        for (ReportModel *list :
            { static_cast<ReportModel *>(&m_form.fileList()), static_cast<ReportModel *>(&m_form.results()) }) {
            connections->append(QObject::connect(list, &QAbstractItemModel::rowsInserted, &m_form, [press, list, at] {
                if (list->size() >= at)
                    (*press)();
            }));
        }
    } else if (when.value(QStringLiteral("now")).toBool()) {
        // At the first yield of the next command.
        QTimer::singleShot(0, &m_form, [press] { (*press)(); });
    } else {
        return QStringLiteral("\"stop\" and \"during\" take {\"progress\":N}, {\"rows\":N} or {\"now\":true}");
    }
    return QString();
}

QString ScriptRunner::dump(const QJsonObject &step)
{
    const QString name = step.value(QStringLiteral("dump")).toString();
    QJsonObject out { { QStringLiteral("dump"), name } };
    if (name == QStringLiteral("settings")) {
        QJsonObject values;
        const QMap<QString, QString> stored = m_settings.all();
        for (auto it = stored.begin(); it != stored.end(); ++it)
            values.insert(it.key(), it.value());
        out.insert(QStringLiteral("values"), values);
        m_sink(out);
        return QString();
    }
    if (name == QStringLiteral("clipboard")) {
        out.insert(QStringLiteral("text"), m_prompts.clipboard());
        m_sink(out);
        return QString();
    }
    if (name == QStringLiteral("Form4")) {
        // The message viewer: its file, its line count, its current line
        // (from 1) and the text it highlights.
        const Form4 *viewer = Form4::find();
        if (!viewer || !viewer->isVisible())
            return QStringLiteral("the message viewer Form4 is not open");
        out.insert(QStringLiteral("file"), viewer->filePath());
        out.insert(QStringLiteral("lines"), qint64(viewer->lineCount()));
        out.insert(QStringLiteral("line"), qint64(viewer->currentLine()));
        out.insert(QStringLiteral("highlight"), viewer->highlight());
        m_sink(out);
        return QString();
    }
    QString error;
    QWidget *w = control<QWidget>(step, name, &error);
    if (!w)
        return error;
    if (auto *view = asView(w)) {
        auto *model = qobject_cast<ReportModel *>(view->model());
        if (!model)
            return QStringLiteral("%1 has no report model").arg(name);
        if (auto *results = qobject_cast<ResultsModel *>(model))
            results->flushPending();
        QJsonArray headers;
        QJsonArray widths;
        for (const ReportModel::Column &column : model->columns()) {
            headers.append(column.header);
            widths.append(column.widthTwips);
        }
        QJsonArray rows;
        for (qsizetype r = 0; r < model->size(); ++r) {
            QJsonArray row;
            auto *results = qobject_cast<ResultsModel *>(model);
            if (results && results->isTable()) {
                // Every column of a table (header fields, groups, a count).
                for (int c = 0; c < int(model->columns().size()); ++c)
                    row.append(model->cellText(r, c));
            } else {
                row.append(model->firstColumnText(r));
                if (model->hasSecondColumn(r))
                    row.append(model->secondColumnText(r));
            }
            rows.append(row);
        }
        out.insert(QStringLiteral("headers"), headers);
        out.insert(QStringLiteral("widths"), widths);
        out.insert(QStringLiteral("enabled"), view->isEnabled());
        out.insert(QStringLiteral("rows"), rows);
    } else if (auto *status = qobject_cast<StatusLine *>(w)) {
        out.insert(QStringLiteral("text"), status->text());
    } else if (auto *bar = qobject_cast<CaptionedProgressBar *>(w)) {
        out.insert(QStringLiteral("value"), bar->progress());
        out.insert(QStringLiteral("text"), bar->caption());
    } else if (auto *box = qobject_cast<QLineEdit *>(w)) {
        out.insert(QStringLiteral("text"), box->text());
    } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
        out.insert(QStringLiteral("on"), check->isChecked());
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        out.insert(QStringLiteral("items"), items);
        out.insert(QStringLiteral("selected"), combo->currentIndex());
    } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        out.insert(QStringLiteral("text"), button->text());
    } else {
        return QStringLiteral("cannot dump %1").arg(name);
    }
    out.insert(QStringLiteral("visible"), w->isVisible());
    m_sink(out);
    return QString();
}

QString ScriptRunner::runScript(const QByteArray &script)
{
    const QList<QByteArray> lines = script.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (!document.isObject()) {
            return QStringLiteral("line %1: not a JSON object (%2)").arg(i + 1).arg(parseError.errorString());
        }
        const QString error = runStep(document.object());
        if (!error.isEmpty())
            return QStringLiteral("line %1: %2").arg(i + 1).arg(error);
    }
    return QString();
}
