// `opencoder merge`: the codes of one coder data file into the study's data,
// with the checks of the merge dialog.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "cli_common.h"
#include "coderfile/discovery.h"
#include "commands.h"
#include "merge/merge_engine.h"
#include "merge/unique_respondents.h"
#include "study_locks.h"
#include "resources/string_table.h"

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
    if (listing.result != oc::listing_result::ok) {
        print_message(listing.result == oc::listing_result::list_unreadable ? oc::IDS_CODER_LIST_READ_ERROR
                                                                           : oc::IDS_CODER_DATA_READ_ERROR);
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
    int status = listing.statuses[static_cast<std::size_t>(found - listing.names.begin())];
    if (status == oc::status_not_coded) {
        print_message(oc::IDS_NOTHING_TO_MERGE);
        return exit_failure;
    }
    if (status == oc::status_merged && !options.yes) {
        print_message(oc::IDS_ALREADY_MERGED);
        print_error("(Not confirmed: nothing was written. Use --yes to merge again.)");
        return exit_declined;
    }
    if (options.by_respondent) {
        int unique = oc::check_unique_respondents(study.index());
        if (unique != 1) {
            if (unique < 0) print_message(oc::IDS_IDX_READ_ERROR);
            print_message(oc::IDS_DUPLICATE_RESPONDENTS);
            return exit_failure;
        }
    }
    auto warn = [](const std::string& text) { print_error(text); };
    std::string problem;
    std::int16_t result = oc::MergeCoderFile(study.data(), study.index(), study.coder_list(), options.file,
                                             study.add_file(), options.by_respondent, warn, {}, &problem);
    if (result != oc::kMergeDone && !problem.empty()) print_error(problem);
    switch (result) {
    case oc::kMergeDone:
        print_message(oc::IDS_MERGE_DONE);
        return exit_ok;
    case oc::kMergeNoMatch:
        print_message(oc::IDS_NO_MATCHING_RECORD);
        return exit_failure;
    case oc::kMergeAddFailed:
        print_message(oc::IDS_ADD_READ_ERROR);
        return exit_failure;
    default:
        print_message(oc::IDS_CODER_FILES_IO_ERROR);
        return exit_failure;
    }
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
