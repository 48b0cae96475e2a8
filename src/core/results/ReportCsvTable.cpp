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
    return m_list.cellText(row, column);
}
