// Throughput figures over a coding journal of 1,000,000 lines: read line by
// line, keeping only the figures of each coder file and user.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engines/journal/productivity.h"
#include "suite/coding_journal.h"

namespace fs = std::filesystem;

int main() {
    constexpr long kLines = 1000000;
    constexpr double kLimitSeconds = 2;
    const fs::path dir = fs::temp_directory_path() / ("journal_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string base = (dir / "S").string();
    {
        // Ten coders on twenty files, a line every few seconds with pauses.
        std::FILE* out = std::fopen(oc::journal_path(base).c_str(), "wb");
        std::fprintf(out, "%s\r\n", oc::kJournalHeader);
        long long seconds = 0;
        for (long i = 0; i < kLines; ++i) {
            seconds += i % 97 == 0 ? 900 : 7;
            const long long day = seconds / 86400, rest = seconds % 86400;
            std::fprintf(out, "2026-%02lld-%02lldT%02lld:%02lld:%02lld+01:00,coder%ld,pc%ld,S.%03ld,Q%ld,%ld,%ld,0,1,%s,%ld %ld,%s\r\n",
                         1 + day / 28 % 12, 1 + day % 28, rest / 3600, rest / 60 % 60, rest % 60, i % 10, i % 10,
                         1 + i % 20, 1 + i % 5, 1000 + i % 5000, i % 5000, i % 3 ? "" : "4", 1 + i % 40, 2 + i % 40,
                         i % 11 ? "dialog" : "all");
        }
        std::fclose(out);
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    oc::productivity_table table;
    const oc::failure problem = oc::measure_productivity(base, "", "", table);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    fs::remove_all(dir);
    std::printf("coding journal of %ld lines\n", kLines);
    std::printf("  %-44s %9.3f s  (%zu files and users, target at most %.0f)\n", "status --productivity", seconds,
                table.size(), kLimitSeconds);
    std::printf("  %-44s %9ld kB\n", "peak memory of the process, before", before.ru_maxrss);
    std::printf("  %-44s %9ld kB\n", "peak memory of the process, after", after.ru_maxrss);
    return !problem && seconds <= kLimitSeconds ? 0 : 1;
}
