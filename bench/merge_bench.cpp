// Merging 30,000 coded records into a study of 100,000 respondents:
// finding each respondent through an index of the .idx built once, against
// the scan of the .idx for every record, and the whole merge against a
// sequential read of the study. Ratios from this one run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "merge/data_file_writer.h"
#include "merge/merge_engine.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double read_sequentially(const std::vector<std::string>& paths) {
    double start = now();
    std::vector<char> buffer(1 << 16);
    for (const std::string& path : paths) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        while (file && std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
        }
        if (file) std::fclose(file);
    }
    return now() - start;
}

// Appends `count` variables for respondents spread over the study.
double append_many(const std::string& base, int count, int respondents, const oc::respondent_index* index) {
    double start = now();
    for (int i = 0; i < count; ++i) {
        oc::coded_var var;
        std::snprintf(var.name, sizeof var.name, "#Q1");
        var.values = {"12"};
        std::int32_t respondent = 1 + static_cast<std::int32_t>((static_cast<long>(i) * 7919) % respondents);
        if (oc::AppendCodedVariable(respondent, 1, {var}, base + ".DAT", base + ".idx", false, {}, index) != 0)
            return -1;
    }
    return now() - start;
}

}  // namespace

int main() {
    const int respondents = 100000, records = 30000, literal_records = 1000;
    fs::path dir = fs::temp_directory_path() / ("opencoder-merge-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string base = (dir / "M").string();
    bench::generate_study(base, respondents);

    double read = read_sequentially({base + ".idx", base + ".DAT"});
    oc::respondent_index index;
    double index_start = now();
    index.load(base + ".idx");
    double indexed = append_many(base, literal_records, respondents, &index) + (now() - index_start);
    double literal = append_many(base, literal_records, respondents, nullptr);
    std::printf("matching %d coded records in a study of %d respondents\n", literal_records, respondents);
    std::printf("  scan of the .idx per record:   %9.3f ms (%.3f ms a record)\n", literal * 1e3,
                literal * 1e3 / literal_records);
    std::printf("  index built once per merge:    %9.3f ms (%.3f ms a record)\n", indexed * 1e3,
                indexed * 1e3 / literal_records);
    std::printf("  ratio: %.0f x\n", literal / indexed);

    bench::generate_study(base, respondents);
    bench::generate_coder_file(base + ".001", "Q1", records, true, base + ".cdl");
    read = read_sequentially({base + ".idx", base + ".DAT"});
    double start = now();
    std::int16_t result = oc::MergeCoderFile(base + ".DAT", base + ".idx", base + ".cdl", base + ".001", base + ".add",
                                             false);
    double merge = now() - start;
    std::printf("merge of a %d-record coder file (result %d)\n", records, result);
    std::printf("  sequential read of .idx and .DAT: %9.3f ms\n", read * 1e3);
    std::printf("  merge:                            %9.3f ms  (%.1f x the read)\n", merge * 1e3, merge / read);
    fs::remove_all(dir);
    return result == 0 ? 0 : 1;
}
