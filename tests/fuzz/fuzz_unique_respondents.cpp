// The uniqueness check behind matching by respondent number alone, over
// arbitrary .idx bytes: its answer against the entries as they stand in
// the bytes, and the file left as it was.
#include <unordered_set>

#include "fuzz_support.h"
#include "engines/merge/unique_respondents.h"
#include "suite/study_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string path = fuzz::scratch_path("S.idx");
    fuzz::write_file(path, bytes);

    int result = oc::check_unique_respondents(path);
    // -1 only for a file shorter than its header; a partial entry at the
    // end is not read, and the magic is not looked at.
    int expected = 1;
    if (size < 4) {
        expected = -1;
    } else {
        std::unordered_set<std::int32_t> seen;
        for (std::size_t at = 4; at + oc::kIdxEntrySize <= size && expected == 1; at += oc::kIdxEntrySize)
            if (data[at + 4] == 1 && !seen.insert(static_cast<std::int32_t>(oc::get_u32(data + at))).second)
                expected = 0;
    }
    FUZZ_CHECK(result == expected);
    FUZZ_CHECK(fuzz::read_file(path) == bytes);
    return 0;
}
