// `opencoder list` and `opencoder status`: the study's coder files, their
// status and the figures of the status report.
#include <cstdio>
#include <memory>
#include <string>

#include "cli_common.h"
#include "commands.h"
#include "coderfile/discovery.h"
#include "engines/journal/productivity.h"
#include "engines/status/status_job.h"
#include "engines/texts/string_table.h"

namespace cli {

namespace {

// The listing as the host gets it; prints 710 or 709 on failure.
bool list_files(const study_paths& study, oc::coder_file_listing& listing) {
    listing = oc::list_coder_files(study.coder_list());
    const int message = oc::listing_message(listing.result);
    if (message != 0) print_message(message);
    return message == 0;
}

std::string interviews_text(std::uint8_t code) {
    const int id = oc::interviews_string(code);
    return id != 0 ? oc::string_text(id) : std::string();
}

int run_list(const std::string& base) {
    study_paths study = parse_study(base);
    if (!enter_study_directory(study)) return exit_failure;
    oc::coder_file_listing listing;
    if (!list_files(study, listing)) return exit_failure;
    for (size_t i = 0; i < listing.names.size(); ++i)
        std::printf("%s\t%d\n", listing.names[i].c_str(), listing.statuses[i]);
    return exit_ok;
}

int print_file_table(const study_paths& study) {
    const oc::status_report report = oc::collect_status_report(study.coder_list());
    if (report.message != 0) {
        print_message(report.message);
        return exit_failure;
    }
    const oc::list_figures& figures = report.figures;
    std::printf("%s\tStatus\t%s\t%s\t%s\t%s\n", oc::string_text(oc::IDS_CODER_FILES),
                oc::string_text(oc::IDS_RESPONDENTS_COUNT), oc::string_text(oc::IDS_QUESTIONS_COUNT),
                oc::string_text(oc::IDS_RECORDS_COUNT), oc::string_text(oc::IDS_INTERVIEWS_INCLUDED));
    for (size_t i = 0; i < report.names.size(); ++i) {
        // The counts are widened from signed 16-bit fields, as the report shows them.
        std::printf("%s\t%d\t%d\t%d\t%d\t%s\n", report.names[i].c_str(), report.statuses[i],
                    static_cast<int>(figures.respondents[i]), static_cast<int>(figures.questions[i]),
                    static_cast<int>(figures.records[i]), interviews_text(figures.interviews[i]).c_str());
    }
    return exit_ok;
}

void print_questions(const oc::loaded_coder_file& file) {
    std::printf("%s\tStatus\t%s\t%s\t%s\t%s\t%s\n", oc::string_text(oc::IDS_QUESTIONS),
                oc::string_text(oc::IDS_ACTION), oc::string_text(oc::IDS_WIDTH), oc::string_text(oc::IDS_MAX_CODES),
                oc::string_text(oc::IDS_RECORDS_COUNT), oc::string_text(oc::IDS_LAST_REC_CODED));
    for (const oc::quest_spec& q : file.questions) {
        const char* action = oc::string_text(q.action == 1 ? oc::IDS_REPLACE : oc::IDS_APPEND);
        std::printf("%s\t%d\t%s\t%d\t%d\t%d\t%d\n", q.name, oc::question_status(q), action, q.code_width,
                    q.max_codes, q.record_count, q.last_record_coded);
    }
}

void print_respondents(const oc::loaded_coder_file& file) {
    std::printf("%s\t%s\n", oc::string_text(oc::IDS_RESPONDENT_NO), oc::string_text(oc::IDS_SEQUENCE_NO));
    for (const oc::resp_id& id : file.spec.resp_ids)  // sequence shown as a signed 16-bit number
        std::printf("%ld\t%hd\n", static_cast<long>(id.respondent), static_cast<short>(id.sequence));
}

// Per coder file and user, from the coding journal.
int print_productivity(const study_paths& study, const std::string& from, const std::string& to) {
    oc::productivity_table table;
    if (oc::failure problem = oc::measure_productivity(study.name, from, to, table)) {
        print_error(problem.text());
        return exit_failure;
    }
    std::printf("coder_file\tuser\trecords_coded\tdecisions\tactive_minutes\trecords_per_hour\trecoded\n");
    for (const auto& [key, figures] : table)
        std::printf("%s\t%s\t%ld\t%ld\t%.1f\t%.1f\t%ld\n", key.first.c_str(), key.second.c_str(), figures.records_coded,
                    figures.decisions, figures.active_seconds / 60.0, figures.records_per_hour(), figures.recoded);
    return exit_ok;
}

int print_file_view(const std::string& name, bool questions) {
    oc::loaded_coder_file file;
    if (!oc::load_coder_questions(name, file)) {
        print_message(oc::IDS_CODER_DATA_READ_ERROR);
        return exit_failure;
    }
    if (questions) print_questions(file);
    else print_respondents(file);
    return exit_ok;
}

}  // namespace

void add_list_command(CLI::App& app, int& result) {
    auto* cmd = app.add_subcommand("list", "Print each coder data file that opens with its status (0-3)");
    auto base = std::make_shared<std::string>();
    cmd->add_option("--study", *base, "Study base path DIR/NAME")->required();
    cmd->callback([base, &result] { result = run_list(*base); });
}

void add_status_command(CLI::App& app, int& result) {
    struct options {
        std::string base;
        std::string file;
        bool questions = false;
        bool respondents = false;
        bool productivity = false;
        std::string from, to;
    };
    auto opts = std::make_shared<options>();
    auto* cmd = app.add_subcommand("status", "Print the coder file status report, or one file's questions or respondents");
    cmd->add_option("--study", opts->base, "Study base path DIR/NAME")->required();
    auto* file = cmd->add_option("--file", opts->file, "A coder data file of the study, e.g. NAME.001");
    auto* q = cmd->add_flag("--questions", opts->questions, "With --file: its questions and coding progress");
    auto* r = cmd->add_flag("--respondents", opts->respondents, "With --file: its respondents");
    auto* p = cmd->add_flag("--productivity", opts->productivity,
                            "Per coder file and user, from the coding journal: records coded, decisions, active "
                            "minutes (gaps over 5 minutes left out), records per hour, records recoded");
    auto* from = cmd->add_option("--from", opts->from, "With --productivity: from this day (YYYY-MM-DD)");
    auto* to = cmd->add_option("--to", opts->to, "With --productivity: to this day (YYYY-MM-DD), inclusive");
    q->needs(file)->excludes(r);
    r->needs(file);
    p->excludes(file);
    from->needs(p);
    to->needs(p);
    cmd->callback([opts, &result] {
        if (!opts->file.empty() && !opts->questions && !opts->respondents)
            throw CLI::ValidationError("--file", "needs --questions or --respondents");
        study_paths study = parse_study(opts->base);
        if (!enter_study_directory(study)) {
            result = exit_failure;
            return;
        }
        if (opts->productivity) result = print_productivity(study, opts->from, opts->to);
        else result = opts->file.empty() ? print_file_table(study) : print_file_view(opts->file, opts->questions);
    });
}

}  // namespace cli
