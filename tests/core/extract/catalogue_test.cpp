#include <string>

#include "engines/extract/catalogue.h"
#include "test_support.h"

namespace {


TEST(Catalogue, OpenEndsAndOtherQuestionsInLabelOrder) {
    octest::ScratchDir dir;
    octest::write_bytes(dir.file("S.lbl"),
                        "Q9\t1\t1\tWhere?\r\n"      // closed with OTHER
                        "Q1\t7\t0\tWhy?\r\n"        // open end
                        "Q2\t2\t0\tWhich?\r\n"      // closed, no OTHER: left out
                        "Q3\t7\t1\tBoth?\r\n"       // both: listed once
                        "Q0\t0\t1\tOther only\r\n");
    oc::openend_catalogue catalogue = oc::load_openend_catalogue(dir.file("S.lbl"));
    EXPECT_EQ((std::vector<std::string>{"Q9", "Q1", "Q3", "Q0"}), catalogue.names);
    EXPECT_EQ((std::vector<std::int16_t>{1, 7, 7, 0}), catalogue.types);
}

TEST(Catalogue, NothingQualifyingOrUnreadableGivesAnEmptyCatalogue) {
    octest::ScratchDir dir;
    octest::write_bytes(dir.file("closed.lbl"), "Q1\t1\t0\tWhere?\r\nQ2\t2\t0\tWhich?\r\n");
    EXPECT_TRUE(oc::load_openend_catalogue(dir.file("closed.lbl")).names.empty());

    char** names = reinterpret_cast<char**>(1);
    std::uint8_t* types = reinterpret_cast<std::uint8_t*>(1);
    EXPECT_EQ(-1, oc::read_openend_labels(dir.file("missing.lbl").c_str(), &names, &types));
    EXPECT_EQ(nullptr, names);  // a failure hands out nothing to size or free
    EXPECT_EQ(nullptr, types);
    EXPECT_TRUE(oc::load_openend_catalogue(dir.file("missing.lbl")).names.empty());

    // A name of nine characters never reaches a question list.
    octest::write_bytes(dir.file("long.lbl"), "Q12345678\t7\t0\tToo long\r\nQ1\t7\t0\tWhy?\r\n");
    EXPECT_TRUE(oc::load_openend_catalogue(dir.file("long.lbl")).names.empty());
}

TEST(Catalogue, RawArraysEndWithANullName) {
    octest::ScratchDir dir;
    octest::write_bytes(dir.file("S.lbl"), "Q1\t7\t0\tWhy?\r\nQ2\t3\t0\tHow many?\r\nQ3\t4\t1\tScale\r\n");
    char** names = nullptr;
    std::uint8_t* types = nullptr;
    ASSERT_EQ(2, oc::read_openend_labels(dir.file("S.lbl").c_str(), &names, &types));
    EXPECT_STREQ("Q1", names[0]);
    EXPECT_STREQ("Q3", names[1]);
    EXPECT_EQ(nullptr, names[2]);
    EXPECT_EQ(7, types[0]);
    EXPECT_EQ(4, types[1]);
    for (int i = 0; i < 2; ++i) std::free(names[i]);
    std::free(names);
    std::free(types);
}

}  // namespace
