// `opencoder agree`: how far the coders of two or more coder data files of
// the same answers agree, and where they differ.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "open_study.h"
#include "engines/agree/agreement.h"
#include "engines/extract/output_paths.h"
#include "engines/frame/frame_job.h"
#include "suite/durable_file.h"

namespace cli {

namespace {

struct agree_options {
    std::string base;
    std::vector<std::string> files;
    std::string question;
    std::string disagreements;
    bool replace = false;
};

// Every compared record whose files gave different codes, as CSV.
std::string disagreements_csv(const oc::coded_answers& answers, const oc::code_frame& frame) {
    std::string csv = "question,respondent,sequence,roster,list_no,answer";
    for (const std::string& file : answers.files) csv += "," + oc::csv_cell(file);
    csv += "\r\n";
    for (const auto& [key, coded] : answers.records) {
        if (!oc::files_disagree(coded)) continue;
        csv += oc::csv_cell(key.question) + "," + std::to_string(key.respondent) + "," + std::to_string(key.sequence) +
               "," + std::to_string(key.roster) + "," + std::to_string(key.list_no) + "," +
               oc::csv_cell(answers.texts.at(key));
        for (const auto& value : coded) csv += "," + oc::csv_cell(oc::coding_text(frame, key.question, value));
        csv += "\r\n";
    }
    return csv;
}

int run_agree(const agree_options& options) {
    study_paths study = parse_study(options.base);
    const std::string out = options.disagreements.empty() ? "" : std::filesystem::absolute(options.disagreements).string();
    if (!enter_study_directory(study)) return exit_failure;
    if (!out.empty() && !output_allowed(study.name, out, oc::output_kind::listing, options.replace)) return exit_failure;
    oc::coded_answers answers;
    std::string problem;
    if (!oc::read_coded_answers(options.files, options.question, answers, problem)) {
        print_error(problem);
        return exit_failure;
    }
    oc::code_frame frame;
    if (oc::failure not_read = oc::load_frame(study.name, frame)) frame = oc::code_frame{};  // labels are a help, not a need

    const std::vector<oc::question_agreement> measured = oc::measure_agreement(answers);
    std::printf("question\trecords\tagreed\tagreement\talpha\tdistance\n");
    for (const oc::question_agreement& q : measured)
        std::printf("%s\t%d\t%d\t%s\t%s\t%s\n", q.question.c_str(), q.compared, q.agreed,
                    oc::figure_text(q.exact_agreement()).c_str(),
                    oc::figure_text(q.alpha).c_str(), q.nominal ? "nominal" : "MASI");
    if (answers.files.size() == 2) {
        std::printf("\nquestion\tcode\tlabel\tkappa\n");
        for (const oc::question_agreement& q : measured)
            for (const oc::code_kappa& k : q.kappas) {
                const oc::frame_code* known = frame.find(q.question, k.code);
                std::printf("%s\t%d\t%s\t%s\n", q.question.c_str(), k.code, known ? known->label.c_str() : "",
                            oc::figure_text(k.kappa).c_str());
            }
    }
    if (!out.empty() &&
        !oc::write_output_whole(out, disagreements_csv(answers, frame), options.replace, oc::default_file_mode())) {
        print_error(errno == EEXIST ? out + " was made by someone else meanwhile; it is left as it is"
                                    : "cannot write " + out + ": " + std::strerror(errno));
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace

void add_agree_command(CLI::App& app, int& result) {
    auto options = std::make_shared<agree_options>();
    auto* cmd = app.add_subcommand("agree", "How far the coders of two or more coder data files of the same answers agree");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--file", options->files, "A coder data file (two or more)")->required();
    cmd->add_option("--question", options->question, "Only this question");
    cmd->add_option("--disagreements", options->disagreements,
                    "CSV file of every record the files coded differently, with the codes' labels");
    cmd->add_flag("--replace", options->replace, "Replace an existing --disagreements file (never a file of the study)");
    cmd->callback([options, &result] {
        if (options->files.size() < 2) throw CLI::ValidationError("--file", "give two coder data files or more");
        result = run_agree(*options);
    });
}

}  // namespace cli
