#include "suite/study_import.h"

#include <gtest/gtest.h>

#include "study_test_support.h"

namespace {

using octest::ScratchDir;
using suitetest::files_in;
using suitetest::le16;
using suitetest::le32;

struct imported_study {
    ScratchDir dir;
    std::string base;
    oc::study_result result;

    imported_study(const std::string& labels, const std::string& data) {
        octest::write_bytes(dir.file("labels.csv"), labels);
        octest::write_bytes(dir.file("data.csv"), data);
        base = dir.file("S");
        result = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), base);
    }
};

const std::string kTinyLabels = "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,1,1,\"Pick, \"\"one\"\"\"\r\n";

TEST(StudyImport, WritesIndexDataAndLabelsByteForByte) {
    const std::string a255(255, 'a'), b254(254, 'b');
    imported_study study(kTinyLabels, "respondent,sequence,complete,Q1,Q2\r\n1001,12,1," + a255 +
                                          "|,3\r\n7,,0," + b254 + ",\r\n");
    ASSERT_TRUE(study.result.ok) << study.result.message;

    // Respondent 1001: Q1 holds a 255-byte text (0xFF + 16-bit length) and an
    // empty value; Q2 one text. Entries 283 and 26 bytes, block 317, record 370.
    std::string q1_first = std::string("Q1") + std::string(6, '\0') + std::string(11, '\0') + "\x01\x01" + le16(2) +
                           "\xFF" + le16(255) + a255 + std::string(1, '\0') + std::string(1, '\0');
    std::string q2_first = std::string("Q2") + std::string(6, '\0') + std::string(11, '\0') + "\x01\x01" + le16(1) +
                           "\x01" "3" + std::string(1, '\0');
    std::string first = "\xF5\xF5\xF5\xF5" + le16(370) + le32(1001) + "\x01\x01" + std::string(4, '\0') + le16(12) +
                        std::string(2, '\0') + "\xFC\xFC\xFC\xFC" + le16(20) + le16(2) + le16(20500) + le16(0) +
                        std::string(8, '\0') + "\xFB\xFB\xFB\xFB" + le16(9) + le16(1) + std::string(1, '\0') +
                        "\xF9\xF9\xF9\xF9" + le16(317) + le16(2) + q1_first + q2_first + "\xFD\xFD\xFD\xFD";
    // Respondent 7: sequence from the row number (2), incomplete, a 254-byte
    // text (one length byte 0xFE); the empty Q2 cell writes no entry.
    std::string q1_second = std::string("Q1") + std::string(6, '\0') + std::string(11, '\0') + "\x01\x01" + le16(1) +
                            "\xFE" + b254 + std::string(1, '\0');
    std::string second = "\xF5\xF5\xF5\xF5" + le16(340) + le32(7) + "\x01" + std::string(5, '\0') + le16(2) +
                         std::string(2, '\0') + "\xFC\xFC\xFC\xFC" + le16(20) + le16(1) + le16(20500) + le16(0) +
                         std::string(8, '\0') + "\xFB\xFB\xFB\xFB" + le16(9) + le16(1) + std::string(1, '\0') +
                         "\xF9\xF9\xF9\xF9" + le16(287) + le16(1) + q1_second + "\xFD\xFD\xFD\xFD";
    EXPECT_SAME_BYTES(first + second, octest::read_bytes(study.base + ".DAT"));

    std::string idx = "\xED\xED\xED\xED" + le32(1001) + "\x01" + std::string(5, '\0') + le16(12) + le32(0) + le32(0) +
                      le32(7) + "\x01" + std::string(5, '\0') + le16(2) + le32(370) + le32(0);
    EXPECT_SAME_BYTES(idx, octest::read_bytes(study.base + ".idx"));

    EXPECT_SAME_BYTES("Q1\t7\t0\tWhy?\r\nQ2\t1\t1\tPick, \"one\"\r\n", octest::read_bytes(study.base + ".lbl"));
    EXPECT_EQ((std::vector<std::string>{"S.DAT", "S.idx", "S.lbl", "data.csv", "labels.csv"}), files_in(study.dir.path()));
}

