// `opencoder frame`: the study's code frame, imported from and exported to
// CSV, and grown one code at a time.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli_common.h"
#include "commands.h"
#include "engines/frame/frame_job.h"
#include "study_locks.h"

namespace cli {

namespace {

struct frame_options {
    std::string base;
    std::string csv;
    bool replace = false;
    std::string question;
    std::string label;
    int code = 0;
    std::string net;
    double wait_seconds = 0;
};

int fail_with(const oc::failure& problem) {
    print_error(problem.text());
    return exit_failure;
}

int run_import(const frame_options& options) {
    study_paths study = parse_study(options.base);
    const std::string csv = std::filesystem::absolute(options.csv).string();
    if (!enter_study_directory(study)) return exit_failure;
    oc::study_write_session session;
    if (!open_for_writing(study.name, "opencoder frame import", options.wait_seconds, session)) return exit_failure;
    if (oc::failure problem = oc::import_frame(study.name, csv, options.replace)) return fail_with(problem);
    return exit_ok;
}

int run_export(const frame_options& options) {
    study_paths study = parse_study(options.base);
    if (!enter_study_directory(study)) return exit_failure;
    oc::code_frame frame;
    if (oc::failure problem = oc::load_frame(study.name, frame)) return fail_with(problem);
    if (!options.question.empty() && !frame.known_question(options.question)) {
        print_error("no question \"" + options.question + "\" in the study " + options.base);
        return exit_failure;
    }
    const std::string csv = options.question.empty() ? frame.to_csv() : frame.to_csv(options.question);
    if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout) != 0) {
        print_error("cannot write the frame to standard output");
        return exit_failure;
    }
    return exit_ok;
}

int run_add(const frame_options& options) {
    study_paths study = parse_study(options.base);
    if (!enter_study_directory(study)) return exit_failure;
    oc::study_write_session session;
    if (!open_for_writing(study.name, "opencoder frame add", options.wait_seconds, session)) return exit_failure;
    oc::frame_code code{options.question, options.code, options.label, options.net, {}};
    oc::frame_addition added = oc::add_frame_code(study.name, code);
    if (added.problem) return fail_with(added.problem);
    std::printf("%d\n", added.code);
    return exit_ok;
}

}  // namespace

void add_frame_command(CLI::App& app, int& result) {
    auto options = std::make_shared<frame_options>();
    auto* frame = app.add_subcommand("frame", "The study's code frame: the labels of each question's codes");
    frame->require_subcommand(1);

    auto* import = frame->add_subcommand("import", "Make a CSV file (question,code,label,net) the study's code frame");
    import->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    import->add_option("--csv", options->csv, "The CSV file")->required();
    import->add_flag("--replace", options->replace, "Replace the study's frame when it has one");
    add_wait_option(*import, options->wait_seconds);
    import->callback([options, &result] { result = run_import(*options); });

    auto* exported = frame->add_subcommand("export", "Write the study's code frame as CSV to standard output");
    exported->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    exported->add_option("--question", options->question, "Only this question's codes");
    exported->callback([options, &result] { result = run_export(*options); });

    auto* add = frame->add_subcommand("add", "Add one code to the study's code frame and print its number");
    add->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    add->add_option("--question", options->question, "The question")->required();
    add->add_option("--label", options->label, "What the code means")->required();
    add->add_option("--code", options->code, "The code (1-9999); the lowest unused one when not given")
        ->check(CLI::Range(1, 9999));
    add->add_option("--net", options->net, "The net (heading) the code is grouped under");
    add_wait_option(*add, options->wait_seconds);
    add->callback([options, &result] { result = run_add(*options); });
}

}  // namespace cli
