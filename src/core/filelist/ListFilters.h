#pragma once

#include <QString>

class ReportModel;

// The four list filters, shared by the file list and the results list. Each
// removes, in one pass, the rows whose first or second column does or does
// not contain the search text, ignoring letter case; the other rows keep
// their order. The search text is used as typed, never trimmed. A row
// without a second column reads as empty there.
void RemoveRowsContaining(ReportModel &list, const QString &searchText);
void RemoveRowsNotContaining(ReportModel &list, const QString &searchText);
void RemoveSecondColumnContaining(ReportModel &list, const QString &searchText);
void RemoveSecondColumnNotContaining(ReportModel &list, const QString &searchText);
