// The data-file writer byte by byte, the merge engine over coded files, and
// the merge command as scripts run it.
#include <cstring>
#include <string>
#include <vector>

#include "merge/data_file_writer.h"
#include "merge/merge_engine.h"
#include "suite/data_library.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::read_bytes;
using octest::run_cli;

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string le32(unsigned long v) { return le16(v & 0xFFFF) + le16(v >> 16 & 0xFFFF); }
std::uint32_t get32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
                                      static_cast<unsigned char>(s[at + 2]) << 16 |
                                      static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24);
}

oc::coded_var var(const char* name, std::uint16_t roster, std::vector<std::string> values) {
    oc::coded_var v;
    std::memcpy(v.name, name, strnlen(name, 8));
    v.roster = roster;
    v.values = std::move(values);
    return v;
}

class MergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ5,7,0,Why?\r\nQ7,7,0,What else?\r\n");
        octest::write_bytes(dir.file("data.csv"),
                            "respondent,sequence,complete,Q5,Q7\r\n"
                            "7,1,1,too dear,a b\r\n8,1,0,cheap|nice,\r\n7,2,1,again,c d\r\n9,1,1,fine,e f\r\n");
        ASSERT_TRUE(oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S")).ok);
        dir.enter();
    }
    std::int16_t append(std::int32_t respondent, std::uint16_t sequence, const oc::coded_var& v,
                        bool by_respondent = false) {
        return oc::AppendCodedVariable(respondent, sequence, {v}, "S.DAT", "S.idx", by_respondent,
                                       [this](const std::string& text) { warnings.push_back(text); });
    }
    octest::ScratchDir dir;
    std::vector<std::string> warnings;
};

TEST_F(MergeTest, NewVersionAndEntryByteForByte) {
    std::string idx = read_bytes("S.idx"), dat = read_bytes("S.DAT");
    ASSERT_EQ(0, append(8, 1, var("#Q5", 0, {"5", "17", "230"})));
    std::string new_idx = read_bytes("S.idx"), new_dat = read_bytes("S.DAT");

    // Respondent 8's first entry is the second; its link now names the new entry.
    ASSERT_EQ(idx.size() + 20, new_idx.size());
    EXPECT_EQ(le32(idx.size()), new_idx.substr(4 + 20 + 16, 4));
    std::string old_entry = idx.substr(24, 20);
    std::string expected_entry = old_entry.substr(0, 4) + '\x02' + old_entry.substr(5, 7) + le32(dat.size()) + le32(0);
    EXPECT_SAME_BYTES(expected_entry, new_idx.substr(idx.size()));
    EXPECT_SAME_BYTES(idx.substr(0, 40) + idx.substr(44), new_idx.substr(0, 40) + new_idx.substr(44, idx.size() - 44));

    std::uint32_t old_at = get32(idx, 24 + 12);
    std::string old_header = dat.substr(old_at, 20);
    std::string entry = std::string("#Q5\0\0\0\0\0", 8) + '\0' + '\0' + '\0' + std::string(8, '\0') + "\x01\x01" +
                        le16(3) + "\x01" "5" "\x02" "17" "\x03" "230" + '\0';
    std::string block = le32(0xF9F9F9F9) + le16(8 + entry.size()) + le16(1) + entry;
    std::size_t length = 20 + 20 + 9 + block.size() + 4;
    std::string fc_word = dat.substr(old_at + 20 + 10, 2);
    std::string expected = le32(0xF5F5F5F5) + le16(length) + old_header.substr(6, 4) + '\x02' + old_header.substr(11) +
                           le32(0xFCFCFCFC) + le16(20) + le16(1) + le16(20500) + fc_word + std::string(8, '\0') +
                           le32(0xFBFBFBFB) + le16(9) + le16(1) + '\0' + block + le32(0xFDFDFDFD);
    EXPECT_SAME_BYTES(dat + expected, new_dat);
}

TEST_F(MergeTest, ChainsGrowAndLaterVersionsWin) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(0, append(9, 1, var("Q5", 0, {std::to_string(10 + i)})));
    std::string idx = read_bytes("S.idx");
    EXPECT_EQ(4, idx[idx.size() - 20 + 4]);  // generation 4
    char buffer[801];
    std::uint32_t respondent = 0;
    std::int32_t sequence = 0, roster = 0;
    std::int16_t type = 0;
    std::int16_t n = 0;
    for (int mode = -1; (n = oc::fextract(static_cast<std::int16_t>(mode), "Q5", buffer, "S.idx", "S.DAT", &respondent,
                                          &sequence, &type, 1, 1, &roster, 0, 0)) >= 0 && respondent != 9;
         mode = 1)
        roster = 0;
    ASSERT_EQ(1, n);
    EXPECT_STREQ("12", buffer);
}

