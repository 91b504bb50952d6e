// Coded-answer tests during an extraction: reading the coder list for every
// answer group (the literal way) against one read per run (coded_lookup).
// Prints both times and their ratio, measured in this one run.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "coderfile/coder_list.h"
#include "engines/extract/coded_lookup.h"
#include "suite/study_format.h"

namespace {

constexpr int kCoderFiles = 10;
constexpr int kRespondentsPerFile = 3000;
constexpr int kQueries = 2000;

void write_list(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    unsigned char count[4];
    oc::put_u32(count, kCoderFiles);
    std::fwrite(count, 1, 4, file);
    for (int f = 0; f < kCoderFiles; ++f) {
        oc::coder_spec spec;
        std::snprintf(spec.name, sizeof spec.name, "BENCH.%03d", f + 1);
        for (int r = 0; r < kRespondentsPerFile; ++r)
            spec.resp_ids.push_back({1, 100000 + f * kRespondentsPerFile + r});
        spec.respondent_count = kRespondentsPerFile;
        for (const char* q : {"Q1", "Q2", "Q3"}) {
            std::array<char, 8> name{};
            std::snprintf(name.data(), name.size(), "%s", q);
            spec.question_names.push_back(name);
        }
        spec.question_count = 3;
        oc::write_coder_list_entry(file, spec);
    }
    std::fclose(file);
}

template <typename F>
double seconds(F&& run) {
    auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    std::string path = (std::filesystem::temp_directory_path() / "opencoder-bench.cdl").string();
    write_list(path);
    std::mt19937 random(7);
    std::uniform_int_distribution<std::uint32_t> respondent(90000, 100000 + kCoderFiles * kRespondentsPerFile * 2);
    std::vector<std::uint32_t> queries(kQueries);
    for (auto& q : queries) q = respondent(random);

    long literal_hits = 0, cached_hits = 0;
    double literal = seconds([&] {
        for (std::uint32_t r : queries) literal_hits += oc::is_response_coded(path, r, "Q2");
    });
    double cached = seconds([&] {
        oc::coded_lookup lookup(path);
        for (std::uint32_t r : queries) cached_hits += lookup.is_response_coded(r, "Q2");
    });
    std::remove(path.c_str());
    if (literal_hits != cached_hits) {
        std::fprintf(stderr, "answers differ: %ld against %ld\n", literal_hits, cached_hits);
        return 1;
    }
    std::printf("coded tests: %d queries against %d coder files of %d respondents\n", kQueries, kCoderFiles,
                kRespondentsPerFile);
    std::printf("  re-reading the coder list per query: %.3f s\n", literal);
    std::printf("  one read per run:                    %.3f s\n", cached);
    std::printf("  ratio: %.0f x\n", literal / cached);
    return 0;
}
