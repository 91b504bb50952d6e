// The study label reader over arbitrary bytes, through both its C++ form
// and the data library's read_label.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "suite/data_library.h"
#include "suite/label_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = fuzz::scratch_path("study.lbl");
    fuzz::write_file(path, std::string_view(reinterpret_cast<const char*>(data), size));

    std::vector<oc::study_label> labels;
    oc::study_result read = oc::read_label_file(path, labels);
    if (!read.ok) {
        FUZZ_CHECK(labels.empty());
        FUZZ_CHECK(!read.message.empty());
    }
    for (const oc::study_label& label : labels) {
        FUZZ_CHECK(oc::is_valid_question_name(label.name));
        FUZZ_CHECK(label.type <= oc::kMaxLogicType);
    }

    // What was read writes back and reads again the same.
    if (read.ok) {
        std::string copy = fuzz::scratch_path("copy.lbl");
        FUZZ_CHECK(oc::write_label_file(copy, labels).ok);
        std::vector<oc::study_label> again;
        FUZZ_CHECK(oc::read_label_file(copy, again).ok);
        FUZZ_CHECK(again.size() == labels.size());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            FUZZ_CHECK(again[i].name == labels[i].name && again[i].type == labels[i].type);
            FUZZ_CHECK(again[i].other == labels[i].other && again[i].text == labels[i].text);
        }
    }

    std::int32_t unused2 = -1, unused4 = -1;
    std::int16_t count = -1;
    char** names = nullptr;
    std::uint8_t* types = nullptr;
    std::uint8_t* others = nullptr;
    std::uint16_t result = oc::read_label(path.c_str(), &unused2, &count, &unused4, &names, &types, &others, 0, 1, 1);
    FUZZ_CHECK((result == 0) == read.ok);
    if (result == 0) {
        FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == labels.size());
        for (std::int16_t i = 0; i < count; ++i) {
            FUZZ_CHECK(names[i] != nullptr && labels[static_cast<std::size_t>(i)].name == names[i]);
            FUZZ_CHECK(types[i] == labels[static_cast<std::size_t>(i)].type);
            FUZZ_CHECK(others[i] == (labels[static_cast<std::size_t>(i)].other ? 1 : 0));
            std::free(names[i]);
        }
        std::free(names);
        std::free(types);
        std::free(others);
    }
    return 0;
}
