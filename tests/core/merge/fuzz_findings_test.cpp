// Inputs found by fuzzing the data-file writer, each with the result it
// must give.
#include "engines/merge/study_index.h"
#include "merge_fixture.h"

namespace {

using namespace mergetest;

// Respondent 8's entry links into the middle of 40 bytes appended to the
// .idx, where an entry of respondent 8 stands 10 bytes in. Reading the file,
// the writer followed the link and wrote the new link over parts of two
// entries; the index copy refused it. Both refuse it now, and write nothing.
TEST_F(MergeStudy, ALinkIntoTheMiddleOfAnEntryIsDamage) {
    study_files original = read_study();
    std::string idx = original.idx;
    std::string entry8 = idx.substr(24, 20);
    auto link_at = static_cast<unsigned long>(idx.size() + 10);
    idx.replace(24 + 16, 4, le32(link_at));
    idx += std::string(10, '\0') + entry8 + std::string(10, '\0');
    ASSERT_EQ(0u, (idx.size() - 4) % 20);
    octest::write_bytes("S.idx", idx);

    EXPECT_EQ(oc::kAppendFailed, append(8, 1, var("Q5", 0, {"1"})));
    EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(original.dat, read_bytes("S.DAT"));
    oc::study_index index;
    ASSERT_TRUE(index.load("S.idx"));
    EXPECT_EQ(oc::kAppendFailed, append(8, 1, var("Q5", 0, {"1"}), false, &index));
    EXPECT_SAME_BYTES(idx, read_bytes("S.idx"));
    EXPECT_SAME_BYTES(original.dat, read_bytes("S.DAT"));
}

}  // namespace