TEST_F(MergeTest, MatchingBySequenceOrByRespondent) {
    ASSERT_EQ(0, append(7, 2, var("Q5", 0, {"2"})));  // the second entry of respondent 7
    std::string idx = read_bytes("S.idx");
    EXPECT_EQ(0u, get32(idx, 4 + 16));                  // the first entry keeps no link
    EXPECT_EQ(idx.size() - 20, get32(idx, 4 + 40 + 16));
    ASSERT_EQ(0, append(7, 2, var("Q5", 0, {"1"}), true));  // by respondent: the first entry
    EXPECT_EQ(idx.size(), get32(read_bytes("S.idx"), 4 + 16));

    std::string dat = read_bytes("S.DAT");
    idx = read_bytes("S.idx");
    EXPECT_EQ(oc::kAppendNoMatch, append(7, 3, var("Q5", 0, {"1"})));
    EXPECT_EQ(0, append(70, 1, var("Q5", 0, {"1"}), true));
    EXPECT_EQ((std::vector<std::string>{"Can't find data record in the .DAT file for respondent number 70.  "
                                        "This coded data will not be merged."}),
              warnings);
    EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(dat, read_bytes("S.DAT"));
}

TEST_F(MergeTest, PaddedValuesAndEmptyValues) {
    std::string dat = read_bytes("S.DAT");
    std::uint32_t old_at = get32(read_bytes("S.idx"), 4 + 40 + 12);  // respondent 7, sequence 2
    dat[old_at + 20 + 20 + 8] = '\x01';                              // FB flags: low nibble set
    octest::write_bytes("S.DAT", dat);
    ASSERT_EQ(0, append(7, 2, var("Q5", 1, {"", "12"})));
    std::string added = read_bytes("S.DAT").substr(dat.size());
    std::string values = std::string(4, '\0') + '\0' + std::string(4, '\0') + "\x02" "12" + '\0';
    EXPECT_EQ(values, added.substr(added.size() - 4 - values.size(), values.size()));
    EXPECT_EQ('\x01', added[20 + 20 + 8]);  // the flags byte carried over
    EXPECT_EQ('\x01', added[49 + 8 + 10]);  // roster
}

TEST_F(MergeTest, DamagedOldVersionOrFailedWriteLeavesTheStudyAsItWas) {
    std::string idx = read_bytes("S.idx"), dat = read_bytes("S.DAT");
    std::uint32_t old_at = get32(idx, 4 + 12);
    std::string damaged = dat;
    damaged[old_at] = 0;  // no record magic
    octest::write_bytes("S.DAT", damaged);
    EXPECT_EQ(oc::kAppendFailed, append(7, 1, var("Q5", 0, {"1"})));
    EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(damaged, read_bytes("S.DAT"));
    octest::write_bytes("S.DAT", dat);

    for (int failing = 1; failing <= 3; ++failing) {
        oc::set_writer_write_hook([failing](int write) { return write != failing; });
        EXPECT_EQ(oc::kAppendFailed, append(7, 1, var("Q5", 0, {"1"}))) << failing;
        oc::set_writer_write_hook({});
        EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
        EXPECT_SAME_BYTES(dat, read_bytes("S.DAT"));
    }
    EXPECT_EQ(0, append(7, 1, var("Q5", 0, {"1"})));
}

