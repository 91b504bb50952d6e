// Coding identical answers at once: grouping the answers of an 8,000-record
// question, and writing one code set into the 2,000 records of one group in
// a single pass, against opening the file once per record.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "coderfile/cursor.h"
#include "coderfile/discovery.h"
#include "engines/groups/answer_groups.h"
#include "engines/groups/code_writes.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 8000;
constexpr double kGroupLimitMs = 50, kApplyLimitMs = 200;

double now_ms() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

template <typename Run>
double median_ms(int runs, Run&& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = now_ms();
        run(i);
        times.push_back(now_ms() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("groups_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);
    // 1,800 distinct answers among 8,000, about the share of a real sample;
    // and 4 among 8,000, for groups of 2,000.
    const std::string varied = (dir / "S.001").string(), repeated = (dir / "S.002").string();
    bench::generate_coder_file(varied, "Q1", kRecords, false, {}, 1800);
    bench::generate_coder_file(repeated, "Q1", kRecords, false, {}, 4);

    std::size_t groups = 0;
    const double grouping = median_ms(5, [&](int) {
        auto records = oc::read_question_records(varied, "Q1");
        groups = records ? oc::group_answers(*records).groups.size() : 0;
    });

    oc::loaded_coder_file file;
    if (!oc::load_coder_questions(repeated, file) || groups == 0) {
        std::fprintf(stderr, "groups_bench: the generated coder files do not read\n");
        return 1;
    }
    const oc::question_groups grouped = oc::group_answers(*oc::read_question_records(repeated, "Q1"));
    const std::vector<std::int32_t>& members = grouped.groups.front().records;
    auto writes_for = [&](int run) {
        std::vector<oc::record_codes> writes;
        for (std::int32_t record : members) writes.push_back({record, {static_cast<std::int16_t>(run % 9 + 1)}});
        return writes;
    };
    bool written = true;
    const double one_pass = median_ms(5, [&](int run) {
        oc::cursor_ptr cursor(oc::open_coder_cursor(repeated.c_str(), "Q1"));
        std::vector<oc::record_codes> before;
        written = written && cursor && !oc::write_codes(*cursor, file.questions[0], writes_for(run), before);
    });
    const double per_record = median_ms(3, [&](int run) {
        for (const oc::record_codes& write : writes_for(run)) {
            oc::cursor_ptr cursor(oc::open_coder_cursor(repeated.c_str(), "Q1"));
            std::vector<oc::record_codes> before;
            written = written && cursor && !oc::write_codes(*cursor, file.questions[0], {write}, before);
        }
    });
    fs::remove_all(dir);

    std::printf("answer groups (%d records)\n", kRecords);
    std::printf("  %-52s %9.2f ms  (%zu groups, target at most %.0f)\n", "grouping the question's answers", grouping,
                groups, kGroupLimitMs);
    std::printf("  %-52s %9.2f ms  (target at most %.0f)\n", "one code set into a group of 2,000, one pass", one_pass,
                kApplyLimitMs);
    std::printf("  %-52s %9.2f ms  (%.0f x the one pass)\n", "the same, opening the file for each record", per_record,
                per_record / one_pass);
    return written && members.size() == 2000 && grouping <= kGroupLimitMs && one_pass <= kApplyLimitMs ? 0 : 1;
}
