#include "Form1.h"

#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"
#include "core/app/StopRequest.h"
#include "core/results/ClipboardAccess.h"
#include "core/results/ClipboardText.h"
#include "core/results/ResultsModel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

// The main window from the keyboard, and Stop: Enter in a text box runs the
// command beside it, Tab goes through the controls as they stand on screen,
// Ctrl+A selects every row of a list, Ctrl+C copies the selected results,
// and Escape, like the Stop button, stops the running command.

void Form1::selectAllRows(QTableView *view)
{
    const int rows = view->model()->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(view->model()->index(0, 0), view->model()->index(rows - 1, 0));
    view->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Form1::installKeyboard()
{
    const auto button = [this](const char *name) { return findChild<QPushButton *>(QString::fromLatin1(name)); };
    connect(m_text1, &QLineEdit::returnPressed, button("PushButton2"), &QPushButton::click);
    connect(m_text2, &QLineEdit::returnPressed, button("PushButton8"), &QPushButton::click);
    connect(m_text5, &QLineEdit::returnPressed, button("PushButton7"), &QPushButton::click);
    connect(m_text6, &QLineEdit::returnPressed, button("PushButton25"), &QPushButton::click);

    // Left column top to bottom, row by row left to right, then the right.
    const QList<QWidget *> order = { m_listView1, button("PushButton1"), button("PushButton5"), button("PushButton21"),
        button("PushButton14"), button("PushButton3"), button("PushButton11"), button("PushButton22"),
        button("PushButton23"), button("PushButton13"), button("PushButton2"), m_text1, button("PushButton8"), m_text2,
        button("PushButton10"), button("PushButton7"), m_text5, button("PushButton16"), button("PushButton4"),
        button("PushButton17"), button("PushButton15"), button("PushButton25"), m_text6, m_check14, m_check1, m_check15,
        m_check16, m_check17, m_check18, m_listView2, button("PushButton6"), button("PushButton12"),
        button("PushButton18"), button("PushButton9"), button("PushButton19"), button("PushButton20"),
        button("PushButton26"), m_stopButton };
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Form1::beginStoppable()
{
    if (m_stoppable++ == 0) {
        StopRequest::clear();
        m_stopButton->show();
    }
}

void Form1::endStoppable()
{
    if (--m_stoppable == 0) {
        m_stopButton->hide();
        StopRequest::clear();
    }
}

void Form1::requestStop()
{
    if (m_stoppable > 0)
        StopRequest::ask();
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        requestStop();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::copySelectedResults()
{
    const QModelIndexList selected = m_listView2->selectionModel()->selectedRows();
    std::vector<qsizetype> rows;
    rows.reserve(size_t(selected.size()));
    for (const QModelIndex &index : selected)
        rows.push_back(index.row());
    if (rows.empty() && m_listView2->currentIndex().isValid())
        rows.push_back(m_listView2->currentIndex().row());
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    SetClipboardText(prompts(), ClipboardTextOf(results(), &rows));
}
