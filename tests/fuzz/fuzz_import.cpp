// The study CSV import over arbitrary labels and data CSV (the input split
// in two). A study it accepts must read back whole: its labels, every
// question's walk through fextract, and the dump.
#include <filesystem>
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "suite/data_library.h"
#include "suite/label_file.h"
#include "suite/study_dump.h"
#include "suite/study_import.h"

namespace {

constexpr long kMaxCalls = 100000;

void walk_question(const std::string& question, const std::string& idx_path, const std::string& dat_path) {
    char buffer[801];
    long calls = 0;
    std::int16_t mode = -1;
    for (;;) {
        std::uint32_t respondent = 0;
        std::int32_t sequence = 0;
        std::int16_t type = 0;
        std::int32_t roster = 0;
        for (;;) {
            std::int16_t n = oc::fextract(mode, question.c_str(), buffer, idx_path.c_str(), dat_path.c_str(),
                                          &respondent, &sequence, &type, 1, 1, &roster, 0, 0);
            FUZZ_CHECK(++calls < kMaxCalls);
            // What the import wrote, the data library reads: no errors.
            FUZZ_CHECK(n >= -1);
            if (n == -1) return;
            if (n == 0 || roster == 0) break;
            ++roster;
            mode = 0;
        }
        mode = 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    std::string labels_csv = fuzz::scratch_path("labels.csv"), data_csv = fuzz::scratch_path("data.csv");
    fuzz::write_file(labels_csv, in.part());
    fuzz::write_file(data_csv, in.rest());
    std::string base = fuzz::scratch_path("S");
    for (const char* extension : {".lbl", ".DAT", ".idx"}) fuzz::remove_file(base + extension);

    oc::import_result imported = oc::import_study(labels_csv, data_csv, base);
    FUZZ_CHECK(!imported.message.empty());
    if (!imported.ok) {
        // Refused: no file of the study is left behind, not even a
        // temporary one.
        for (const auto& entry : std::filesystem::directory_iterator(fuzz::scratch_dir()))
            FUZZ_CHECK(entry.path().filename().string().rfind("S.", 0) != 0);
        return 0;
    }

    std::vector<oc::study_label> labels;
    FUZZ_CHECK(oc::read_label_file(base + ".lbl", labels).ok);
    for (const oc::study_label& label : labels) walk_question(label.name, base + ".idx", base + ".DAT");

    std::ostringstream dump;
    FUZZ_CHECK(oc::dump_study(base, dump).ok);
    return 0;
}
