#include "RowToolTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

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