TEST(CodedVariable, ReplaceAndAppendForms) {
    oc::resp_record record;
    std::snprintf(record.qname, sizeof record.qname, "Q5");
    record.list_no = 3;
    record.codes_count = 2;
    record.codes[0] = 12;
    record.codes[1] = 40;
    record.roster = 4;
    oc::coded_var replace = oc::coded_variable(record, true);
    EXPECT_EQ(std::string("Q5\0\0\0\0\0\0", 8), std::string(replace.name, 8));
    EXPECT_EQ((std::vector<std::string>{"", "", "12"}), replace.values);
    EXPECT_EQ(4, replace.roster);

    record.list_no = 1;
    record.codes_count = 3;
    record.codes[2] = 230;
    record.codes[1] = 17;
    record.codes[0] = 5;
    oc::coded_var append = oc::coded_variable(record, false);
    EXPECT_EQ(std::string("#Q5\0\0\0\0\0", 8), std::string(append.name, 8));
    EXPECT_EQ((std::vector<std::string>{"5", "17", "230"}), append.values);
    record.list_no = 2;
    EXPECT_EQ(std::string("#2Q5\0\0\0\0", 8), std::string(oc::coded_variable(record, false).name, 8));
    std::snprintf(record.qname, sizeof record.qname, "ABCDEFGH");
    record.list_no = 12;
    EXPECT_EQ("#12ABCDE", std::string(oc::coded_variable(record, false).name, 8));
    EXPECT_EQ("#ABCDEFG", std::string(oc::coded_variable((record.list_no = 1, record), false).name, 8));
}

// Whole merges over coder files prepared and coded with the tool.
class MergeCommand : public MergeTest {
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

TEST_F(MergeCommand, MergesMarksAndRegistersAppendVariables) {
    ASSERT_EQ(0, run_cli({"prepare", "--study", dir.file("S"), "--question", "Q5:append:3:3"}).exit_code);
    octest::RunResult nothing = merge();
    EXPECT_EQ(1, nothing.exit_code);
    EXPECT_EQ("There are no codes to be merged in this file.\n", nothing.err);
    std::remove("S.001");
    std::remove("S.cdl");

    prepare_and_code("question,respondent,roster,list_no,codes,sequence\r\n"
                     "Q5,8,0,2,5 17 230,\r\nQ7,7,0,1,12,2\r\n");
    octest::RunResult merged = merge();
    ASSERT_EQ(0, merged.exit_code) << merged.err;
    EXPECT_EQ("The codes were merged successfully into the data files.\n", merged.err);
    EXPECT_EQ("S.001\t3\n", run_cli({"list", "--study", dir.file("S")}).out);
    std::string add = read_bytes("S.add");
    // One Append question: '#', name, 0, largest roster 0, width 3, 3 codes, largest list number 2.
    EXPECT_SAME_BYTES(std::string("#Q5\0\0\0\0\0", 8) + le32(0) + le32(0) + le16(3) + le16(3) + le32(2), add);
    std::string dump = run_cli({"study", "dump", "--study", dir.file("S")}).out;
    EXPECT_NE(std::string::npos, dump.find("#2Q5 roster 0: \"5\" \"17\" \"230\""));
    EXPECT_NE(std::string::npos, dump.find("Q7 roster 0: \"12\""));

    octest::RunResult again = merge();
    EXPECT_EQ(3, again.exit_code);
    EXPECT_EQ(0, merge({"--yes"}).exit_code);
    EXPECT_SAME_BYTES(add, read_bytes("S.add"));  // one entry, values never decrease

    octest::RunResult duplicates = merge({"--yes", "--by-respondent"});
    EXPECT_EQ(1, duplicates.exit_code);
    EXPECT_NE(std::string::npos, duplicates.err.find("Duplicate respondent numbers have been found"));
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

TEST(UniqueRespondents, OnlyFirstGenerationsCount) {
    octest::ScratchDir dir;
    auto entry = [](int respondent, int generation) {
        return le32(static_cast<unsigned long>(respondent)) + static_cast<char>(generation) + std::string(15, '\0');
    };
    std::string magic = le32(0xEDEDEDED);
    octest::write_bytes(dir.file("a.idx"), magic + entry(5, 1));
    EXPECT_EQ(1, oc::check_unique_respondents(dir.file("a.idx")));
    octest::write_bytes(dir.file("b.idx"), magic + entry(5, 1) + entry(3, 1) + entry(5, 2) + entry(9, 1));
    EXPECT_EQ(1, oc::check_unique_respondents(dir.file("b.idx")));
    octest::write_bytes(dir.file("c.idx"), magic + entry(5, 1) + entry(3, 1) + entry(5, 1));
    EXPECT_EQ(0, oc::check_unique_respondents(dir.file("c.idx")));
    octest::write_bytes(dir.file("d.idx"), "\xED\xED");
    EXPECT_EQ(-1, oc::check_unique_respondents(dir.file("d.idx")));
    EXPECT_EQ(-1, oc::check_unique_respondents(dir.file("missing.idx")));
}

}  // namespace
