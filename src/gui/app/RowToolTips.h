#pragma once

#include <QStyledItemDelegate>

// How a report list draws its rows' texts and what its tooltips say. A
// tooltip over a row is the list's own guidance text, as over its empty
// space; when the cell's text is cut off in the view, the text follows on a
// second line (shortened when very long). Paths are shortened in the middle,
// so that the file name stays in sight.
class RowToolTips : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Which cells hold paths: the first column always, or only when the
    // list has two columns (the source beside each result).
    enum class PathColumn { First, FirstOfTwo };
    RowToolTips(PathColumn paths, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_paths(paths)
    { }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

    // The longest cell text a tooltip repeats.
    static constexpr qsizetype ShownTextLimit = 512;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    PathColumn m_paths;
};