TEST(StudyImport, KeepsCellsExactlyAndAcceptsLfAndBom) {
    // Spaces kept, a quoted cell with comma, quotes, tab and CR LF kept,
    // line ends LF, a byte order mark before the header.
    imported_study study("\xEF\xBB\xBFname,type,other,text\nQ1,7,0,\" a\tb\r\nc \"\n",
                         "respondent,sequence,complete,Q1\n5,0,1,\" x, \"\"y\"\"\t\r\nz \"\n6,65535,0, |\n");
    ASSERT_TRUE(study.result.ok) << study.result.message;
    std::string dat = octest::read_bytes(study.base + ".DAT");
    std::string text = " x, \"y\"\t\r\nz ";
    EXPECT_NE(std::string::npos, dat.find("\x01\x01" + le16(1) + static_cast<char>(text.size()) + text + '\0'));
    EXPECT_NE(std::string::npos, dat.find("\x01\x01" + le16(2) + "\x01 " + std::string(2, '\0')));
    EXPECT_SAME_BYTES("Q1\t7\t0\t a\\tb\\r\\nc \r\n", octest::read_bytes(study.base + ".lbl"));
}

TEST(StudyImport, TextsOf800BytesFitAndRecordsUpTo65535Bytes) {
    // A version takes 61 fixed bytes (header, FC, FB, block header, end
    // marker); a variable with one 800-byte text 23 + 803 + 1 = 827.
    std::string labels = "name,type,other,text\n";
    std::string header = "respondent,sequence,complete";
    std::string row = "1,1,1";
    const std::string t800(800, 'x');
    for (int i = 0; i < 80; ++i) {
        labels += "Q" + std::to_string(i) + ",7,0,t\n";
        header += ",Q" + std::to_string(i);
        row += "," + t800;
    }
    // 61 + 80 * 827 = 66221 bytes: too large.
    imported_study too_large(labels, header + "\n" + row + "\n");
    EXPECT_EQ("data.csv row 2: the record would be 66221 bytes long (at most 65535)", too_large.result.message);

    std::string fits = "1,1,1";
    std::string one_more = "1,1,1";
    // 61 + 78 * 827 = 64567; a 79th variable of 23 + 803 + (1 + 140) + 1 = 968
    // bytes makes 65535; one byte more is refused.
    for (int i = 0; i < 78; ++i) {
        fits += "," + t800;
        one_more += "," + t800;
    }
    fits += "," + t800 + "|" + std::string(140, 'y') + ",";
    one_more += "," + t800 + "|" + std::string(141, 'y') + ",";
    imported_study exact(labels, header + "\n" + fits + "\n");
    ASSERT_TRUE(exact.result.ok) << exact.result.message;
    EXPECT_EQ(65535u, octest::read_bytes(exact.base + ".DAT").size());
    imported_study over(labels, header + "\n" + one_more + "\n");
    EXPECT_EQ("data.csv row 2: the record would be 65536 bytes long (at most 65535)", over.result.message);
}

struct refusal {
    const char* what;
    std::string labels;
    std::string data;
    std::string message;
};

class StudyImportRefusal : public testing::TestWithParam<refusal> {};

TEST_P(StudyImportRefusal, NamesRowAndColumnAndLeavesNothing) {
    const refusal& r = GetParam();
    imported_study study(r.labels, r.data);
    EXPECT_FALSE(study.result.ok);
    EXPECT_EQ(r.message, study.result.message);
    EXPECT_EQ((std::vector<std::string>{"data.csv", "labels.csv"}), files_in(study.dir.path()));
}

const std::string L = "name,type,other,text\nQ5,7,0,Text\nQ6,1,1,Other\nABCDEFGH,7,0,eight\n";
const std::string H = "respondent,sequence,complete,Q5,Q6[1],Q6[2]\n";

