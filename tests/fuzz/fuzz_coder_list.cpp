// The coder list file readers over arbitrary bytes: entries with and
// without their arrays, the listing of names, the search by name, and the
// figures of the status report.
#include <cstring>
#include <vector>

#include "coderfile/coder_list.h"
#include "coderfile/discovery.h"
#include "fuzz_support.h"

namespace {

constexpr int kMaxEntries = 64;

bool same_fixed_part(const oc::coder_spec& a, const oc::coder_spec& b) {
    return std::memcmp(a.name, b.name, sizeof a.name) == 0 && a.status == b.status &&
           a.respondent_count == b.respondent_count && a.interviews == b.interviews &&
           a.question_count == b.question_count && a.record_count == b.record_count && a.reserved == b.reserved;
}

// An entry read with its arrays, written back, gives the bytes it came
// from, apart from what is never used and always written zero: the two
// pointer slots and bytes 2-3 of each resp_id.
void check_written_back(const std::string& bytes, long from, long to, const oc::coder_spec& spec) {
    std::string path = fuzz::scratch_path("entry");
    std::FILE* file = std::fopen(path.c_str(), "w+b");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(oc::write_coder_list_entry(file, spec));
    std::fclose(file);
    std::string written = fuzz::read_file(path);
    std::string original = bytes.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    FUZZ_CHECK(written.size() == original.size());
    for (std::size_t i : {260, 261, 262, 263, 268, 269, 270, 271}) original[i] = '\0';
    for (std::size_t i = 0; i < spec.resp_ids.size(); ++i) {
        original[oc::kCoderSpecImageSize + 8 * i + 2] = '\0';
        original[oc::kCoderSpecImageSize + 8 * i + 3] = '\0';
    }
    FUZZ_CHECK(written == original);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string path = fuzz::scratch_path("list.cdl");
    fuzz::write_file(path, bytes);

    // Entry by entry, once with the arrays and once skipping them: both
    // must see the same entries and stand at the same place after each.
    std::FILE* full = std::fopen(path.c_str(), "rb");
    std::FILE* skipping = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(full != nullptr && skipping != nullptr);
    std::vector<std::string> names;
    if (size >= 4) {
        std::fseek(full, 4, SEEK_SET);
        std::fseek(skipping, 4, SEEK_SET);
        for (int e = 0; e < kMaxEntries; ++e) {
            long from = std::ftell(full);
            oc::coder_spec with_arrays, fixed_only;
            std::int16_t read_full = oc::read_coder_list_entry(full, false, with_arrays);
            std::int16_t read_skip = oc::read_coder_list_entry(skipping, true, fixed_only);
            FUZZ_CHECK(read_full == 0 || read_full == -1);
            FUZZ_CHECK(read_skip == 0 || read_skip == -1);
            if (read_skip != 0) {
                FUZZ_CHECK(read_full != 0);
                break;
            }
            FUZZ_CHECK(std::memchr(fixed_only.name, '\0', sizeof fixed_only.name) != nullptr);
            FUZZ_CHECK(fixed_only.resp_ids.empty() && fixed_only.question_names.empty());
            if (read_full != 0) {
                // Only counts too large to be read are refused here.
                FUZZ_CHECK(fixed_only.respondent_count >= oc::kMaxListArrayCount ||
                           fixed_only.question_count >= oc::kMaxListArrayCount);
                break;
            }
            FUZZ_CHECK(same_fixed_part(with_arrays, fixed_only));
            FUZZ_CHECK(with_arrays.resp_ids.size() == static_cast<std::size_t>(with_arrays.respondent_count));
            FUZZ_CHECK(with_arrays.question_names.size() == static_cast<std::size_t>(with_arrays.question_count));
            FUZZ_CHECK(std::ftell(full) == std::ftell(skipping));
            check_written_back(bytes, from, std::ftell(full), with_arrays);
            names.emplace_back(fixed_only.name);
        }
    }
    std::fclose(full);
    std::fclose(skipping);

    std::optional<std::vector<std::string>> listed = oc::read_coder_list(path);
    if (listed) {
        FUZZ_CHECK(listed->size() <= names.size() || names.size() == kMaxEntries);
        for (std::size_t i = 0; i < listed->size() && i < names.size(); ++i) FUZZ_CHECK((*listed)[i] == names[i]);

        std::vector<std::string> wanted(listed->begin(), listed->begin() + std::min<std::size_t>(listed->size(), 8));
        wanted.push_back("ABC.001");
        oc::list_figures figures = oc::collect_list_figures(path, wanted);
        FUZZ_CHECK(figures.respondents.size() == wanted.size() && figures.interviews.size() == wanted.size());
        for (const std::string& name : wanted) {
            oc::coder_spec found;
            if (oc::find_coder_list_entry(path, name, found) == 0)
                FUZZ_CHECK(std::memchr(found.name, '\0', sizeof found.name) != nullptr);
        }

        // Names are opened as stored, relative to the study directory; here
        // that is the scratch directory, and names that would leave it (or
        // reach a device) are not opened.
        std::vector<std::string> in_scratch;
        for (const std::string& name : wanted)
            if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..")
                in_scratch.push_back(fuzz::scratch_path(name));
        std::optional<oc::file_statuses> statuses = oc::read_file_statuses(in_scratch);
        if (statuses) {
            FUZZ_CHECK(statuses->status.size() == in_scratch.size());
            for (std::uint8_t status : statuses->status) FUZZ_CHECK(status <= oc::status_missing);
        }
    }
    return 0;
}
