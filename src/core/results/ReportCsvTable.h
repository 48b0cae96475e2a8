#pragma once

#include "CsvTable.h"

class ReportModel;

// A report-style list seen as a CSV table: its columns as the list states
// them ("Results", or "Source Filename" and "Extraction Results"), and each
// row's first and second column. A row without a second column has an empty
// cell there.
class ReportCsvTable : public CsvTable
{
public:
    explicit ReportCsvTable(const ReportModel &list);

    int columnCount() const override;
    QString header(int column) const override;
    qsizetype rowCount() const override;
    QString cell(qsizetype row, int column) const override;

private:
    const ReportModel &m_list;
};
