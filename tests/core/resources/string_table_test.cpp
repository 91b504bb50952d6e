#include "engines/texts/string_table.h"

#include <gtest/gtest.h>

#include <string>

TEST(StringTable, EveryIdFrom700To754ButTheUnusedHasText) {
    for (int id = 700; id <= 754; ++id) {
        bool unused = id >= 701 && id <= 703;
        EXPECT_EQ(unused, oc::string_text(id) == nullptr) << id;
    }
    EXPECT_EQ(nullptr, oc::string_text(699));
    EXPECT_EQ(nullptr, oc::string_text(755));
    EXPECT_STREQ("Select Directory", oc::string_text(20625));
}

TEST(StringTable, KeepsTheDoubleSpacesBetweenSentences) {
    std::string text = oc::string_text(oc::IDS_CODING_COMPLETE_WARNING);
    EXPECT_NE(std::string::npos, text.find("file.  If you"));
}
