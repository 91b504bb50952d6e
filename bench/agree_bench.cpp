// Agreement of two coders over two coder files of 8,000 records of one
// question, coded with 900 codes and differing in every fifth record: the
// files read, compared, alpha and a kappa for each code.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engines/agree/agreement.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

// Every fifth record of the file at `path` given another code, in place.
void recode_every_fifth(const std::string& path) {
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    std::string text = bytes.str();
    std::size_t line = text.find("\r\n", text.find("\r\n") + 2) + 2;  // past the name and line 2
    for (int r = 1; line < text.size() && text.compare(line, 6, "    1 ") == 0; ++r) {
        if (r % 5 == 0) text.replace(line + 38, 5, "  901");  // the code after 38 characters of fields
        line = text.find("\r\n", line) + 2;
    }
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main() {
    constexpr int kRecords = 8000;
    constexpr double kLimitSeconds = 0.2;
    const fs::path dir = fs::temp_directory_path() / ("agree_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string a = (dir / "S.001").string(), b = (dir / "S.002").string();
    bench::generate_coder_file(a, "Q1", kRecords, true);
    bench::generate_coder_file(b, "Q1", kRecords, true);
    recode_every_fifth(b);

    const auto start = std::chrono::steady_clock::now();
    oc::coded_answers answers;
    std::string problem;
    const bool read = oc::read_coded_answers({a, b}, "", answers, problem);
    const std::vector<oc::question_agreement> measured = oc::measure_agreement(answers);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove_all(dir);
    if (!read || measured.size() != 1) {
        std::fprintf(stderr, "agree_bench: %s\n", read ? "no question compared" : problem.c_str());
        return 1;
    }
    const oc::question_agreement& q = measured[0];
    std::printf("agreement of two coder files of %d records\n", kRecords);
    std::printf("  %-44s %9.3f s  (%d compared, %d agreed, alpha %s, %zu kappas; target at most %.1f)\n",
                "agree", seconds, q.compared, q.agreed, oc::figure_text(q.alpha).c_str(), q.kappas.size(),
                kLimitSeconds);
    return seconds <= kLimitSeconds ? 0 : 1;
}
