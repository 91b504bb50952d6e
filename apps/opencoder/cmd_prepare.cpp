// `opencoder prepare`: a new coder data file from chosen questions and
// respondents, as the prepare command's pages and driver make it.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "coderfile/naming.h"
#include "engines/extract/drivers.h"
#include "engines/extract/output_paths.h"
#include "filter_options.h"
#include "open_study.h"
#include "engines/texts/string_table.h"
#include "suite/error_library.h"
#include "suite/whole_number.h"
#include "study_locks.h"

namespace cli {

namespace {

struct prepare_options {
    std::string base;
    std::vector<std::string> questions;
    filter_options filters;
    std::string out;
    bool yes = false;
    bool replace = false;
    double wait_seconds = 0;
    std::string sample;
    std::string seed;
};

std::uint8_t parse_byte(const std::string& text, const std::string& what) {
    std::optional<std::int64_t> value = oc::parse_whole(text, 0, 999);
    if (!value || text.size() > 3)
        throw CLI::ValidationError("--question", what + " '" + text + "' is not a whole number from 0 to 255");
    if (*value > 255) throw CLI::ValidationError("--question", what + " '" + text + "' is above 255");
    return static_cast<std::uint8_t>(*value);
}

// NAME:ACTION:NUMBER_OF_CODES:WIDTH into the coding choice of its catalogue entry.
std::vector<oc::CQCodeSpec> parse_questions(const std::vector<std::string>& texts,
                                            const oc::openend_catalogue& catalogue) {
    std::vector<oc::CQCodeSpec> specs(catalogue.names.size());
    std::set<std::size_t> seen;
    for (const std::string& text : texts) {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
            parts.push_back(text.substr(start, colon - start));
        parts.push_back(text.substr(start));
        if (parts.size() != 4)
            throw CLI::ValidationError("--question", "'" + text + "' is not NAME:ACTION:NUMBER_OF_CODES:WIDTH");
        auto found = std::find(catalogue.names.begin(), catalogue.names.end(), parts[0]);
        if (found == catalogue.names.end())
            throw CLI::ValidationError("--question", "'" + parts[0] + "' is not an open-end or OTHER question of the study");
        auto index = static_cast<std::size_t>(found - catalogue.names.begin());
        if (!seen.insert(index).second)
            throw CLI::ValidationError("--question", "'" + parts[0] + "' is given more than once");
        oc::CQCodeSpec spec;
        if (parts[1] == "append") spec.action = oc::action_append;
        else if (parts[1] == "replace") spec.action = oc::action_replace;
        else throw CLI::ValidationError("--question", "action '" + parts[1] + "' is not append or replace");
        spec.num_codes = parse_byte(parts[2], "number of codes");
        spec.code_width = parse_byte(parts[3], "width");
        std::string refused = oc::code_spec_error(spec, catalogue.types[index]);
        if (!refused.empty()) throw CLI::ValidationError("--question", parts[0] + ": " + refused);
        specs[index] = spec;
    }
    return specs;
}

// --sample and --seed as a sampler; none without --sample. Without --seed
// the clock gives one, and the closing message shows it for a rerun.
std::optional<oc::answer_sample> parse_sample(const prepare_options& options) {
    if (options.sample.empty()) {
        if (!options.seed.empty()) throw CLI::ValidationError("--seed", "--seed goes with --sample");
        return std::nullopt;
    }
    std::optional<oc::sample_size> size = oc::parse_sample_size(options.sample);
    if (!size)
        throw CLI::ValidationError("--sample", "'" + options.sample +
                                                   "' is not a number of answers (1 to 1000000000) or a percentage "
                                                   "above 0 and at most 100 with up to two decimals, such as 10%");
    std::uint64_t seed = 0;
    if (options.seed.empty()) {
        seed = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    } else {
        const char* end = options.seed.data() + options.seed.size();
        auto [at, error] = std::from_chars(options.seed.data(), end, seed);
        if (error != std::errc() || at != end)
            throw CLI::ValidationError("--seed", "'" + options.seed + "' is not a whole number from 0 to " +
                                                     std::to_string(UINT64_MAX));
    }
    return oc::answer_sample(*size, seed);
}

int run_prepare(const prepare_options& options) {
    opened_study opened;
    if (!open_study(options.base, options.out, opened)) return exit_failure;
    const study_paths& study = opened.paths;
    const std::string& out = opened.out;
    const oc::openend_catalogue& catalogue = opened.catalogue;
    oc::prepare_job job;
    job.catalogue = catalogue;
    job.specs = parse_questions(options.questions, catalogue);
    job.respondents = parse_filter_options(options.filters);
    std::optional<oc::answer_sample> sample = parse_sample(options);
    if (sample) job.sample = &*sample;
    switch (job.check_choices()) {
    case oc::prepare_job::refusal::fixed_number_with_two_questions:
        print_message(oc::IDS_FIXED_NUMBER_ONE_QUESTION);
        return exit_failure;
    case oc::prepare_job::refusal::sample_with_fixed_number:
        print_error("A sample is drawn from all the answers that qualify: --sample does not go with --respondents first:N.");
        return exit_failure;
    case oc::prepare_job::refusal::nothing_to_code:
    case oc::prepare_job::refusal::none:
        break;
    }

    // Writers take turns: the next free name and the coder list are read
    // and written under the study's lock.
    oc::study_write_session session;
    if (!open_for_writing(study.name, "opencoder prepare", options.wait_seconds, session)) return exit_failure;
    job.coder_path = out.empty() ? study.name + "." + oc::next_free_extension(study.name, false) : out;
    if (!oc::fits_path_limit(job.coder_path)) {
        print_error("The coder data file path is longer than 255 characters: " + job.coder_path);
        return exit_failure;
    }
    if (!out.empty() && !output_allowed(study.name, out, oc::output_kind::coder_file, options.replace)) return exit_failure;

    bool declined = false;
    auto confirm = [&] {
        if (options.yes) return true;
        print_message(oc::IDS_DUPLICATE_CODING);
        print_error("(Not confirmed: nothing was written. Use --yes to continue.)");
        declined = true;
        return false;
    };
    oc::study_files files{study.data(), study.index(), study.coder_list(), study.coder_list_backup()};
    try {
        oc::prepare_result result = job.run(files, confirm);
        if (declined) return exit_declined;
        print_message(result.message);
        if (sample && !sample->drawn().empty()) print_error(sample->summary());
        if (!result.created) return exit_failure;
        std::printf("%s\n", job.coder_path.c_str());
        return exit_ok;
    } catch (const oc::CHalvexException& e) {
        print_error(oc::error_message_text(e.code()));
        if (e.where()) print_error(e.where().text());
        return exit_failure;
    }
}

}  // namespace

void add_prepare_command(CLI::App& app, int& result) {
    auto options = std::make_shared<prepare_options>();
    auto* cmd = app.add_subcommand("prepare", "Create a coder data file from chosen questions and respondents");
    cmd->add_option("--study", options->base, "Study base path DIR/NAME")->required();
    cmd->add_option("--question", options->questions,
                    "NAME:ACTION:NUMBER_OF_CODES:WIDTH, ACTION append or replace (repeatable)")
        ->required();
    add_filter_options(*cmd, options->filters, "not-coded");
    cmd->add_option("--out", options->out, "Coder data file to create (default: the next free NAME.NNN)");
    cmd->add_flag("--yes", options->yes, "Go on when the answers are already in coder files");
    cmd->add_flag("--replace", options->replace, "Replace an existing --out file (never a study file or a coded file)");
    cmd->add_option("--sample", options->sample,
                    "A check sample of each question's qualifying answers: N answers or P% (e.g. 10%)");
    cmd->add_option("--seed", options->seed, "The sample's seed: the same seed draws the same sample");
    add_wait_option(*cmd, options->wait_seconds);
    cmd->callback([options, &result] { result = run_prepare(*options); });
}

}  // namespace cli
