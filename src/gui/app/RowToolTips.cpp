#include "RowToolTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

void RowToolTips::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool isPath
        = index.column() == 0 && (m_paths == PathColumn::First || (index.model() && index.model()->columnCount() == 2));
    if (isPath)
        option->textElideMode = Qt::ElideMiddle;
}

bool RowToolTips::helpEvent(
    QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!event || !view || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);

    QString tip = view->toolTip();
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QRect textRect = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
    if (cell.fontMetrics.horizontalAdvance(cell.text) > textRect.width()) {
        QString text = cell.text;
        if (text.size() > ShownTextLimit) {
            text.truncate(ShownTextLimit);
            text.append(QChar(0x2026));
        }
        tip += QLatin1Char('\n') + text;
    }
    const QRect rowRect = view->visualRect(index);
    QToolTip::showText(
        event->globalPos(), tip, view, QRect(view->viewport()->mapToGlobal(rowRect.topLeft()), rowRect.size()));
    return true;
}
