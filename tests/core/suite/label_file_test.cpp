#include "suite/label_file.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "suite/data_library.h"
#include "test_support.h"

namespace {

using octest::ScratchDir;

struct read_label_result {
    std::uint16_t status = 0;
    std::vector<std::string> names;
    std::vector<int> types, flags;
    std::int32_t unused2 = -1, unused4 = -1;
};

read_label_result call_read_label(const std::string& path) {
    read_label_result r;
    std::int16_t count = -1;
    char** names = nullptr;
    std::uint8_t* types = nullptr;
    std::uint8_t* flags = nullptr;
    r.status = oc::read_label(path.c_str(), &r.unused2, &count, &r.unused4, &names, &types, &flags, 0, 1, 1);
    if (r.status != 0) {
        EXPECT_EQ(nullptr, names);
        return r;
    }
    for (int i = 0; i < count; ++i) {
        r.names.emplace_back(names[i]);
        r.types.push_back(types[i]);
        r.flags.push_back(flags[i]);
        std::free(names[i]);
    }
    std::free(names);
    std::free(types);
    std::free(flags);
    return r;
}

TEST(ReadLabel, HandsOutNamesTypesAndFlags) {
    ScratchDir dir;
    octest::write_bytes(dir.file("S.lbl"), "Q1\t7\t0\tWhy?\r\nABCDEFGH\t1\t1\tPick\\tone, \"any\"\nQ3\t0\t0\t\r\n");
    read_label_result r = call_read_label(dir.file("S.lbl"));
    ASSERT_EQ(0, r.status);
    EXPECT_EQ((std::vector<std::string>{"Q1", "ABCDEFGH", "Q3"}), r.names);
    EXPECT_EQ((std::vector<int>{7, 1, 0}), r.types);
    EXPECT_EQ((std::vector<int>{0, 1, 0}), r.flags);
    EXPECT_EQ(0, r.unused2);
    EXPECT_EQ(0, r.unused4);
}

TEST(ReadLabel, EmptyFileHasNoQuestions) {
    ScratchDir dir;
    octest::write_bytes(dir.file("S.lbl"), "");
    read_label_result r = call_read_label(dir.file("S.lbl"));
    EXPECT_EQ(0, r.status);
    EXPECT_TRUE(r.names.empty());
}

TEST(ReadLabel, FailsWithFFFF) {
    ScratchDir dir;
    EXPECT_EQ(0xFFFF, call_read_label(dir.file("missing.lbl")).status);
    for (const char* bad : {
             "ABCDEFGHI\t7\t0\tnine characters\r\n",
             "\t7\t0\tno name\r\n",
             "Q 1\t7\t0\tspace\r\n",
             "Q[1]\t7\t0\tbrackets\r\n",
             "Q1\t8\t0\ttype 8\r\n",
             "Q1\t7\t2\tflag 2\r\n",
             "Q1\t7\t0\r\n",
             "Q1\t7\t0\ta\tb\r\n",
             "Q1\t7\t0\tbad \\x escape\r\n",
             "Q1\t7\t0\ttrailing backslash\\\r\n",
             "Q1\t7\t0\tlone\rCR\r\n",
             "Q1\t7\t0\tone\r\n\r\nQ2\t7\t0\tafter an empty line\r\n",
             "Q1\t7\t0\tone\r\nQ1\t1\t0\ttwice\r\n",
         }) {
        octest::write_bytes(dir.file("S.lbl"), bad);
        EXPECT_EQ(0xFFFF, call_read_label(dir.file("S.lbl")).status) << bad;
    }
}

TEST(ReadLabel, HoldsAtMost32767Questions) {
    ScratchDir dir;
    std::string lines;
    for (int i = 0; i < 32767; ++i) lines += "Q" + std::to_string(i) + "\t7\t0\t\r\n";
    octest::write_bytes(dir.file("S.lbl"), lines);
    read_label_result r = call_read_label(dir.file("S.lbl"));
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(32767u, r.names.size());
    EXPECT_EQ("Q32766", r.names.back());
    octest::write_bytes(dir.file("S.lbl"), lines + "Q32767\t7\t0\t\r\n");
    EXPECT_EQ(0xFFFF, call_read_label(dir.file("S.lbl")).status);
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

TEST(LabelFile, ReaderNamesTheLine) {
    ScratchDir dir;
    octest::write_bytes(dir.file("S.lbl"), "Q1\t7\t0\tok\nQ2\t9\t0\tbad\n");
    std::vector<oc::study_label> labels;
    oc::study_result r = oc::read_label_file(dir.file("S.lbl"), labels);
    EXPECT_EQ("\"" + dir.file("S.lbl") + "\" line 2: type is not a number from 0 to 7", r.message);
    EXPECT_TRUE(labels.empty());
}

TEST(LabelFile, PathBesideTheDataFile) {
    EXPECT_EQ("/d/ABC.lbl", oc::label_path_for("/d/ABC.DAT"));
    EXPECT_EQ("/d.x/ABC.lbl", oc::label_path_for("/d.x/ABC"));
    EXPECT_EQ("ABC.v2.lbl", oc::label_path_for("ABC.v2.DAT"));
}

TEST(LogicTypeName, NamesEveryType) {
    EXPECT_STREQ("Open End", oc::logic_type_name(7));
    EXPECT_STREQ("Single Choice", oc::logic_type_name(1));
    EXPECT_STREQ("Unknown", oc::logic_type_name(8));
    EXPECT_STREQ("Unknown", oc::logic_type_name(-1));
}

TEST(Strsave, CopiesIntoTheHeap) {
    char* copy = oc::strsave("abc");
    ASSERT_NE(nullptr, copy);
    EXPECT_STREQ("abc", copy);
    std::free(copy);
    EXPECT_EQ(nullptr, oc::strsave(nullptr));
}

}  // namespace
