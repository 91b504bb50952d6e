// Coder list entries are written only whole (their bytes: the scenarios'
// lists; reading them: the coder_list reader cases).
#include "coderfile/coder_list.h"

#include "test_support.h"

namespace {

TEST(CoderListEntry, WriteNeedsArraysAsLongAsTheCounts) {
    octest::ScratchDir dir;
    octest::file_ptr file = octest::open_file(dir.file("list"), "wb");
    for (int short_array : {0, 1}) {
        oc::coder_spec spec;
        std::snprintf(spec.name, sizeof spec.name, "ABC.001");
        spec.resp_ids = {{12, 1001}, {0xFFFF, -2}};
        spec.question_names = {{'Q', '5'}, {'Q', '2', '3', '4', '5', '6', '7', '8'}};
        spec.respondent_count = spec.question_count = 2;
        (short_array ? spec.question_count : spec.respondent_count) = 3;
        EXPECT_FALSE(oc::write_coder_list_entry(file.get(), spec)) << short_array;
    }
    file.reset();
    EXPECT_EQ(0u, octest::read_bytes(dir.file("list")).size());
}

}  // namespace
