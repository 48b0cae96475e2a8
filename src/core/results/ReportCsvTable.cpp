#include "ReportCsvTable.h"

#include "core/app/ReportModel.h"

ReportCsvTable::ReportCsvTable(const ReportModel &list)
    : m_list(list)
{ }

int ReportCsvTable::columnCount() const
{
    return int(m_list.columns().size());
}

QString ReportCsvTable::header(int column) const
{
    return m_list.columns().value(column).header;
}

qsizetype ReportCsvTable::rowCount() const
{
    return m_list.size();
}

QString ReportCsvTable::cell(qsizetype row, int column) const
{
    switch (column) {
    case 0:
        return m_list.firstColumnText(row);
    case 1:
        return m_list.secondColumnText(row);
    default:
        return QString();
    }
}
