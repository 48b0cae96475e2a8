#pragma once

#include <xlsxwriter.h>

// The libxlsxwriter functions the workbook writer calls. The library comes
// with the workbook module, loaded the first time a workbook is written:
// most runs never write one, and loading the library (and the compression
// and cryptography libraries it brings) would cost every start.
struct XlsxFunctions
{
    decltype(&workbook_new_opt) newWorkbook;
    decltype(&workbook_add_worksheet) addWorksheet;
    decltype(&worksheet_write_string) writeString;
    decltype(&worksheet_set_column) setColumn;
    decltype(&workbook_close) close;
    decltype(&lxw_workbook_free) free;
    decltype(&lxw_strerror) errorText;
};

// The module's entry point.
using XlsxFunctionsEntry = const XlsxFunctions *();
