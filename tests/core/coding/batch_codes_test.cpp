#include <string>
#include <vector>

#include "coderfile/coder_file.h"
#include "engines/batch/batch_codes.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::write_bytes;

// Study S with Q1 (open end) and Q3 (a loop); respondent 7 answers twice
// (sequences 1 and 2). Coder file S.001: Q1 append 3 codes of width 3, Q3
// replace width 2.
class BatchCodesTest : public ::testing::Test {
protected:
    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\nQ3,7,0,Brand?\r\n",
                               "respondent,sequence,complete,Q1,Q3[1],Q3[2]\r\n"
                               "5,1,1,too dear|price,liked it,\r\n"
                               "6,1,1,taste,,cheap\r\n"
                               "7,1,1,smell,,\r\n"
                               "7,2,1,colour,,\r\n");
        ASSERT_FALSE(HasFatalFailure());
        octest::extract_s001({{"Q1", 0, 3, 3}, {"Q3", 1, 1, 2}});
        ASSERT_FALSE(HasFatalFailure());
        original = read_bytes("S.001");
    }

    oc::batch_result apply(const std::string& csv) {
        write_bytes("codes.csv", csv);
        return oc::apply_batch_codes("S.001", "codes.csv");
    }

    oc::quest_list questions_now() {
        oc::coder_spec spec;
        oc::quest_list questions;
        std::int16_t count = 0;
        EXPECT_EQ(0, oc::load_coder_file("S.001", spec, questions, count));
        return questions;
    }

    // Line n (from 0) of the coder file, without its line end.
    std::string line(int n) {
        std::string bytes = read_bytes("S.001");
        std::size_t start = 0;
        for (int i = 0; i < n; ++i) start = bytes.find("\r\n", start) + 2;
        return bytes.substr(start, bytes.find("\r\n", start) - start);
    }

    octest::ScratchDir dir;
    std::string original;
};

TEST_F(BatchCodesTest, WritesCodesInPlaceAndRaisesLastRecordCoded) {
    oc::batch_result result = apply(
        "question,respondent,roster,list_no,codes,sequence\r\n"
        "Q1,6,0,1,12 7,\r\n"
        "Q1,5,0,2,999,\r\n"
        "Q3,5,1,1,4,\r\n"
        "Q1,7,0,1,1 2 3,2\r\n");
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(4, result.coded);
    EXPECT_EQ(original.size(), read_bytes("S.001").size());
    // Q1's records: 5/1, 5/2, 6/1, 7 seq 1, 7 seq 2.
    EXPECT_EQ("    1         5       Q1   0   2  0  1  999           price", line(3));
    EXPECT_EQ("    1         6       Q1   0   1  0  2   12    7      taste", line(4));
    EXPECT_EQ("    2         7       Q1   0   1  0  3    1    2    3 colour", line(6));
    EXPECT_EQ("    1         5       Q3   1   1  0  1    4 liked it", line(7));
    oc::quest_list questions = questions_now();
    EXPECT_EQ(5, questions[0].last_record_coded);
    EXPECT_EQ(1, questions[1].last_record_coded);
    EXPECT_EQ(" 1", line(1).substr(10, 2));  // partly coded
}

TEST_F(BatchCodesTest, EmptyCodesClearARecordButLastRecordCodedStays) {
    ASSERT_TRUE(apply("question,respondent,roster,list_no,codes\r\nQ3,5,1,1,4\r\nQ3,6,2,1,5\r\n").ok);
    EXPECT_EQ(" 1", line(1).substr(10, 2));
    oc::batch_result result = apply("question,respondent,roster,list_no,codes\r\nQ3,6,2,1,\r\n");
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ("    1         6       Q3   2   1  0  0      cheap", line(8));
    EXPECT_EQ(2, questions_now()[1].last_record_coded);
}

TEST_F(BatchCodesTest, EveryRecordCodedCompletesTheFile) {
    ASSERT_TRUE(apply("question,respondent,roster,list_no,codes,sequence\r\n"
                      "Q1,5,0,1,1,\r\nQ1,5,0,2,1,\r\nQ1,6,0,1,1,\r\nQ1,7,0,1,1,1\r\nQ1,7,0,1,1,2\r\n"
                      "Q3,5,1,1,1,\r\nQ3,6,2,1,1,\r\n")
                    .ok);
    EXPECT_EQ(" 2", line(1).substr(10, 2));
}

