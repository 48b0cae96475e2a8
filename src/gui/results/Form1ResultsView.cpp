#include "ResultsFilterJob.h"
#include "core/app/CountText.h"
#include "core/results/ResultSort.h"
#include "core/results/ResultsModel.h"
#include "gui/app/Form1.h"
#include "gui/app/StatusLine.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

// Sorting and filtering the results, and their counts in the status line.

void Form1::installResultsView()
{
    QHeaderView *header = m_listView2->horizontalHeader();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &Form1::sortResultsBy);
    // A new run shows its rows in the order found: no column is marked.
    connect(m_results, &QAbstractItemModel::modelReset, this, [this, header] {
        if (results().sortColumn() < 0)
            header->setSortIndicatorShown(false);
    });

    m_filterJob = new ResultsFilterJob(
        results(), *m_text7, [this] { return textsArePatterns(); }, [this] { sayResultCounts(); }, this);
    connect(m_check15, &QCheckBox::toggled, this, [this] {
        if (!m_text7->text().isEmpty())
            m_filterJob->restart();
    });

    // The counts follow the list once no command runs: after a removal, a
    // cleared list or a filter.
    const auto listChanged = [this] {
        if (m_stoppable == 0 && !isBusyPointer())
            sayResultCounts();
    };
    connect(m_results, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(m_results, &QAbstractItemModel::modelReset, this, listChanged);
}

void Form1::sortResultsBy(int column)
{
    if (isBusyPointer() || column < 0 || column >= int(results().columns().size()))
        return;
    // The first click on a column sorts ascending, the next descending.
    const Qt::SortOrder direction = results().sortColumn() == column && results().sortDirection() == Qt::AscendingOrder
        ? Qt::DescendingOrder
        : Qt::AscendingOrder;
    setBusyPointer(true);
    std::vector<std::uint32_t> order = SortedRows(results(), column, direction);
    results().setSortedOrder(std::move(order), column, direction);
    QHeaderView *header = m_listView2->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, direction);
    setBusyPointer(false);
}

void Form1::sayResultCounts()
{
    const qsizetype shown = results().size();
    const qsizetype all = results().totalSize();
    if (results().isFiltered())
        m_statusLine->say(CountText::number(shown) + QStringLiteral(" of ") + CountText::number(all)
            + QStringLiteral(" results shown"));
    else
        m_statusLine->say(CountText::counted(all, QStringLiteral("result"), QStringLiteral("results")));
}

QString Form1::shownNote() const
{
    if (!m_results->isFiltered())
        return QString();
    return QStringLiteral(" (the ") + CountText::number(m_results->size()) + QStringLiteral(" shown of ")
        + CountText::number(m_results->totalSize()) + QStringLiteral(")");
}
