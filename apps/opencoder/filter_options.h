// Respondent filter options shared by `prepare` and `examine`.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "engines/extract/drivers.h"

namespace cli {

struct filter_options {
    std::string interviews = "all";
    std::string data;  // default differs per command
    std::string respondents = "all";
};

void add_filter_options(CLI::App& command, filter_options& options, const std::string& default_data);

// The respondents page's values; throws CLI::ValidationError on values the
// page would refuse.
oc::respondent_choice parse_filter_options(const filter_options& options);

}  // namespace cli