TEST_F(BatchCodesTest, OneBadRowRefusesTheWholeFile) {
    const std::string header = "question,respondent,roster,list_no,codes\r\n";
    const std::string good = "Q1,5,0,1,3\r\n";
    struct { std::string rows; std::string message; } cases[] = {
        {"Q1,7,0,1,3\r\n", "codes.csv row 3: 2 records match; add a sequence column to choose one"},
        {"Q1,8,0,1,3\r\n", "codes.csv row 3: no record of the coder file matches"},
        {"Q2,5,0,1,3\r\n", "codes.csv row 3: no record of the coder file matches"},
        {"Q1,5,0,2,0\r\n", "codes.csv row 3, column codes: \"0\" is not a code from 1 to 9999 of at most 3 digits"},
        {"Q1,5,0,2,1000\r\n", "codes.csv row 3, column codes: \"1000\" is not a code from 1 to 9999 of at most 3 digits"},
        {"Q1,5,0,2,0012\r\n", "codes.csv row 3, column codes: \"0012\" is not a code from 1 to 9999 of at most 3 digits"},
        {"Q1,5,0,2,1 2 3 4\r\n", "codes.csv row 3, column codes: more than 3 codes"},
        {"Q3,5,1,1,100\r\n", "codes.csv row 3, column codes: \"100\" is not a code from 1 to 9999 of at most 2 digits"},
        {"Q3,5,1,1,1 2\r\n", "codes.csv row 3, column codes: more than 1 codes"},
        {"Q1,5,0,1,4\r\n", "codes.csv row 3: the same record as row 2"},
        {"Q1,x,0,1,4\r\n", "codes.csv row 3, column respondent: not a respondent number"},
        {"Q1,5,256,1,4\r\n", "codes.csv row 3, column roster: not a number from 0 to 255"},
        {"Q1,5,0\r\n", "codes.csv row 3: the row does not have one cell per column"},
    };
    for (const auto& c : cases) {
        oc::batch_result result = apply(header + good + c.rows);
        EXPECT_FALSE(result.ok) << c.rows;
        EXPECT_EQ(c.message, result.message);
        EXPECT_SAME_BYTES(original, read_bytes("S.001"));
    }
    oc::batch_result missing = apply("question,respondent,roster,codes\r\n" + good);
    EXPECT_EQ("codes.csv row 1: column \"list_no\" is missing", missing.message);
    oc::batch_result unknown = apply("question,respondent,roster,list_no,codes,note\r\n");
    EXPECT_EQ("codes.csv row 1: unknown column \"note\"", unknown.message);
    EXPECT_SAME_BYTES(original, read_bytes("S.001"));
}

TEST_F(BatchCodesTest, CommandLine) {
    write_bytes("codes.csv", "question,respondent,roster,list_no,codes\r\nQ1,6,0,1,12\r\n");
    std::string codes = dir.file("codes.csv");
    octest::RunResult ok = octest::run_cli({"code", "--study", dir.file("S"), "--file", "S.001", "--codes", codes});
    EXPECT_EQ(0, ok.exit_code) << ok.err;
    EXPECT_EQ("1 records coded\n", ok.out);
    EXPECT_EQ("S.001\t1\n", octest::run_cli({"list", "--study", dir.file("S")}).out);

    write_bytes("codes.csv", "question,respondent,roster,list_no,codes\r\nQ1,6,0,1,12345\r\n");
    std::string before = read_bytes("S.001");
    octest::RunResult refused = octest::run_cli({"code", "--study", dir.file("S"), "--file", "S.001", "--codes", codes});
    EXPECT_EQ(1, refused.exit_code);
    EXPECT_NE(std::string::npos, refused.err.find("row 2"));
    EXPECT_SAME_BYTES(before, read_bytes("S.001"));
    EXPECT_EQ(2, octest::run_cli({"code", "--study", dir.file("S"), "--file", "S.001"}).exit_code);
}

}  // namespace
