// `opencoder code`: codes for many records of a coder data file from a CSV
// file, checked whole before anything is written.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli_common.h"
#include "engines/batch/batch_codes.h"
#include "engines/frame/frame_job.h"
#include "commands.h"
#include "study_locks.h"
#include "suite/merge_journal.h"

namespace cli {

namespace {

struct code_options {
    std::string base;
    std::string file;
    std::string codes;
    bool strict = false;
    double wait_seconds = 0;
};

int run_code(const code_options& options) {
    study_paths study = parse_study(options.base);
    std::string codes = std::filesystem::absolute(options.codes).string();
    if (!enter_study_directory(study)) return exit_failure;
    const std::string command = "opencoder code " + options.file;
    // A crashed merge may have marked this file; its roll back comes first.
    if (oc::merge_journal_exists(study.name)) {
        oc::study_write_session session;
        if (!open_for_writing(study.name, command, options.wait_seconds, session)) return exit_failure;
    }
    oc::code_frame frame;
    if (options.strict) {
        if (oc::failure problem = oc::load_frame(study.name, frame)) {
            print_error(problem.text());
            return exit_failure;
        }
    }
    oc::coder_file_session coder_lock;
    if (!lock_coder_file(options.file, command, options.wait_seconds, coder_lock)) return exit_failure;
    oc::batch_result result = oc::apply_batch_codes(options.file, codes, options.strict ? &frame : nullptr);
    if (!result.ok) {
        print_error(result.message);
        if (result.coded > 0) print_error(std::to_string(result.coded) + " records were coded before the failure.");
        return exit_failure;
    }
    std::printf("%d records coded\n", result.coded);
    return exit_ok;
}

}  // namespace

void add_code_command(CLI::App& app, int& result) {
    auto options = std::make_shared<code_options>();
    auto* cmd = app.add_subcommand("code", "Write codes from a CSV file into a coder data file");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--file", options->file, "The coder data file, e.g. NAME.001")->required();
    cmd->add_option("--codes", options->codes,
                    "CSV with header question,respondent,roster,list_no,codes[,sequence]; codes separated by spaces")
        ->required();
    cmd->add_flag("--strict", options->strict, "Refuse codes that are not in the study's code frame");
    add_wait_option(*cmd, options->wait_seconds);
    cmd->callback([options, &result] { result = run_code(*options); });
}

}  // namespace cli