INSTANTIATE_TEST_SUITE_P(
    Table, StudyImportRefusal,
    testing::Values(
        refusal{"label header", "name,type,text\nQ5,7,Text\n", H, "labels.csv row 1: the header must be name,type,other,text"},
        refusal{"label name 9 chars", "name,type,other,text\nABCDEFGHI,7,0,x\n", H,
                "labels.csv row 2, column \"name\": \"ABCDEFGHI\" is longer than 8 characters"},
        refusal{"label name empty", "name,type,other,text\n,7,0,x\n", H, "labels.csv row 2, column \"name\": the name is empty"},
        refusal{"label name space", "name,type,other,text\nQ 5,7,0,x\n", H,
                "labels.csv row 2, column \"name\": \"Q 5\" holds a character not allowed in a question name"},
        refusal{"label duplicate", "name,type,other,text\nQ5,7,0,x\n\"Q5\",1,0,y\n", H,
                "labels.csv row 3, column \"name\": \"Q5\" already stands in row 2"},
        refusal{"label type 8", "name,type,other,text\nQ5,8,0,x\n", H,
                "labels.csv row 2, column \"type\": \"8\" is not a question type from 0 to 7"},
        refusal{"label type text", "name,type,other,text\nQ5,open,0,x\n", H,
                "labels.csv row 2, column \"type\": \"open\" is not a question type from 0 to 7"},
        refusal{"label other 2", "name,type,other,text\nQ5,7,2,x\n", H, "labels.csv row 2, column \"other\": \"2\" is not 0 or 1"},
        refusal{"label ragged", "name,type,other,text\nQ5,7,0\n", H, "labels.csv row 2: 3 cells where the header has 4"},
        refusal{"label quoting", "name,type,other,text\nQ5,7,0,\"x\"y\n", H, "labels.csv row 2: badly quoted cell"},
        refusal{"label unterminated quote", "name,type,other,text\nQ5,7,0,\"x\n", H, "labels.csv row 2: badly quoted cell"},
        refusal{"labels empty", "", H, "labels.csv: the file is empty"},
        refusal{"data empty", L, "", "data.csv: the file is empty"},
        refusal{"data header", L, "respondent,complete,sequence\n", "data.csv row 1: the header must start with respondent,sequence,complete"},
        refusal{"unknown column", L, "respondent,sequence,complete,Q9\n", "data.csv row 1, column \"Q9\": no question Q9 in the labels"},
        refusal{"malformed column", L, "respondent,sequence,complete,Q5[2\n",
                "data.csv row 1, column \"Q5[2\": not a question column (NAME or NAME[roster])"},
        refusal{"column name 9 chars", L, "respondent,sequence,complete,ABCDEFGHI\n",
                "data.csv row 1, column \"ABCDEFGHI\": \"ABCDEFGHI\" is longer than 8 characters"},
        refusal{"column name 9 chars with roster", L, "respondent,sequence,complete,ABCDEFGHI[1]\n",
                "data.csv row 1, column \"ABCDEFGHI[1]\": \"ABCDEFGHI\" is longer than 8 characters"},
        refusal{"roster 0", L, "respondent,sequence,complete,Q6[0]\n", "data.csv row 1, column \"Q6[0]\": roster \"0\" is not from 1 to 255"},
        refusal{"roster 256", L, "respondent,sequence,complete,Q6[256]\n",
                "data.csv row 1, column \"Q6[256]\": roster \"256\" is not from 1 to 255"},
        refusal{"roster empty", L, "respondent,sequence,complete,Q6[]\n", "data.csv row 1, column \"Q6[]\": roster \"\" is not from 1 to 255"},
        refusal{"with and without roster", L, "respondent,sequence,complete,Q6[1],Q6\n",
                "data.csv row 1, column \"Q6\": Q6 is used both with and without a roster"},
        refusal{"duplicate column", L, "respondent,sequence,complete,Q5,Q5\n", "data.csv row 1, column \"Q5\": the column appears twice"},
        refusal{"respondent text", L, H + "12a,1,1,,,\n", "data.csv row 2, column \"respondent\": \"12a\" is not a number from 0 to 2147483647"},
        refusal{"respondent negative", L, H + "-1,1,1,,,\n", "data.csv row 2, column \"respondent\": \"-1\" is not a number from 0 to 2147483647"},
        refusal{"respondent 2^31", L, H + "2147483648,1,1,,,\n",
                "data.csv row 2, column \"respondent\": \"2147483648\" is not a number from 0 to 2147483647"},
        refusal{"respondent empty", L, H + ",1,1,,,\n", "data.csv row 2, column \"respondent\": \"\" is not a number from 0 to 2147483647"},
        refusal{"sequence 65536", L, H + "1,65536,1,,,\n", "data.csv row 2, column \"sequence\": \"65536\" is not a number from 0 to 65535"},
        refusal{"sequence spaces", L, H + "1, 2,1,,,\n", "data.csv row 2, column \"sequence\": \" 2\" is not a number from 0 to 65535"},
        refusal{"complete 2", L, H + "1,1,2,,,\n", "data.csv row 2, column \"complete\": \"2\" is not 0 or 1"},
        refusal{"complete empty", L, H + "1,1,,,,\n", "data.csv row 2, column \"complete\": \"\" is not 0 or 1"},
        refusal{"duplicate respondent", L, H + "1,1,1,,,\n2,1,1,,,\n1,1,0,,,\n",
                "data.csv row 4, column \"sequence\": respondent 1 with sequence 1 already stands in row 2"},
        refusal{"duplicate by default sequence", L, H + "1,2,1,,,\n1,,1,,,\n",
                "data.csv row 3, column \"sequence\": respondent 1 with sequence 2 already stands in row 2"},
        refusal{"ragged short", L, H + "1,1,1,,\n", "data.csv row 2: 5 cells where the header has 6"},
        refusal{"ragged long", L, H + "1,1,1,,,,\n", "data.csv row 2: 7 cells where the header has 6"},
        refusal{"blank row", L, H + "1,1,1,,,\r\n\r\n2,1,1,,,\r\n", "data.csv row 3: the row is empty"},
        refusal{"row counts quoted line breaks", L, H + "1,1,1,\"a\nb\nc\",,\n2,2,1,,\n",
                "data.csv row 3: 5 cells where the header has 6"},
        refusal{"text 801 bytes", L, H + "1,1,1,ok|" + std::string(801, 'x') + ",,\n",
                "data.csv row 2, column \"Q5\": text 2 is 801 bytes long (at most 800)"},
        refusal{"data quoting", L, H + "1,1,1,\"a\"b,,\n", "data.csv row 2: badly quoted cell"},
        refusal{"NUL in a text", L, H + "1,1,1,a|" + std::string("b\0c", 3) + ",,\n",
                "data.csv row 2, column \"Q5\": text 2 holds a NUL byte"},
        refusal{"NUL in a label", "name,type,other,text\nQ5,7,0," + std::string("\0", 1) + "\n", H,
                "labels.csv row 2, column \"text\": the text holds a NUL byte"}),
    [](const testing::TestParamInfo<refusal>& info) {
        std::string name;
        for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(StudyImport, RefusesUnreadableInputAndUnwritableTarget) {
    ScratchDir dir;
    octest::write_bytes(dir.file("labels.csv"), L);
    octest::write_bytes(dir.file("data.csv"), H);
    oc::study_result missing = oc::import_study(dir.file("none.csv"), dir.file("data.csv"), dir.file("S"));
    EXPECT_EQ("cannot read \"" + dir.file("none.csv") + "\": No such file or directory", missing.message);
    missing = oc::import_study(dir.file("labels.csv"), dir.file("none.csv"), dir.file("S"));
    EXPECT_EQ("cannot read \"" + dir.file("none.csv") + "\": No such file or directory", missing.message);
    oc::study_result target = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("no/S"));
    EXPECT_EQ("cannot create \"" + dir.file("no/S") + ".lbl\": No such file or directory", target.message);
    EXPECT_EQ((std::vector<std::string>{"data.csv", "labels.csv"}), files_in(dir.path()));
}

TEST(StudyImport, RefusalKeepsAnEarlierStudyUntouched) {
    imported_study study(L, H + "1,1,1,a,,\n");
    ASSERT_TRUE(study.result.ok) << study.result.message;
    std::string dat = octest::read_bytes(study.base + ".DAT");
    octest::write_bytes(study.dir.file("data.csv"), H + "1,1,1,b,,\n1,1,1,c,,\n");
    oc::study_result again = oc::import_study(study.dir.file("labels.csv"), study.dir.file("data.csv"), study.base);
    EXPECT_FALSE(again.ok);
    EXPECT_SAME_BYTES(dat, octest::read_bytes(study.base + ".DAT"));
    EXPECT_EQ((std::vector<std::string>{"S.DAT", "S.idx", "S.lbl", "data.csv", "labels.csv"}), files_in(study.dir.path()));
}

}  // namespace
