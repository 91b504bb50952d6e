// `opencoder export`: the coded study as a file for SPSS, Stata, SAS or R.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "open_study.h"
#include "study_locks.h"
#include "engines/export/study_export.h"

namespace cli {

namespace {

// Studies larger than this show how far the export has come.
constexpr long kProgressFrom = 10000;

struct export_options {
    std::string base;
    std::string out;
    std::string format;
    std::vector<std::string> questions;
    bool codes_only = false;
    bool replace = false;
    bool verbose = false;
    double wait_seconds = 0;
};

int run_export(const export_options& options) {
    oc::export_request request;
    std::optional<oc::export_format> format =
        options.format.empty() ? oc::export_format_of(options.out) : oc::export_format_named(options.format);
    if (!format) {
        print_error(options.format.empty() ? "cannot tell the format from " + options.out + "; give --format"
                                           : "unknown format " + options.format);
        return exit_usage;
    }
    study_paths study = parse_study(options.base);
    request.out = std::filesystem::absolute(options.out).string();
    if (!enter_study_directory(study)) return exit_failure;
    if (!output_allowed(study.name, request.out, oc::output_kind::listing, options.replace)) return exit_failure;
    // A merge appends record versions: it waits until both reads are done,
    // so the plan and the rows see the same study.
    oc::study_read_session reading;
    if (!open_for_reading(study.name, options.wait_seconds, reading)) return exit_failure;
    request.base = study.name;
    request.format = *format;
    request.choice.questions = options.questions;
    request.choice.codes_only = options.codes_only;
    request.replace = options.replace;

    // Only for a person watching: a pipe or a log gets no carriage returns.
    const bool terminal = ::isatty(STDERR_FILENO);
    int shown = -1;
    oc::export_result result = oc::export_study(request, [&](long done, long total) {
        int percent = total ? static_cast<int>(done * 100 / total) : 0;
        if (terminal && total / 2 > kProgressFrom && percent != shown) {
            std::fprintf(stderr, "\rexporting %ld respondents: %d%%", total / 2, percent);
            shown = percent;
        }
        return true;
    });
    if (shown >= 0) std::fprintf(stderr, "\n");
    if (result.problem) {
        print_error(result.problem.text());
        return exit_failure;
    }
    if (options.verbose)
        for (const auto& [source, name] : result.names) std::printf("%s\t%s\n", source.c_str(), name.c_str());
    for (const std::string& warning : result.warnings) print_error("warning: " + warning);
    request.out = options.out;  // as the user named it
    std::printf("%s\n", oc::describe_export(request, result).c_str());
    return exit_ok;
}

}  // namespace

void add_export_command(CLI::App& app, int& result) {
    auto options = std::make_shared<export_options>();
    auto* cmd = app.add_subcommand("export", "The coded study as an SPSS, Stata, SAS transport or CSV file");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--out", options->out, "The file to write")->required();
    cmd->add_option("--format", options->format, "sav, zsav, dta, por, xpt or csv (default: from --out's extension)");
    cmd->add_option("--question", options->questions, "Only these questions (repeat the option)");
    cmd->add_flag("--codes-only", options->codes_only, "Only the codes, not the answers' texts");
    cmd->add_flag("--replace", options->replace, "Replace an existing --out file (never a file of the study)");
    cmd->add_flag("--verbose", options->verbose, "Print each variable's name and the name written");
    add_wait_option(*cmd, options->wait_seconds);
    cmd->callback([options, &result] { result = run_export(*options); });
}

}  // namespace cli
