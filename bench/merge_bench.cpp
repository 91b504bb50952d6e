// Merging 30,000 coded records into a study of 100,000 respondents: each
// respondent found through a copy of the .idx read once per merge, against
// the scan of the .idx from its start for every record. Both runs start from
// the same study and must leave byte-identical files; the ratio is from this
// one run. A whole merge of a 30,000-record coder file is timed as well.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "merge/data_file_writer.h"
#include "merge/merge_engine.h"
#include "merge/study_index.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `count` variables for distinct respondents spread over the whole study
// (7919 is prime to the respondent count), so the scan reads half the index
// on average.
double append_many(const std::string& base, int count, int respondents, bool indexed) {
    double start = now();
    oc::study_index index;
    if (indexed && !index.load(base + ".idx")) return -1;
    for (int i = 0; i < count; ++i) {
        oc::coded_var var;
        std::snprintf(var.name, sizeof var.name, "#Q1");
        var.values = {std::to_string(i % 9000 + 1)};
        auto respondent = static_cast<std::int32_t>(1 + static_cast<long>(i) * 7919 % respondents);
        if (oc::AppendCodedVariable(respondent, 1, {var}, base + ".DAT", base + ".idx", false, {},
                                    indexed ? &index : nullptr) != oc::kAppendDone)
            return -1;
    }
    return now() - start;
}

}  // namespace

int main() {
    const int respondents = 100000, records = 30000;
    fs::path dir = fs::temp_directory_path() / ("opencoder-merge-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string indexed_base = (dir / "I").string(), literal_base = (dir / "L").string();
    bench::generate_study(indexed_base, respondents);
    for (const char* ext : {".idx", ".DAT", ".lbl"}) fs::copy_file(indexed_base + ext, literal_base + ext);

    double indexed = append_many(indexed_base, records, respondents, true);
    double literal = append_many(literal_base, records, respondents, false);
    bool same = contents(indexed_base + ".idx") == contents(literal_base + ".idx") &&
                contents(indexed_base + ".DAT") == contents(literal_base + ".DAT");
    std::printf("%d coded records into a study of %d respondents\n", records, respondents);
    std::printf("  scan of the .idx for every record: %10.1f ms (%.3f ms a record)\n", literal * 1e3,
                literal * 1e3 / records);
    std::printf("  .idx read once per merge:          %10.1f ms (%.3f ms a record)\n", indexed * 1e3,
                indexed * 1e3 / records);
    std::printf("  ratio: %.1f x; files %s\n", literal / indexed, same ? "identical" : "DIFFER");

    bench::generate_study(indexed_base, respondents);
    bench::generate_coder_file(indexed_base + ".001", "Q1", records, true, indexed_base + ".cdl");
    double start = now();
    std::int16_t result = oc::MergeCoderFile(indexed_base + ".DAT", indexed_base + ".idx", indexed_base + ".cdl",
                                             indexed_base + ".001", indexed_base + ".add", false);
    double merge = now() - start;
    std::printf("whole merge of a %d-record coder file: %.1f ms (result %d)\n", records, merge * 1e3, result);
    fs::remove_all(dir);
    return same && indexed >= 0 && literal >= 0 && result == 0 ? 0 : 1;
}
