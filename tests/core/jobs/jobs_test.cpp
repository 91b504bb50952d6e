// The rules each command's job holds, once each, as tables; the dialogs and
// the command-line tool only render what the jobs say.
#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "engines/extract/drivers.h"
#include "engines/merge/merge_job.h"
#include "engines/status/status_job.h"
#include "engines/texts/string_table.h"
#include "suite/study_format.h"
#include "suite/whole_number.h"
#include "test_support.h"

namespace {

using octest::ScratchDir;

TEST(PrepareJob, CodeSpecRules) {
    struct row {
        oc::coding_action action;
        std::int16_t type;
        int width, codes;
        bool accepted;
    } rows[] = {
        {oc::action_not_coded, 0, 0, 0, true},  // nothing asked, nothing checked
        {oc::action_replace, 0, 1, 0, true},    {oc::action_replace, 0, 2, 0, false},
        {oc::action_replace, 7, 4, 0, true},    {oc::action_replace, 7, 5, 0, false},
        {oc::action_replace, 7, 0, 0, false},   {oc::action_append, 0, 4, 1, true},
        {oc::action_append, 7, 3, 30, true},    {oc::action_append, 7, 3, 31, false},
        {oc::action_append, 7, 3, 0, false},    {oc::action_append, 7, 0, 5, false},
    };
    for (const row& r : rows) {
        const oc::CQCodeSpec spec{static_cast<std::uint8_t>(r.action), static_cast<std::uint8_t>(r.codes),
                                  static_cast<std::uint8_t>(r.width)};
        EXPECT_EQ(r.accepted, oc::code_spec_error(spec, r.type).empty())
            << int(r.action) << " type " << r.type << " width " << r.width << " codes " << r.codes;
    }
    // The page bounds its fields with the same ranges the rule checks.
    EXPECT_EQ(1, oc::code_width_range(oc::action_replace, 0).high);
    EXPECT_EQ(4, oc::code_width_range(oc::action_append, 0).high);
    EXPECT_EQ(30, oc::kCodeCountRange.high);
    EXPECT_EQ("The code width must be between 1 and 1.",
              oc::code_spec_error({oc::action_replace, 0, 2}, 0));
    EXPECT_EQ("The number of codes must be between 1 and 30.",
              oc::code_spec_error({oc::action_append, 31, 2}, 7));
}

TEST(PrepareJob, ChoicesAsAWhole) {
    using refusal = oc::prepare_job::refusal;
    const oc::CQCodeSpec none{}, append{oc::action_append, 2, 2};
    struct row {
        std::vector<oc::CQCodeSpec> specs;
        int respondents;
        refusal expected;
    } rows[] = {
        {{none, none}, 0, refusal::nothing_to_code},
        {{append, none}, 2, refusal::none},  // a fixed number with one question
        {{append, append}, 2, refusal::fixed_number_with_two_questions},
        {{append, append}, 1, refusal::none},
        {{append, append, append}, 0, refusal::none},
    };
    for (const row& r : rows) {
        oc::prepare_job job;
        job.specs = r.specs;
        job.respondents.respondents = r.respondents;
        EXPECT_EQ(r.expected, job.check_choices()) << r.specs.size() << " questions, mode " << r.respondents;
    }
    oc::answer_sample sample({false, 5}, 1);
    oc::prepare_job sampled;
    sampled.specs = {append};
    sampled.sample = &sample;
    sampled.respondents.respondents = 2;
    EXPECT_EQ(refusal::sample_with_fixed_number, sampled.check_choices());
    sampled.respondents.respondents = 1;
    EXPECT_EQ(refusal::none, sampled.check_choices());
    EXPECT_TRUE(oc::fits_path_limit(std::string(255, 'a')));
    EXPECT_FALSE(oc::fits_path_limit(std::string(256, 'a')));
}

TEST(MergeJob, StatusAndRespondentChecks) {
    using verdict = oc::merge_check::verdict;
    struct row {
        std::uint8_t status;
        verdict expected;
        std::vector<int> messages;
    } rows[] = {
        {0, verdict::refused, {oc::IDS_NOTHING_TO_MERGE}},
        {1, verdict::go_on, {}},
        {2, verdict::go_on, {}},
        {3, verdict::ask_first, {oc::IDS_ALREADY_MERGED}},
    };
    for (const row& r : rows) {
        const oc::merge_check check = oc::merge_job::check_status(r.status);
        EXPECT_EQ(r.expected, check.what) << int(r.status);
        EXPECT_EQ(r.messages, check.messages) << int(r.status);
    }

    ScratchDir dir;
    octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why\r\n",
                           "respondent,sequence,complete,Q1\r\n1,1,1,a\r\n2,1,1,b\r\n2,2,1,c\r\n");
    oc::merge_job job;
    job.idx_path = dir.file("S.idx");
    EXPECT_EQ(verdict::go_on, job.check_respondents().what) << "matching by sequence too needs no check";
    job.by_respondent = true;
    EXPECT_EQ((std::vector<int>{oc::IDS_DUPLICATE_RESPONDENTS}), job.check_respondents().messages);
    job.idx_path = dir.file("missing.idx");
    EXPECT_EQ((std::vector<int>{oc::IDS_IDX_READ_ERROR, oc::IDS_DUPLICATE_RESPONDENTS}),
              job.check_respondents().messages);
}

