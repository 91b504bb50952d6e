// The export of a coded study: one row per respondent in index order, its
// answers and merged codes, written through ReadStat (sav, zsav, dta, por,
// xpt) or as CSV to a temporary file beside the output and renamed over it
// when whole. Memory stays flat in the number of respondents: rows are
// streamed, the study is read twice (the plan, then the rows).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engines/export/export_plan.h"
#include "suite/failure.h"

namespace oc {

struct export_request {
    std::string base;  // the study DIR/NAME
    std::string out;   // the file to write
    export_format format = export_format::csv;
    export_choice choice;
    bool replace = false;  // an existing `out` may be replaced (never a study file)
};

struct export_result {
    failure problem;         // empty when written
    bool cancelled = false;  // the progress callback said stop: nothing written
    long respondents = 0;
    std::vector<std::pair<std::string, std::string>> names;  // source name, name written
    // What the format could not carry, each naming the variable and the
    // first respondent concerned; also what the plan passed over.
    std::vector<std::string> warnings;
};

// Called with the steps done and the steps in all (two per respondent: the
// plan's read and the row's); false cancels.
using export_progress = std::function<bool(long done, long total)>;

// Refuses `out` when it is a file of the study or exists without
// `replace`; on failure or cancel no file is left at `out` but one that was
// there before.
export_result export_study(const export_request& request, const export_progress& progress = {});

// "FILE: N respondents, M variables (FORMAT)" for the result of a written export.
std::string describe_export(const export_request& request, const export_result& result);

}  // namespace oc
