// What prepare and examine do first: take --out as the user typed it, enter
// the study's directory and read its catalogue of open-ended questions.
#pragma once

#include <string>

#include "cli_common.h"
#include "engines/extract/catalogue.h"
#include "engines/extract/output_paths.h"

namespace cli {

struct opened_study {
    study_paths paths;
    std::string out;  // absolute, or "" when not given
    oc::openend_catalogue catalogue;
};

// False, with the message printed, when the directory cannot be entered or
// the study has no open-ended questions.
bool open_study(const std::string& base_path, const std::string& out, opened_study& study);

// Whether --out `out` may be written for the study `base`; when not, the
// refusal is printed (with the hint of --replace for an existing file).
bool output_allowed(const std::string& base, const std::string& out, oc::output_kind kind, bool replace);

}  // namespace cli
