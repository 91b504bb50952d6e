// `opencoder merge`: the codes of one coder data file into the study's data,
// with the checks of the merge dialog.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "cli_common.h"
#include "coderfile/discovery.h"
#include "commands.h"
#include "engines/merge/merge_job.h"
#include "engines/status/status_job.h"
#include "study_locks.h"
#include "engines/texts/string_table.h"

namespace cli {

namespace {

struct merge_options {
    std::string base;
    std::string file;
    bool by_respondent = false;
    bool yes = false;
    double wait_seconds = 0;
};

int run_merge(const merge_options& options) {
    study_paths study = parse_study(options.base);
    if (!enter_study_directory(study)) return exit_failure;
    // The file's status is read under the locks: another merge of it may
    // just have finished.
    const std::string command = "opencoder merge " + options.file;
    oc::study_write_session session;
    oc::coder_file_session coder_lock;
    if (!open_for_writing(study.name, command, options.wait_seconds, session) ||
        !lock_coder_file(options.file, command, options.wait_seconds, coder_lock) ||
        !lock_study_data(study.name, options.wait_seconds, session))
        return exit_failure;
    oc::coder_file_listing listing = oc::list_coder_files(study.coder_list());
    if (int message = oc::listing_message(listing.result); message != 0) {
        print_message(message);
        return exit_failure;
    }
    if (listing.names.empty()) {
        print_message(oc::IDS_NO_CODER_FILES);
        return exit_failure;
    }
    auto found = std::find(listing.names.begin(), listing.names.end(), options.file);
    if (found == listing.names.end()) {
        print_error(options.file + " is not a coder data file of the study that can be opened.");
        return exit_failure;
    }
    const oc::merge_job job{study.data(), study.index(), study.coder_list(), study.add_file(), options.file,
                            options.by_respondent};
    oc::merge_check check =
        oc::merge_job::check_status(listing.statuses[static_cast<std::size_t>(found - listing.names.begin())]);
    if (check.what == oc::merge_check::ask_first && !options.yes) {
        for (int message : check.messages) print_message(message);
        print_error("(Not confirmed: nothing was written. Use --yes to merge again.)");
        return exit_declined;
    }
    if (check.what != oc::merge_check::refused) check = job.check_respondents();
    if (check.what == oc::merge_check::refused) {
        for (int message : check.messages) print_message(message);
        return exit_failure;
    }
    auto warn = [](const std::string& text) { print_error(text); };
    const oc::merge_outcome outcome = job.run(warn);
    if (outcome.problem) print_error(outcome.problem.text());
    print_message(outcome.message);
    if (!outcome.journal_problem.empty()) print_error("The coding journal was not written: " + outcome.journal_problem);
    return outcome.result == oc::merge_result::done ? exit_ok : exit_failure;
}

}  // namespace

void add_merge_command(CLI::App& app, int& result) {
    auto options = std::make_shared<merge_options>();
    auto* cmd = app.add_subcommand("merge", "Merge the codes of a coder data file into the study's data");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--file", options->file, "The coder data file, e.g. NAME.001")->required();
    cmd->add_flag("--by-respondent", options->by_respondent,
                  "Match records by respondent number only (the study's respondent numbers must be unique)");
    cmd->add_flag("--yes", options->yes, "Merge a file that was merged before");
    add_wait_option(*cmd, options->wait_seconds);
    cmd->callback([options, &result] { result = run_merge(*options); });
}

}  // namespace cli