TEST(MergeJob, OutcomeCarriesTheMessageAndTheFileThatFailed) {
    ScratchDir dir;
    dir.enter();
    const oc::merge_job job{"S.DAT", "S.idx", "S.cdl", "S.add", "S.001", false};
    const oc::merge_outcome outcome = job.run();
    EXPECT_EQ(oc::merge_result::failed, outcome.result);
    EXPECT_EQ(oc::IDS_CODER_FILES_IO_ERROR, outcome.message);
    EXPECT_EQ("S.001", outcome.problem.file);
    EXPECT_EQ("cannot open S.001 for writing", outcome.problem.text());
}

TEST(StatusJob, NoReportSaysWhy) {
    ScratchDir dir;
    EXPECT_EQ(oc::IDS_CODER_LIST_READ_ERROR, oc::collect_status_report(dir.file("none.cdl")).message);
    octest::write_bytes(dir.file("S.cdl"), std::string(4, '\0'));  // a list of no entries
    EXPECT_EQ(oc::IDS_NO_CODER_FILES, oc::collect_status_report(dir.file("S.cdl")).message);
    EXPECT_EQ(0, oc::listing_message(oc::listing_result::ok));
    EXPECT_EQ(oc::IDS_CODER_DATA_READ_ERROR, oc::listing_message(oc::listing_result::data_unreadable));
}

TEST(Rules, WholeNumbersAndChainLinks) {
    struct number {
        const char* text;
        std::int64_t min, max;
        std::optional<std::int64_t> expected;
    } numbers[] = {
        {"0", 0, 9, 0},       {"9", 0, 9, 9},         {"10", 0, 9, std::nullopt},
        {"", 0, 9, std::nullopt}, {"-1", 0, 9, std::nullopt}, {"-1", -5, 9, -1},
        {"+1", -5, 9, std::nullopt}, {" 1", 0, 9, std::nullopt}, {"1x", 0, 9, std::nullopt},
        {"99999999999999999999", 0, INT64_MAX, std::nullopt},
    };
    for (const number& n : numbers) EXPECT_EQ(n.expected, oc::parse_whole(n.text, n.min, n.max)) << n.text;

    // An index of 4 + 3 entries: 64 bytes; entries start at 4, 24 and 44.
    struct link {
        std::uint32_t from, to;
        bool follows;
    } links[] = {{4, 24, true}, {4, 44, true}, {24, 24, false}, {24, 4, false},
                 {4, 30, false}, {44, 64, false}, {4, 3, false}};
    for (const link& l : links) EXPECT_EQ(l.follows, oc::follows_chain(l.from, l.to, 64)) << l.from << "->" << l.to;
}

}  // namespace

TEST(AnswerSample, SizesAndDraws) {
    struct size_row {
        const char* text;
        bool valid;
        bool percent;
        std::int64_t amount;
    } sizes[] = {
        {"20", true, false, 20},   {"10%", true, true, 1000}, {"12.5%", true, true, 1250},
        {"0.01%", true, true, 1},  {"100%", true, true, 10000}, {"0", false, false, 0},
        {"0%", false, false, 0},   {"100.01%", false, false, 0}, {"1.234%", false, false, 0},
        {"5.%", false, false, 0},  {".5%", false, false, 0},  {"-3", false, false, 0},
        {"1e3", false, false, 0},  {"%", false, false, 0},
    };
    for (const size_row& r : sizes) {
        std::optional<oc::sample_size> size = oc::parse_sample_size(r.text);
        ASSERT_EQ(r.valid, size.has_value()) << r.text;
        if (size) EXPECT_EQ(std::make_pair(r.percent, r.amount), std::make_pair(size->percent, size->amount)) << r.text;
    }

    // Offers in either order draw the same answers; a share rounds up to a
    // whole answer; a larger number than qualify takes all.
    auto draw = [](oc::sample_size size, std::uint64_t seed, int answers, bool reversed) {
        oc::answer_sample sample(size, seed);
        sample.start_question("Q1");
        std::vector<int> order(static_cast<std::size_t>(answers));
        for (int i = 0; i < answers; ++i) order[static_cast<std::size_t>(i)] = reversed ? answers - 1 - i : i;
        for (int r : order) sample.offer(1, static_cast<std::uint32_t>(r), 0, 1);
        sample.choose();
        std::set<int> kept;
        for (int r : order)
            if (sample.keep(1, static_cast<std::uint32_t>(r), 0, 1)) kept.insert(r);
        EXPECT_EQ(static_cast<long>(kept.size()), sample.drawn().back().drawn);
        return kept;
    };
    std::set<int> forward = draw({false, 20}, 7, 226, false);
    EXPECT_EQ(20u, forward.size());
    EXPECT_EQ(forward, draw({false, 20}, 7, 226, true));
    EXPECT_NE(forward, draw({false, 20}, 8, 226, false));
    EXPECT_EQ(24u, draw({true, 1050}, 7, 226, false).size());  // 23.73 answers
    EXPECT_EQ(23u, draw({true, 1000}, 7, 230, false).size());  // 23 exactly
    EXPECT_EQ(1u, draw({true, 1}, 7, 3, false).size());
    EXPECT_EQ(5u, draw({false, 50}, 7, 5, false).size());
    EXPECT_TRUE(draw({false, 5}, 7, 0, false).empty());
}
