// Coder data file: header, trailer, whole-file layout and file status.
#include "coderfile/coder_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "coder_file_builder.h"
#include "test_support.h"

namespace {

using octest::file_ptr;
using octest::load_file;
using octest::open_file;
using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

const std::string kExampleBytes =
    "ABC.001\r\n"
    "      156  0  0\r\n"
    "   12      1001       Q5   0   1  0  0                too expensive\r\n"
    "   15      1004       Q5   0   1  0  0                price\r\n"
    "ABC.001\r\n"
    "        2     2\r\n"
    "   12      1001    15      1004 \r\n"
    "    1\r\n"
    "      Q5         2 0    2  3         0\r\n";

// The example file with a trailer of its own, and line 2 pointing at it.
std::string example_with_trailer(const std::string& trailer) { return kExampleBytes.substr(0, 156) + trailer; }

TEST(CoderFileExample, WritersProduceTheExactBytes) {
    ScratchDir dir;
    ASSERT_TRUE(octest::build_coder_file(dir.file("ABC.001"), octest::example_file()));
    EXPECT_SAME_BYTES(kExampleBytes, read_bytes(dir.file("ABC.001")));
}

TEST(CoderFileExample, LoadsBackEveryField) {
    ScratchDir dir;
    write_bytes(dir.file("ABC.001"), kExampleBytes);
    octest::loaded_file loaded = load_file(dir.file("ABC.001"));
    ASSERT_EQ(0, loaded.result);
    const oc::coder_spec& spec = loaded.spec;
    EXPECT_STREQ("ABC.001", spec.name);
    EXPECT_EQ(2, spec.record_count);
    EXPECT_EQ(2, spec.respondent_count);
    EXPECT_EQ((std::vector<oc::resp_id>{{12, 1001}, {15, 1004}}), spec.resp_ids);
    EXPECT_EQ(1, loaded.count);
    EXPECT_EQ(0, spec.question_count);  // the trailer's count goes to the caller only
    ASSERT_EQ(1u, loaded.questions.size());
    const oc::quest_spec& q = loaded.questions[0];
    EXPECT_STREQ("Q5", q.name);
    EXPECT_EQ((std::vector<int>{2, 0, 2, 3, 0}),
              (std::vector<int>{q.record_count, q.action, q.code_width, q.max_codes, q.last_record_coded}));
    EXPECT_EQ(-1, load_file(dir.file("none.001")).result);
}

// A trailer never written is appended at the end and line 2 patched, never
// written over records, wherever the stream happens to stand; line 2 must
// be readable for it.
TEST(CoderFileTrailer, OffsetBelowOneAppendsAndPatchesLineTwo) {
    octest::built_file example = octest::example_file();
    for (long position : {26L, 95L, 156L}) {
        ScratchDir dir;
        std::string path = dir.file("ABC.001");
        write_bytes(path, kExampleBytes.substr(0, 156).replace(9, 9, "        0"));
        file_ptr file = open_file(path, "r+b");
        ASSERT_EQ(0, std::fseek(file.get(), position, SEEK_SET));
        std::int32_t written_at = -1;
        EXPECT_EQ(0, oc::write_coder_trailer(file.get(), octest::spec_of(example), octest::questions_of(example), 0,
                                             &written_at));
        EXPECT_EQ(156, written_at);
        file.reset();
        EXPECT_SAME_BYTES(kExampleBytes, read_bytes(path)) << "position " << position;
    }
    ScratchDir dir;
    const std::string broken = "ABC.001\r\n      156  0\r\n";
    write_bytes(dir.file("ABC.001"), broken);
    file_ptr file = open_file(dir.file("ABC.001"), "r+b");
    EXPECT_EQ(-1, oc::write_coder_trailer(file.get(), octest::spec_of(example), octest::questions_of(example), 0));
    file.reset();
    EXPECT_SAME_BYTES(broken, read_bytes(dir.file("ABC.001")));
}

struct trailer_width_case {
    const char* what;
    const char* qname;
    std::int32_t spec_records;
    std::int32_t q_records;
    std::int16_t action;
    std::int16_t code_width;
    std::int16_t max_codes;
    std::int32_t last_coded;
    bool fits;
    std::int16_t respondent_count = 2;  // must match the respondent list of 2
};

TEST(CoderFileTrailer, RefusesEveryFieldWiderThanItsFormat) {
    const trailer_width_case cases[] = {
        {"name of 7", "ABCDEFG", 2, 2, 0, 2, 3, 0, true},
        {"name of 8", "ABCDEFGH", 2, 2, 0, 2, 3, 0, true},
        {"name of 9", "ABCDEFGHI", 2, 2, 0, 2, 3, 0, false},
        {"empty name", "", 2, 2, 0, 2, 3, 0, false},
        {"question records 999999998", "Q5", 2, 999999998, 0, 2, 3, 0, true},
        {"question records 999999999", "Q5", 2, 999999999, 0, 2, 3, 0, true},
        {"question records 1000000000", "Q5", 2, 1000000000, 0, 2, 3, 0, false},
        {"file records 999999999", "Q5", 999999999, 2, 0, 2, 3, 0, true},
        {"file records 1000000000", "Q5", 1000000000, 2, 0, 2, 3, 0, false},
        {"max_codes 98", "Q5", 2, 2, 0, 2, 98, 0, true},
        {"max_codes 99", "Q5", 2, 2, 0, 2, 99, 0, true},
        {"max_codes 100", "Q5", 2, 2, 0, 2, 100, 0, false},
        {"action 9", "Q5", 2, 2, 9, 2, 3, 0, true},
        {"action 10", "Q5", 2, 2, 10, 2, 3, 0, false},
        {"code_width 9999", "Q5", 2, 2, 0, 9999, 3, 0, true},
        {"code_width 10000", "Q5", 2, 2, 0, 10000, 3, 0, false},
        {"last coded 999999999", "Q5", 2, 2, 0, 2, 3, 999999999, true},
        {"last coded 1000000000", "Q5", 2, 2, 0, 2, 3, 1000000000, false},
        {"respondent count above the list", "Q5", 2, 2, 0, 2, 3, 0, false, 3},
    };
    for (const trailer_width_case& c : cases) {
        ScratchDir dir;
        std::string path = dir.file("ABC.001");
        write_bytes(path, kExampleBytes);
        octest::built_file example = octest::example_file();
        oc::coder_spec spec = octest::spec_of(example);
        spec.record_count = c.spec_records;
        spec.respondent_count = c.respondent_count;
        oc::quest_list questions = octest::questions_of(example);
        std::strcpy(questions[0].name, c.qname);
        questions[0].record_count = c.q_records;
        questions[0].action = c.action;
        questions[0].code_width = c.code_width;
        questions[0].max_codes = c.max_codes;
        questions[0].last_record_coded = c.last_coded;

        file_ptr file = open_file(path, "r+b");
        EXPECT_EQ(c.fits ? 0 : -1, oc::write_coder_trailer(file.get(), spec, questions, 156)) << c.what;
        file.reset();
        std::string bytes = read_bytes(path);
        if (!c.fits) {
            EXPECT_SAME_BYTES(kExampleBytes, bytes) << c.what;
            continue;
        }
        // Same length as before: every field kept its width.
        EXPECT_EQ(kExampleBytes.size(), bytes.size()) << c.what;
    }
}

TEST(CoderFileTrailer, RespondentsStandFiveToALine) {
    ScratchDir dir;
    octest::built_question q{"Q1", 0, 1, 1, {}};
    for (int i = 1; i <= 6; ++i) q.records.push_back({static_cast<std::uint16_t>(i), 100 + i, "t"});
    std::string path = dir.file("S.001");
    ASSERT_TRUE(octest::build_coder_file(path, octest::built_file{"S.001", 2, 0, {q}}));
    std::string bytes = read_bytes(path);
    const std::string tail =
        "S.001\r\n"
        "        6     6\r\n"
        "    1       101     2       102     3       103     4       104     5       105 \r\n"
        "    6       106 \r\n"
        "    1\r\n"
        "      Q1         6 0    1  1         0\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_SAME_BYTES(tail, bytes.substr(bytes.size() - tail.size()));
    EXPECT_EQ(0u, bytes.find("S.001\r\n      " + std::to_string(bytes.size() - tail.size()) + "  0  2\r\n"));
}

TEST(CoderFileTrailer, ReadRefusesMalformedTrailers) {
    const struct {
        const char* what;
        std::string trailer;
        std::int16_t result;
    } cases[] = {
        {"well formed", "ABC.001\r\n        2     2\r\n   12      1001    15      1004 \r\n    1\r\n      Q5         2 0    2  3         0\r\n", 0},
        {"question name of 9", "ABC.001\r\n        2     2\r\n   12      1001    15      1004 \r\n    1\r\nQ23456789         2 0    2  3         0\r\n", -1},
        {"max_codes 30", "ABC.001\r\n        2     2\r\n   12      1001    15      1004 \r\n    1\r\n      Q5         2 0    2 30         0\r\n", 0},
        {"max_codes 31", "ABC.001\r\n        2     2\r\n   12      1001    15      1004 \r\n    1\r\n      Q5         2 0    2 31         0\r\n", -1},
        {"negative respondent count", "ABC.001\r\n        2    -2\r\n    1\r\n      Q5         2 0    2  3         0\r\n", -1},
        {"negative question count", "ABC.001\r\n        2     0\r\n   -1\r\n", -1},
        {"respondent list cut short", "ABC.001\r\n        2     2\r\n   12      1001 \r\n", -1},
        {"question line missing", "ABC.001\r\n        2     2\r\n   12      1001    15      1004 \r\n    2\r\n      Q5         2 0    2  3         0\r\n", -1},
        {"counts line with one number", "ABC.001\r\n        2\r\n", -1},
        {"no trailer at all", "", -1},
        {"LF line ends", "ABC.001\n        2     2\n   12      1001    15      1004 \n    1\n      Q5         2 0    2  3         0\n", 0},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        std::string path = dir.file("ABC.001");
        write_bytes(path, example_with_trailer(c.trailer));
        octest::loaded_file loaded = load_file(path);
        EXPECT_EQ(c.result, loaded.result) << c.what;
        if (c.result != 0) {
            EXPECT_TRUE(loaded.spec.resp_ids.empty()) << c.what;
        }
    }
}

TEST(CoderFileTrailer, OffsetBelowOneIsNoTrailer) {
    ScratchDir dir;
    std::string path = dir.file("ABC.001");
    write_bytes(path, kExampleBytes);
    file_ptr file = open_file(path, "rb");
    oc::coder_spec spec;
    oc::quest_list questions;
    std::int16_t count = 0;
    EXPECT_EQ(-1, oc::read_coder_trailer(file.get(), spec, questions, count, 0));
    EXPECT_EQ(0, oc::read_coder_trailer(file.get(), spec, questions, count, 156));
}

TEST(CoderFileTrailer, NoQuestionsLeavesTheCallersList) {
    ScratchDir dir;
    std::string path = dir.file("ABC.001");
    write_bytes(path, "ABC.001\r\n       26  0  0\r\nABC.001\r\n        0     0\r\n    0\r\n");
    oc::coder_spec spec;
    oc::quest_list questions(1);
    std::strcpy(questions[0].name, "KEEP");
    std::int16_t count = -1;
    EXPECT_EQ(0, oc::load_coder_file(path.c_str(), spec, questions, count));
    EXPECT_EQ(0, count);
    ASSERT_EQ(1u, questions.size());
    EXPECT_STREQ("KEEP", questions[0].name);
}

TEST(CoderFileHeader, ReadsLinesOneAndTwo) {
    const struct {
        const char* what;
        std::string bytes;
        std::int16_t result;
        const char* name;
        std::int32_t offset;
        std::int16_t status;
        std::int16_t interviews;
    } cases[] = {
        {"example", "ABC.001\r\n      156  1  2\r\n", 0, "ABC.001", 156, 1, 2},
        {"merged", "ABC.001\r\n      156  3  0\r\n", 0, "ABC.001", 156, 3, 0},
        {"LF line ends", "ABC.001\n      156  2  1\n", 0, "ABC.001", 156, 2, 1},
        {"name padded with spaces", "  ABC.001  \r\n      156  0  0\r\n", 0, "ABC.001", 156, 0, 0},
        {"no line end after line 2", "ABC.001\r\n      156  0  0", 0, "ABC.001", 156, 0, 0},
        {"two numbers", "ABC.001\r\n      156  0\r\n", -1, "", 0, 0, 0},
        {"status 4 would read as missing", "ABC.001\r\n      156  4  0\r\n", -1, "", 0, 0, 0},
        {"negative status", "ABC.001\r\n      156 -1  0\r\n", -1, "", 0, 0, 0},
        {"line 2 missing", "ABC.001\r\n", -1, "", 0, 0, 0},
        {"empty file", "", -1, "", 0, 0, 0},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        write_bytes(dir.file("f"), c.bytes);
        file_ptr file = open_file(dir.file("f"), "rb");
        oc::coder_spec spec;
        spec.respondent_count = 7;
        spec.resp_ids.resize(7);
        std::int32_t offset = -5;
        EXPECT_EQ(c.result, oc::read_coder_header(file.get(), spec, offset)) << c.what;
        if (c.result != 0) {
            EXPECT_EQ(-5, offset) << c.what;
            continue;
        }
        EXPECT_STREQ(c.name, spec.name) << c.what;
        EXPECT_EQ(c.offset, offset) << c.what;
        EXPECT_EQ(c.status, spec.status) << c.what;
        EXPECT_EQ(c.interviews, spec.interviews) << c.what;
        EXPECT_EQ(0, spec.respondent_count) << c.what;
        EXPECT_TRUE(spec.resp_ids.empty()) << c.what;
    }
}

TEST(CoderFileHeader, RewritesInPlaceAndReturnsToThePosition) {
    ScratchDir dir;
    std::string path = dir.file("ABC.001");
    write_bytes(path, kExampleBytes);
    file_ptr file = open_file(path, "r+b");
    ASSERT_EQ(0, std::fseek(file.get(), 95, SEEK_SET));
    oc::coder_spec spec;
    std::strcpy(spec.name, "ABC.001");
    spec.status = 2;
    spec.interviews = 1;
    EXPECT_EQ(0, oc::write_coder_header(file.get(), spec, 156));
    EXPECT_EQ(95, std::ftell(file.get()));
    // Offsets below 1 are written as 0.
    spec.status = 1;
    EXPECT_EQ(0, oc::write_coder_header(file.get(), spec, -7));
    file.reset();
    std::string expected = kExampleBytes;
    expected.replace(9, 15, "        0  1  1");
    EXPECT_SAME_BYTES(expected, read_bytes(path));
}

TEST(CoderFileHeader, RefusesLineTwoWiderThanFifteen) {
    const struct {
        std::int32_t offset;
        std::int16_t status;
        std::int16_t interviews;
        std::int16_t result;
    } cases[] = {{999999999, 0, 0, 0}, {1000000000, 0, 0, -1}, {156, 99, 0, 0}, {156, 100, 0, -1}, {156, 0, 100, -1}};
    for (const auto& c : cases) {
        ScratchDir dir;
        std::string path = dir.file("ABC.001");
        write_bytes(path, kExampleBytes);
        file_ptr file = open_file(path, "r+b");
        oc::coder_spec spec;
        std::strcpy(spec.name, "ABC.001");
        spec.status = c.status;
        spec.interviews = c.interviews;
        EXPECT_EQ(c.result, oc::write_coder_header(file.get(), spec, c.offset)) << c.offset << " " << c.status;
        file.reset();
        if (c.result != 0) EXPECT_SAME_BYTES(kExampleBytes, read_bytes(path));
        else EXPECT_EQ(kExampleBytes.size(), read_bytes(path).size());
    }
}

TEST(CoderFileStatus, ComputedFromTheQuestions) {
    const struct {
        const char* what;
        std::int16_t before;
        std::vector<std::pair<std::int32_t, std::int32_t>> coded_of;  // last_record_coded, record_count
        std::int16_t after;
    } cases[] = {
        {"merged stays merged", 3, {{5, 5}, {3, 3}}, 3},
        {"merged, nothing coded", 3, {{0, 5}}, 3},
        {"0 of 5, 0 of 3", 2, {{0, 5}, {0, 3}}, 0},
        {"2 of 5, 0 of 3", 0, {{2, 5}, {0, 3}}, 1},
        {"5 of 5, 3 of 3", 0, {{5, 5}, {3, 3}}, 2},
        {"5 of 5, 0 of 3", 0, {{5, 5}, {0, 3}}, 1},
        {"0 of 5, 3 of 3", 0, {{0, 5}, {3, 3}}, 1},
        {"0 of 5, 0 of 3, 1 of 4", 0, {{0, 5}, {0, 3}, {1, 4}}, 1},
        {"5 of 5, 3 of 3, 3 of 4", 0, {{5, 5}, {3, 3}, {3, 4}}, 1},
        {"single question done", 1, {{7, 7}}, 2},
        {"empty first question, rest done", 0, {{0, 0}, {2, 2}}, 2},
        {"empty first question, rest untouched", 0, {{0, 0}, {0, 2}}, 1},
        {"no questions", 2, {}, 0},
    };
    for (const auto& c : cases) {
        oc::coder_spec spec;
        spec.status = c.before;
        oc::quest_list questions;
        for (auto [coded, count] : c.coded_of) {
            oc::quest_spec q;
            q.last_record_coded = coded;
            q.record_count = count;
            questions.push_back(q);
        }
        oc::compute_file_status(spec, questions);
        EXPECT_EQ(c.after, spec.status) << c.what;
    }
}

TEST(TrimText, StripsSpacesAndLineEndsByMode) {
    const struct {
        const char* in;
        int mode;
        const char* out;
    } cases[] = {
        {"  a b \r\n", 0, "a b"}, {"  a b \r\n", 3, "a b"}, {"  a b \r\n", 1, "a b \r\n"},
        {"  a b \r\n", 2, "  a b"}, {"\r\n \n", 0, ""},     {"\ta\t", 0, "\ta\t"},
        {"", 0, ""},               {" x ", 7, " x "},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        oc::trim_text(text, c.mode);
        EXPECT_EQ(c.out, text) << "mode " << c.mode << " on \"" << c.in << "\"";
        char buffer[32];
        std::strcpy(buffer, c.in);
        oc::trim_text(buffer, c.mode);
        EXPECT_STREQ(c.out, buffer);
    }
}

}  // namespace
