#include "suite/label_file.h"

#include <cstdlib>


#include "suite/data_library.h"
#include "test_support.h"

namespace {

using octest::ScratchDir;

TEST(LabelFile, HoldsAtMost32767Questions) {
    ScratchDir dir;
    std::string lines;
    for (int i = 0; i < 32767; ++i) lines += "Q" + std::to_string(i) + "\t7\t0\t\r\n";
    std::vector<oc::study_label> labels;
    octest::write_bytes(dir.file("S.lbl"), lines);
    EXPECT_TRUE(oc::read_label_file(dir.file("S.lbl"), labels).ok);
    EXPECT_EQ(32767u, labels.size());
    octest::write_bytes(dir.file("S.lbl"), lines + "Q32767\t7\t0\t\r\n");
    EXPECT_FALSE(oc::read_label_file(dir.file("S.lbl"), labels).ok);
}

TEST(LabelFile, WritesEscapedTextsAndReadsThemBack) {
    ScratchDir dir;
    std::vector<oc::study_label> labels = {{"Q1", 7, false, "a\\b\tc\r\nd, \"e\""}, {"ABCDEFGH", 2, true, ""}};
    ASSERT_TRUE(oc::write_label_file(dir.file("S.lbl"), labels).ok);
    EXPECT_SAME_BYTES("Q1\t7\t0\ta\\\\b\\tc\\r\\nd, \"e\"\r\nABCDEFGH\t2\t1\t\r\n", octest::read_bytes(dir.file("S.lbl")));
    std::vector<oc::study_label> back;
    ASSERT_TRUE(oc::read_label_file(dir.file("S.lbl"), back).ok);
    ASSERT_EQ(2u, back.size());
    EXPECT_EQ(labels[0].text, back[0].text);
    EXPECT_EQ("ABCDEFGH", back[1].name);
    EXPECT_TRUE(back[1].other);
}

TEST(LabelFile, WriterRefusesWhatItCouldNotReadBack) {
    ScratchDir dir;
    EXPECT_EQ("invalid question name \"ABCDEFGHI\"",
              oc::write_label_file(dir.file("S.lbl"), {{"ABCDEFGHI", 7, false, ""}}).message);
    EXPECT_EQ("question Q1 has type 8", oc::write_label_file(dir.file("S.lbl"), {{"Q1", 8, false, ""}}).message);
    EXPECT_EQ("the text of question Q1 holds a NUL byte",
              oc::write_label_file(dir.file("S.lbl"), {{"Q1", 7, false, std::string("a\0b", 3)}}).message);
}

}  // namespace
