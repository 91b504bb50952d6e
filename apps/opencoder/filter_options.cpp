#include "filter_options.h"

#include <cstdint>

#include "suite/whole_number.h"

namespace cli {

namespace {

std::int32_t parse_number(const std::string& text, const std::string& option) {
    std::optional<std::int64_t> value = oc::parse_whole(text, INT32_MIN, INT32_MAX);
    if (!value) throw CLI::ValidationError(option, "'" + text + "' is not a whole number");
    return static_cast<std::int32_t>(*value);
}

}  // namespace

void add_filter_options(CLI::App& command, filter_options& options, const std::string& default_data) {
    options.data = default_data;
    command.add_option("--interviews", options.interviews, "Interview status: all, complete or incomplete")
        ->check(CLI::IsMember({"all", "complete", "incomplete"}))
        ->capture_default_str();
    command.add_option("--data", options.data, "Data to include: not-coded, all or coded")
        ->check(CLI::IsMember({"not-coded", "all", "coded"}))
        ->capture_default_str();
    command.add_option("--respondents", options.respondents, "Respondents: all, range:MIN-MAX or first:N")
        ->capture_default_str();
}

oc::respondent_choice parse_filter_options(const filter_options& options) {
    oc::respondent_choice choice;
    choice.interview_status = options.interviews == "complete" ? 1 : options.interviews == "incomplete" ? 2 : 0;
    choice.data_to_include = options.data == "not-coded" ? 0 : options.data == "all" ? 1 : 2;
    const std::string& r = options.respondents;
    if (r == "all") {
        choice.respondents = 0;
    } else if (r.rfind("range:", 0) == 0) {
        std::string bounds = r.substr(6);
        std::size_t dash = bounds.find('-', 1);
        if (dash == std::string::npos)
            throw CLI::ValidationError("--respondents", "a range is range:MIN-MAX");
        choice.respondents = 1;
        choice.first = parse_number(bounds.substr(0, dash), "--respondents");
        choice.maximum = parse_number(bounds.substr(dash + 1), "--respondents");
    } else if (r.rfind("first:", 0) == 0) {
        choice.respondents = 2;
        choice.first = parse_number(r.substr(6), "--respondents");
    } else {
        throw CLI::ValidationError("--respondents", "'" + r + "' is not all, range:MIN-MAX or first:N");
    }
    std::string refused = oc::respondent_choice_error(choice);
    if (!refused.empty()) throw CLI::ValidationError("--respondents", refused);
    return choice;
}

}  // namespace cli
