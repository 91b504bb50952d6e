// Merging a 30,000-record coder file into a study of 100,000 respondents,
// against a sequential read of the study's .idx and .DAT (the reference read
// of scale_bench) measured in the same run. The merge keeps both study files
// open and writes in a few large writes; the same records appended one call
// at a time (each opening both files, checking the old version and writing
// the version, its entry and its link, flushed) must leave byte-identical
// files. Both ways are run once more with the records spread over the whole
// study instead of in respondent order.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engines/merge/data_file_writer.h"
#include "engines/merge/merge_engine.h"
#include "engines/merge/study_index.h"
#include "suite/study_session.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool same_study(const std::string& a, const std::string& b) {
    return contents(a + ".idx") == contents(b + ".idx") && contents(a + ".DAT") == contents(b + ".DAT");
}

void copy_study(const std::string& from, const std::string& to) {
    for (const char* ext : {".idx", ".DAT", ".lbl"})
        fs::copy_file(from + ext, to + ext, fs::copy_options::overwrite_existing);
}

// As scale_bench reads the study: the best of five, so the ratio errs on
// the side of the merge.
double read_sequentially(const std::vector<std::string>& paths) {
    double best = -1;
    std::vector<char> buffer(1 << 16);
    for (int run = 0; run < 5; ++run) {
        double start = now();
        for (const std::string& path : paths) {
            std::FILE* file = std::fopen(path.c_str(), "rb");
            if (!file) return -1;
            while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
            }
            std::fclose(file);
        }
        double took = now() - start;
        if (best < 0 || took < best) best = took;
    }
    return best;
}

// The variable the merge makes of record `r` of the generated coder file.
oc::coded_var record_variable(int r) {
    oc::resp_record record;
    std::snprintf(record.qname, sizeof record.qname, "Q1");
    record.list_no = 1;
    record.codes_count = 1;
    record.codes[0] = static_cast<std::int16_t>(r % 900 + 1);
    return oc::coded_variable(record, false);
}

// One AppendCodedVariable call per record, each its own session.
double append_one_by_one(const std::string& base, const std::vector<std::int32_t>& respondents) {
    double start = now();
    oc::study_index index;
    if (!index.load(base + ".idx")) return -1;
    for (std::size_t i = 0; i < respondents.size(); ++i)
        if (oc::AppendCodedVariable(respondents[i], 1, {record_variable(static_cast<int>(i) + 1)}, base + ".DAT",
                                    base + ".idx", false, {}, &index) != oc::kAppendDone)
            return -1;
    return now() - start;
}

// The same appends in one session, as a merge makes them.
double append_in_session(const std::string& base, const std::vector<std::int32_t>& respondents) {
    double start = now();
    oc::study_index index;
    oc::study_writer writer;
    if (!index.load(base + ".idx") || writer.open(base + ".DAT", base + ".idx", &index) != oc::kAppendDone) return -1;
    for (std::size_t i = 0; i < respondents.size(); ++i)
        if (writer.append(respondents[i], 1, {record_variable(static_cast<int>(i) + 1)}, false, {}) != oc::kAppendDone)
            return -1;
    if (!writer.commit() || !writer.close()) return -1;
    return now() - start;
}

void line(const char* what, double seconds, double reference, int records) {
    std::printf("  %-44s %9.1f ms  %7.2f x read  %6.2f us a record\n", what, seconds * 1e3, seconds / reference,
                seconds * 1e6 / records);
}

}  // namespace

int main() {
    const int respondents = 100000, records = 30000;
    fs::path dir = fs::temp_directory_path() / ("opencoder-merge-" + std::to_string(getpid()));
    fs::create_directories(dir);
    // One directory each, so that the coder file keeps its name (the coder
    // list knows it by name).
    for (const char* sub : {"original", "merged", "single"}) fs::create_directories(dir / sub);
    std::string original = (dir / "original" / "S").string(), merged = (dir / "merged" / "S").string(),
                single = (dir / "single" / "S").string();
    bench::generate_study(original, respondents);
    double reference = read_sequentially({original + ".idx", original + ".DAT"});
    std::printf("study of %d respondents (.idx and .DAT %.1f MB), %d coded records\n", respondents,
                static_cast<double>(fs::file_size(original + ".idx") + fs::file_size(original + ".DAT")) / 1e6,
                records);
    std::printf("  %-44s %9.1f ms\n", "sequential read of .idx and .DAT", reference * 1e3);

    // The whole merge, MergeCoderFile, of respondents 1..30,000 in order:
    // the best of five runs, each from a fresh copy of the study and the
    // coder file, so that a busy machine weighs on it as little as on the
    // read.
    bench::generate_coder_file(original + ".001", "Q1", records, true, original + ".cdl");
    std::vector<double> merges;
    std::int16_t result = oc::kMergeDone;
    for (int run = 0; run < 5 && result == oc::kMergeDone; ++run) {
        copy_study(original, merged);
        for (const char* ext : {".001", ".cdl"})
            fs::copy_file(original + ext, merged + ext, fs::copy_options::overwrite_existing);
        fs::remove(merged + ".add");
        // With the locks the command takes, as it takes them.
        double start = now();
        oc::study_write_session session;
        oc::coder_file_session coder_lock;
        using std::chrono::milliseconds;
        bool locked = session.open(merged, "merge_bench", milliseconds(0)) == oc::session_outcome::ready &&
                      coder_lock.open(merged + ".001", "merge_bench", milliseconds(0)) == oc::session_outcome::ready &&
                      session.lock_data(milliseconds(0)) == oc::session_outcome::ready;
        result = locked ? oc::MergeCoderFile(merged + ".DAT", merged + ".idx", merged + ".cdl", merged + ".001",
                                             merged + ".add", false)
                        : oc::kMergeFailed;
        merges.push_back(now() - start);
    }
    double first = merges.front();
    std::sort(merges.begin(), merges.end());
    double merge = merges.front(), median = merges[merges.size() / 2];
    std::vector<std::int32_t> in_order(records);
    for (int i = 0; i < records; ++i) in_order[static_cast<std::size_t>(i)] = i + 1;
    copy_study(original, single);
    double one_by_one = append_one_by_one(single, in_order);
    bool same = result == oc::kMergeDone && one_by_one >= 0 && same_study(merged, single);
    line("whole merge (MergeCoderFile), best of 5", merge, reference, records);
    line("whole merge, median of 5", median, reference, records);
    line("whole merge, first run", first, reference, records);
    line("the same, one AppendCodedVariable a record", one_by_one, reference, records);
    std::printf("  merge %s; %.1f x faster\n", same ? "files identical" : "files DIFFER", one_by_one / merge);

    // Spread over the whole study (7919 is prime to the respondent count):
    // every old version is read from another part of the .DAT.
    std::vector<std::int32_t> spread(records);
    for (int i = 0; i < records; ++i)
        spread[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(1 + static_cast<long>(i) * 7919 % respondents);
    copy_study(original, merged);
    copy_study(original, single);
    double session = append_in_session(merged, spread);
    double spread_one_by_one = append_one_by_one(single, spread);
    bool spread_same = session >= 0 && spread_one_by_one >= 0 && same_study(merged, single);
    line("spread over the study, one session", session, reference, records);
    line("spread, one AppendCodedVariable a record", spread_one_by_one, reference, records);
    std::printf("  spread %s; %.1f x faster\n", spread_same ? "files identical" : "files DIFFER",
                spread_one_by_one / session);
    std::printf("ratio of the whole merge to the read: %.2f (target at most 10)\n", merge / reference);
    fs::remove_all(dir);
    return same && spread_same ? 0 : 1;
}
