// The workbook module's entry point: the libxlsxwriter functions the
// workbook writer calls, looked up when the module is loaded (or linked
// straight in, when the program is built with the library).
#include "core/results/XlsxFunctions.h"

extern "C" __attribute__((visibility("default"))) const XlsxFunctions *tollervane_xlsx_functions()
{
    static const XlsxFunctions functions { workbook_new_opt, workbook_add_worksheet, worksheet_write_string,
        worksheet_set_column, workbook_close, lxw_workbook_free, lxw_strerror };
    return &functions;
}
