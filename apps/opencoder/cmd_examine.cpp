// `opencoder examine`: the open-end listing of chosen questions, as the
// examine command prints it. Changes no study or coder file.
#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "engines/extract/drivers.h"
#include "engines/extract/output_paths.h"
#include "filter_options.h"
#include "open_study.h"
#include "engines/texts/string_table.h"
#include "study_locks.h"
#include "suite/durable_file.h"
#include "suite/error_library.h"

namespace cli {

namespace {

struct examine_options {
    std::string base;
    std::vector<std::string> questions;
    filter_options filters;
    bool no_one_line = false;
    bool no_respondent = false;
    bool no_numbers = false;
    bool strip_numeric = false;
    bool code_labels = false;
    std::string out;
    bool replace = false;
};

std::vector<bool> select_questions(const std::vector<std::string>& names, const oc::openend_catalogue& catalogue) {
    std::vector<bool> selected(catalogue.names.size(), false);
    for (const std::string& name : names) {
        auto found = std::find(catalogue.names.begin(), catalogue.names.end(), name);
        if (found == catalogue.names.end())
            throw CLI::ValidationError("--question", "'" + name + "' is not an open-end or OTHER question of the study");
        selected[static_cast<std::size_t>(found - catalogue.names.begin())] = true;
    }
    return selected;
}

bool copy_listing(const std::string& listing, const std::string& out, bool replace) {
    std::ifstream in(listing, std::ios::binary);
    if (!in) return false;
    // Inserting a stream buffer that gives nothing counts as a failed
    // insertion; an empty listing is a listing all the same.
    const bool empty = in.peek() == std::ifstream::traits_type::eof();
    if (out.empty()) {
        if (!empty) std::cout << in.rdbuf();
        std::cout.flush();
        return static_cast<bool>(std::cout);
    }
    // Written whole beside `out` and put in place only then, so that a crash
    // leaves no half listing and a file made there meanwhile is not replaced.
    std::ostringstream bytes;
    if (!empty) bytes << in.rdbuf();
    if (oc::write_output_whole(out, bytes.str(), replace, oc::default_file_mode())) return true;
    if (errno == EEXIST) print_error(out + " was made by someone else meanwhile; it is left as it is");
    return false;
}

int run_examine(const examine_options& options) {
    opened_study opened;
    if (!open_study(options.base, options.out, opened)) return exit_failure;
    const study_paths& study = opened.paths;
    const std::string& out = opened.out;
    const oc::openend_catalogue& catalogue = opened.catalogue;
    oc::examine_job job;
    job.catalogue = catalogue;
    job.selected = select_questions(options.questions, catalogue);
    job.respondents = parse_filter_options(options.filters);
    job.options = {!options.no_one_line, !options.no_respondent, !options.no_numbers, options.strip_numeric,
                   options.code_labels};

    if (!out.empty() && !output_allowed(study.name, out, oc::output_kind::listing, options.replace)) return exit_failure;
    oc::study_read_session reading;
    if (!open_for_reading(study.name, kReaderWaitSeconds, reading)) return exit_failure;
    try {
        if (!job.write_listing({study.data(), study.index(), study.coder_list(), study.coder_list_backup()})) {
            print_message(oc::IDS_LISTING_WRITE_ERROR);
            return exit_failure;
        }
    } catch (const oc::CHalvexException& e) {
        print_error(oc::error_message_text(e.code()));
        if (e.where()) print_error(e.where().text());
        return exit_failure;
    }
    if (!copy_listing(job.listing_path(), out, options.replace)) {
        print_message(oc::IDS_LISTING_WRITE_ERROR);
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace

void add_examine_command(CLI::App& app, int& result) {
    auto options = std::make_shared<examine_options>();
    auto* cmd = app.add_subcommand("examine", "Write the open-end listing of chosen questions");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--question", options->questions, "A question to list (repeatable)")->required();
    add_filter_options(*cmd, options->filters, "all");
    cmd->add_flag("--no-one-line", options->no_one_line, "Heading per question, numbers and text on separate lines");
    cmd->add_flag("--no-respondent", options->no_respondent, "Leave out the respondent number");
    cmd->add_flag("--no-numbers", options->no_numbers, "Leave out the sequence, roster and list numbers");
    cmd->add_flag("--strip-numeric", options->strip_numeric, "Strip the numeric code before OTHER texts");
    cmd->add_flag("--code-labels", options->code_labels,
                  "After each answer, the codes coders stored for it and their labels from the code frame");
    cmd->add_option("--out", options->out, "Listing file to write (default: standard output)");
    cmd->add_flag("--replace", options->replace, "Replace an existing --out file (never a file of the study)");
    cmd->callback([options, &result] { result = run_examine(*options); });
}

}  // namespace cli
