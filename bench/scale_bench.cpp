// Extraction, coding navigation and status listing at study scale, each
// against a sequential read of the study measured in the same run. Every
// scenario runs in a child process so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "coderfile/cursor.h"
#include "coderfile/discovery.h"
#include "engines/extract/extract_engine.h"
#include "suite/study_session.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

struct measurement {
    double seconds = 0;
    long peak_kib = 0;
    bool ok = false;
};

// Runs `work` in a child; `work` returns its own timing in seconds (or < 0 on failure).
measurement in_child(const std::function<double()>& work) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(pipe_fds[0]);
        double seconds = work();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        measurement m{seconds, usage.ru_maxrss, seconds >= 0};
        if (write(pipe_fds[1], &m, sizeof m) != sizeof m) _exit(1);
        _exit(0);
    }
    close(pipe_fds[1]);
    measurement m;
    if (read(pipe_fds[0], &m, sizeof m) != sizeof m) m = {};
    close(pipe_fds[0]);
    waitpid(pid, nullptr, 0);
    return m;
}

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double read_sequentially(const std::vector<std::string>& paths) {
    double start = now();
    std::vector<char> buffer(1 << 16);
    for (const std::string& path : paths) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) return -1;
        while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
        }
        std::fclose(file);
    }
    return now() - start;
}

std::int16_t extract(const std::string& base, const char* question, const std::string& out, std::uint16_t data,
                     std::uint32_t min, std::uint32_t max) {
    oc::quest_list questions(1);
    std::snprintf(questions[0].name, sizeof questions[0].name, "%s", question);
    questions[0].max_codes = 3;
    questions[0].code_width = 3;
    oc::extract_request request;
    request.coder_path = out;
    request.include_data = data;
    request.min_respondent = min;
    request.max_respondent = max;
    request.questions = &questions;
    request.question_count = 1;
    // With the lock prepare takes, as it takes it.
    oc::study_write_session session;
    if (session.open(base, "scale_bench", std::chrono::milliseconds(0)) != oc::session_outcome::ready) return -1;
    return oc::extract_responses(request, false, base + ".DAT", base + ".idx", base + ".cdl", base + ".cdb");
}

void report(const char* what, const measurement& m, double reference) {
    if (!m.ok) {
        std::printf("  %-52s FAILED\n", what);
        return;
    }
    if (reference > 0)
        std::printf("  %-52s %10.3f ms  %7.2f x read  peak %7ld KiB\n", what, m.seconds * 1e3, m.seconds / reference,
                    m.peak_kib);
    else
        std::printf("  %-52s %10.3f ms                 peak %7ld KiB\n", what, m.seconds * 1e3, m.peak_kib);
}

void study_scale(const fs::path& dir, int respondents) {
    std::string base = (dir / ("S" + std::to_string(respondents))).string();
    bench::generate_study(base, respondents);
    std::printf("study of %d respondents (.DAT %.1f MB)\n", respondents, fs::file_size(base + ".DAT") / 1e6);

    measurement read = in_child([&] { return read_sequentially({base + ".idx", base + ".DAT"}); });
    report("sequential read of .idx and .DAT", read, 0);

    // Ten coder files of Q1 listed, each of a slice of the respondents.
    int slice = std::min(respondents / 20, 8000);
    for (int f = 0; f < 10; ++f)
        extract(base, "Q1", base + ".0" + std::to_string(10 + f), oc::data_all,
                static_cast<std::uint32_t>(f * slice + 1), static_cast<std::uint32_t>((f + 1) * slice));
    // The run walks every respondent; a coder file takes at most 8,188, so
    // the range keeps the last 8,000 (or all, for a small study).
    auto first = static_cast<std::uint32_t>(std::max(1, respondents - 7999));
    measurement run = in_child([&] {
        double start = now();
        std::int16_t r = extract(base, "Q1", base + ".099", oc::data_not_yet_coded, first,
                                 static_cast<std::uint32_t>(respondents));
        return r == oc::kExtractWritten ? now() - start : -1;
    });
    report("prepare Q1, data not yet coded, 10 coder files listed", run, read.seconds);
}

void navigation(const fs::path& dir) {
    const int records = 30000;
    std::string path = (dir / "NAV.001").string();
    bench::generate_coder_file(path, "Q1", records);
    std::printf("coding navigation in a question of %d records\n", records);
    auto moves = [&](int from, int step, int count) {
        return in_child([=] {
            oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), "Q1"));
            oc::resp_record record;
            if (!cursor || oc::seek_question_record(*cursor, from, record) != 0) return -1.0;
            double start = now();
            for (int i = 1; i <= count; ++i)
                if (oc::seek_question_record(*cursor, from + i * step, record) != 0) return -1.0;
            return (now() - start) / count;
        });
    };
    auto jump = [&](int from, int to) {
        return in_child([=] {
            oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), "Q1"));
            oc::resp_record record;
            double start = now();
            if (!cursor) return -1.0;
            if (from > 0) {
                if (oc::seek_question_record(*cursor, from, record) != 0) return -1.0;
                start = now();
            }
            return oc::seek_question_record(*cursor, to, record) == 0 ? now() - start : -1.0;
        });
    };
    report("one record forward (mean of 1000)", moves(14000, 1, 1000), 0);
    report("one record back (mean of 1000)", moves(16000, -1, 1000), 0);
    report("open and resume at record 15000", jump(0, 15000), 0);
    report("first record to last", jump(1, records), 0);
    report("last record to first", jump(records, 1), 0);
    report("last record to record 25000 (steps back)", jump(records, 25000), 0);
}

void status_listing(const fs::path& dir) {
    fs::path study = dir / "status";
    fs::create_directories(study);
    bench::generate_study((study / "ST").string(), 2000);
    fs::current_path(study);
    for (int f = 1; f <= 200; ++f) {
        char name[16];
        std::snprintf(name, sizeof name, "ST.%03d", f);
        extract("ST", f % 2 ? "Q1" : "Q2", name, oc::data_all, static_cast<std::uint32_t>(f * 5),
                static_cast<std::uint32_t>(f * 5 + 40));
    }
    std::printf("status listing of 200 coder files\n");
    measurement listing = in_child([] {
        double start = now();
        oc::coder_file_listing files = oc::list_coder_files("ST.cdl");
        oc::list_figures figures = oc::collect_list_figures("ST.cdl", files.names);
        return files.names.size() == 200 && figures.records.size() == 200 ? now() - start : -1;
    });
    report("list files with status, then their figures", listing, 0);
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / ("opencoder-scale-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::vector<int> sizes{1000, 10000, 100000};
    if (argc > 1) sizes = {std::atoi(argv[1])};
    for (int size : sizes) study_scale(dir, size);
    navigation(dir);
    status_listing(dir);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
