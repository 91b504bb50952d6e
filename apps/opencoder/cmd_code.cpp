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
    std::string by_answer;
    bool strict = false;
    double wait_seconds = 0;
};

int run_code(const code_options& options) {
    study_paths study = parse_study(options.base);
    const bool by_answer = !options.by_answer.empty();
    std::string codes = std::filesystem::absolute(by_answer ? options.by_answer : options.codes).string();
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
    const oc::code_frame* strict = options.strict ? &frame : nullptr;
    oc::batch_result result = by_answer ? oc::apply_answer_codes(options.file, codes, strict)
                                        : oc::apply_batch_codes(options.file, codes, strict);
    // The journal follows what reached the file; it never holds coding up.
    std::string journal_error;
    if (!result.changes.empty() && !oc::append_to_journal(study.name, result.changes, true, journal_error))
        print_error("The coding journal was not written: " + journal_error);
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
    auto* codes = cmd->add_option(
        "--codes", options->codes,
        "CSV with header question,respondent,roster,list_no,codes[,sequence]; codes separated by spaces");
    auto* by_answer = cmd->add_option("--by-answer", options->by_answer,
                                      "CSV with header question,answer,codes: codes every record with the same answer");
    codes->excludes(by_answer);
    by_answer->excludes(codes);
    cmd->add_flag("--strict", options->strict, "Refuse codes that are not in the study's code frame");
    add_wait_option(*cmd, options->wait_seconds);
    cmd->callback([cmd, options, &result] {
        if (cmd->count("--codes") + cmd->count("--by-answer") == 0) throw CLI::RequiredError("--codes or --by-answer");
        result = run_code(*options);
    });
}

}  // namespace cli
