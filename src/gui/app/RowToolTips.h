#pragma once

#include <QStyledItemDelegate>

// A report list's tooltip over a row is the list's own guidance text, as
// over its empty space. When the cell's text is cut off in the view, the
// text follows on a second line (shortened when very long).
class RowToolTips : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

    // The longest cell text a tooltip repeats.
    static constexpr qsizetype ShownTextLimit = 512;
};
