// opencoder merge as scripts run it, over coder files prepared and coded
// with the tool itself.
#include "merge_fixture.h"

namespace {

using namespace mergetest;
using octest::run_cli;

// Whole merges over coder files prepared and coded with the tool.
class MergeCommand : public MergeStudy {
protected:
    void prepare_and_code(const std::string& questions_csv) {
        ASSERT_EQ(0, run_cli({"prepare", "--study", dir.file("S"), "--question", "Q5:append:3:3", "--question",
                              "Q7:replace:1:2"})
                         .exit_code);
        octest::write_bytes(dir.file("codes.csv"), questions_csv);
        ASSERT_EQ(0, run_cli({"code", "--study", dir.file("S"), "--file", "S.001", "--codes", dir.file("codes.csv")})
                         .exit_code);
    }
    octest::RunResult merge(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"merge", "--study", dir.file("S"), "--file", "S.001"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_cli(args);
    }
};

TEST_F(MergeCommand, NothingCodedIsRefused) {
    ASSERT_EQ(0, run_cli({"prepare", "--study", dir.file("S"), "--question", "Q5:append:3:3"}).exit_code);
    study_files before = read_study();
    std::string coder = read_bytes("S.001");
    octest::RunResult nothing = merge();
    EXPECT_EQ(1, nothing.exit_code);
    EXPECT_EQ("There are no codes to be merged in this file.\n", nothing.err);
    EXPECT_SAME_BYTES(before.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(before.dat, read_bytes("S.DAT"));
    EXPECT_SAME_BYTES(coder, read_bytes("S.001"));
    EXPECT_EQ(1, merge({"--yes"}).exit_code);  // --yes does not override 742
    EXPECT_EQ(1, run_cli({"merge", "--study", dir.file("S"), "--file", "S.002"}).exit_code);
    EXPECT_EQ(2, run_cli({"merge", "--study", dir.file("S")}).exit_code);
}

TEST_F(MergeCommand, MergesMarksAndRegistersAppendVariables) {
    prepare_and_code("question,respondent,roster,list_no,codes,sequence\r\n"
                     "Q5,8,0,2,5 17 230,\r\nQ7,7,0,1,12,2\r\n");
    study_files before = read_study();
    octest::RunResult merged = merge();
    ASSERT_EQ(0, merged.exit_code) << merged.err;
    EXPECT_EQ("The codes were merged successfully into the data files.\n", merged.err);
    EXPECT_EQ("S.001\t3\n", run_cli({"list", "--study", dir.file("S")}).out);
    // Records in file order: Q5's (respondent 8, list 2), then Q7's (7/2).
    study_files expected = expected_append(before, 24, 1, var_entry("#2Q5", 0, {"5", "17", "230"}));
    expected = expected_append(expected, 44, 1, var_entry("Q7", 0, {"12"}));
    EXPECT_SAME_BYTES(expected.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(expected.dat, read_bytes("S.DAT"));
    // One Append question: '#', name, 0, largest roster 0, width 3, 3 codes, largest list number 2.
    std::string add = read_bytes("S.add");
    EXPECT_SAME_BYTES(std::string("#Q5\0\0\0\0\0", 8) + le32(0) + le32(0) + le16(3) + le16(3) + le32(2), add);
    std::string dump = run_cli({"study", "dump", "--study", dir.file("S")}).out;
    EXPECT_NE(std::string::npos, dump.find("#2Q5 roster 0: \"5\" \"17\" \"230\""));
    EXPECT_NE(std::string::npos, dump.find("Q7 roster 0: \"12\""));

    // Merged already: declined without --yes, nothing written.
    study_files merged_once = read_study();
    std::string coder = read_bytes("S.001");
    octest::RunResult again = merge();
    EXPECT_EQ(3, again.exit_code);
    EXPECT_EQ(0u, again.err.find("The codes in this file have already been merged."));
    EXPECT_SAME_BYTES(merged_once.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(merged_once.dat, read_bytes("S.DAT"));
    EXPECT_SAME_BYTES(coder, read_bytes("S.001"));
    ASSERT_EQ(0, merge({"--yes"}).exit_code);
    EXPECT_SAME_BYTES(add, read_bytes("S.add"));  // one entry, values never decrease
    EXPECT_EQ(merged_once.idx.size() + 40, read_bytes("S.idx").size());

    // Respondent 7 has two first records: matching by respondent is refused.
    study_files twice = read_study();
    octest::RunResult duplicates = merge({"--yes", "--by-respondent"});
    EXPECT_EQ(1, duplicates.exit_code);
    EXPECT_EQ("Duplicate respondent numbers have been found in the data file.  You cannot select the option "
              "\"Merge based on respondent numbers ONLY\" unless you have unique respondent numbers.\n",
              duplicates.err);
    EXPECT_SAME_BYTES(twice.idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(twice.dat, read_bytes("S.DAT"));
}

TEST_F(MergeCommand, ByRespondentWithUniqueNumbersWarnsForMissingData) {
    // Respondent 7's second record made a later version: numbers now unique.
    std::string idx = read_bytes("S.idx");
    idx[44 + 4] = 2;
    octest::write_bytes("S.idx", idx);
    prepare_and_code("question,respondent,roster,list_no,codes,sequence\r\nQ5,8,0,1,4,\r\n");
    octest::write_bytes("S.idx", read_bytes("S.idx").replace(24, 4, le32(88)));  // 8's data gone
    octest::RunResult merged = merge({"--by-respondent"});
    EXPECT_EQ(0, merged.exit_code);
    EXPECT_EQ("Can't find data record in the .DAT file for respondent number 8.  This coded data will not be "
              "merged.\nThe codes were merged successfully into the data files.\n",
              merged.err);
    octest::write_bytes("S.idx", "\xED");
    octest::RunResult unreadable = merge({"--by-respondent", "--yes"});
    EXPECT_EQ(1, unreadable.exit_code);
    EXPECT_EQ(0u, unreadable.err.find("An error occurred while reading the .idx file.\nDuplicate respondent numbers"));
}

TEST_F(MergeCommand, AFailureStopsTheMergeAndKeepsTheStatus) {
    prepare_and_code("question,respondent,roster,list_no,codes,sequence\r\n"
                     "Q5,7,0,1,1,1\r\nQ5,8,0,1,2,\r\nQ5,9,0,1,3,\r\n");
    // Respondent 8's data is gone: the second coded record has no match.
    std::string idx = read_bytes("S.idx");
    idx[4 + 20] = 88;
    octest::write_bytes("S.idx", idx);
    octest::RunResult failed = merge();
    EXPECT_EQ(1, failed.exit_code);
    EXPECT_EQ(0u, failed.err.find("A matching respondent record cannot be found"));
    EXPECT_EQ("S.001\t1\n", run_cli({"list", "--study", dir.file("S")}).out);
    EXPECT_EQ(idx.size() + 20, read_bytes("S.idx").size());  // the first record went in
    EXPECT_FALSE(octest::fs::exists("S.add"));
}

}  // namespace
