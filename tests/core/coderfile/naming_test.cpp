// Proposed names of new coder data files and listings.
#include "coderfile/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using octest::ScratchDir;
using octest::write_bytes;

TEST(Naming, ExtensionForms) {
    const struct {
        int n;
        const char* coder;
        const char* listing;
    } cases[] = {{0, "000", "P00"},  {1, "001", "P01"},  {9, "009", "P09"},  {10, "010", "P10"}, {99, "099", "P99"},
                 {100, "100", ""},   {999, "999", ""},   {1000, "", ""},     {-1, "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.coder, oc::coder_extension(c.n)) << c.n;
        EXPECT_EQ(c.listing, oc::listing_extension(c.n)) << c.n;
    }
}

TEST(Naming, SplitsTheBasePathAtTheLastSlash) {
    const struct {
        const char* base;
        const char* directory;
        const char* study;
    } cases[] = {{"/data/surveys/ABC", "/data/surveys", "ABC"}, {"ABC", "", "ABC"}, {"/ABC", "", "ABC"},
                 {"dir/", "dir", ""}};
    for (const auto& c : cases) {
        oc::base_path_parts parts = oc::split_base_path(c.base);
        EXPECT_EQ(c.directory, parts.directory) << c.base;
        EXPECT_EQ(c.study, parts.study) << c.base;
    }
}

TEST(Naming, FirstFreeNumberWithGaps) {
    const struct {
        std::vector<std::string> present;
        bool listing;
        const char* proposed;
    } cases[] = {
        {{}, false, "001"},
        {{"ABC.002"}, false, "001"},
        {{"ABC.001", "ABC.002"}, false, "003"},
        {{"ABC.001", "ABC.003"}, false, "002"},
        {{"abc.001"}, false, "001"},  // other case, other file
        {{"ABC.P01", "ABC.P02", "ABC.P03", "ABC.P04", "ABC.P05", "ABC.P06", "ABC.P07", "ABC.P08", "ABC.P09"}, true, "P10"},
        {{"ABC.001"}, true, "P01"},
        {{"ABC.P01"}, false, "001"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        for (const std::string& name : c.present) write_bytes(dir.file(name), "x");
        EXPECT_EQ(c.proposed, oc::next_free_extension(dir.file("ABC"), c.listing)) << c.proposed;
    }
}

TEST(Naming, EveryNumberTakenFallsBackToZero) {
    ScratchDir dir;
    for (int n = 1; n <= 998; ++n) write_bytes(dir.file("ABC." + oc::coder_extension(n)), "");
    EXPECT_EQ("999", oc::next_free_extension(dir.file("ABC"), false));
    write_bytes(dir.file("ABC.999"), "");
    EXPECT_EQ("000", oc::next_free_extension(dir.file("ABC"), false));

    for (int n = 1; n <= 99; ++n) write_bytes(dir.file("ABC." + oc::listing_extension(n)), "");
    EXPECT_EQ("P00", oc::next_free_extension(dir.file("ABC"), true));
}

}  // namespace
