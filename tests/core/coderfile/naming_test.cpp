// Proposed names of new coder data files and listings.
#include "coderfile/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using octest::ScratchDir;
using octest::write_bytes;

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
