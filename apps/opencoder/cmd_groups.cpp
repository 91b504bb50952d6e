// `opencoder groups`: the distinct answers of one question of a coder data
// file, with how many records give each and how many of those are coded.
#include <cstdio>
#include <memory>
#include <string>

#include "cli_common.h"
#include "coderfile/discovery.h"
#include "commands.h"
#include "engines/groups/answer_groups.h"

namespace cli {

namespace {

struct groups_options {
    std::string base;
    std::string file;
    std::string question;
};

int run_groups(const groups_options& options) {
    study_paths study = parse_study(options.base);
    if (!enter_study_directory(study)) return exit_failure;
    oc::loaded_coder_file loaded;
    if (!oc::load_coder_questions(options.file, loaded)) {
        print_error("cannot read the coder data file " + options.file);
        return exit_failure;
    }
    bool listed = false;
    for (const oc::quest_spec& q : loaded.questions) listed = listed || options.question == q.name;
    if (!listed) {
        print_error("no question \"" + options.question + "\" in " + options.file);
        return exit_failure;
    }
    auto records = oc::read_question_records(options.file, options.question);
    if (!records) {
        print_error("cannot read the records of the coder data file " + options.file);
        return exit_failure;
    }
    const oc::question_groups grouped = oc::group_answers(*records);
    std::printf("count\tcoded\tanswer\trespondent\n");
    for (const oc::answer_group& group : grouped.groups)
        std::printf("%zu\t%d\t%s\t%ld\n", group.records.size(), group.coded, group.answer.c_str(),
                    static_cast<long>((*records)[static_cast<std::size_t>(group.records.front() - 1)].respondent));
    return exit_ok;
}

}  // namespace

void add_groups_command(CLI::App& app, int& result) {
    auto options = std::make_shared<groups_options>();
    auto* cmd = app.add_subcommand("groups", "The distinct answers of a question of a coder data file, most frequent first");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--file", options->file, "The coder data file, e.g. NAME.001")->required();
    cmd->add_option("--question", options->question, "The question")->required();
    cmd->callback([options, &result] { result = run_groups(*options); });
}

}  // namespace cli
