#include "ListFilters.h"

#include "core/app/ReportModel.h"

#include <vector>

namespace {

enum class Column { First, Second };
enum class Sense { Containing, NotContaining };

void removeMatching(ReportModel &list, const QString &searchText, Column column, Sense sense)
{
    // Both sides are lower-cased and then compared exactly.
    const QString lowerSearch = searchText.toLower();
    std::vector<qsizetype> noted;
    const qsizetype count = list.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString text = column == Column::First ? list.firstColumnText(i) : list.secondColumnText(i);
        const bool found = text.toLower().contains(lowerSearch);
        if (found == (sense == Sense::Containing))
            noted.push_back(i);
    }
    list.removeRowsAscending(noted);
}

} // namespace

void RemoveRowsContaining(ReportModel &list, const QString &searchText)
{
    removeMatching(list, searchText, Column::First, Sense::Containing);
}

void RemoveRowsNotContaining(ReportModel &list, const QString &searchText)
{
    removeMatching(list, searchText, Column::First, Sense::NotContaining);
}

void RemoveSecondColumnContaining(ReportModel &list, const QString &searchText)
{
    removeMatching(list, searchText, Column::Second, Sense::Containing);
}

void RemoveSecondColumnNotContaining(ReportModel &list, const QString &searchText)
{
    removeMatching(list, searchText, Column::Second, Sense::NotContaining);
}
