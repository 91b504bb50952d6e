// Reads an RFC 4180 CSV file row by row. Cells are kept exactly as written
// (no trimming; quoted cells may hold commas, quotes, tabs and line
// breaks). Rows are numbered as a spreadsheet shows them: the first row is
// 1 and a quoted line break does not start a new row.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "suite/study_result.h"

namespace oc {

struct csv_row {
    int number = 0;                  // 1-based
    std::vector<std::string> cells;  // empty for a blank line
};

// Called per row; a failure stops the reading and becomes its result.
using csv_row_handler = std::function<study_result(const csv_row& row)>;

// Reads `path`, handing each row to `handler`. A UTF-8 byte order mark at
// the start is dropped. Fails with "cannot read "<path>": <reason>" or
// "<file name> row N: badly quoted cell", or with the handler's failure.
study_result read_csv_rows(const std::string& path, const csv_row_handler& handler);

// `field` as one CSV cell: quoted when it holds a comma, a quote, a line
// break or spaces at either end.
std::string csv_cell(std::string_view field);

}  // namespace oc
