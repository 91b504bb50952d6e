// Exporting a study of 100,000 respondents with four open ends and merged
// Append codes (Q1 and Q4, one to three codes each) as sav and as csv,
// against one read of the study's .idx and .DAT through study_reader (every
// version of every respondent), measured in the same run. The export reads
// the study twice (its plan, then its rows), so its floor is about 2.
// Memory: the peak resident size of an export as sav run alone in a child
// process, for a study of 10,000 respondents and for one of 100,000; rows
// are streamed, so it should barely grow.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "coderfile/coder_types.h"
#include "engines/export/study_export.h"
#include "engines/merge/add_file.h"
#include "engines/merge/data_file_writer.h"
#include "engines/merge/merge_engine.h"
#include "engines/merge/study_index.h"
#include "suite/study_reader.h"
#include "study_generator.h"

namespace fs = std::filesystem;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

oc::export_request request_for(const std::string& base, oc::export_format format, const std::string& out) {
    oc::export_request request;
    request.base = base;
    request.out = out;
    request.format = format;
    request.replace = true;
    return request;
}

// The peak resident kilobytes of this process's memory (VmHWM: its own
// since the program was started, unlike the rusage figure, which a forked
// child shares with its parent until it runs a program).
long peak_kb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (status && std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    if (status) std::fclose(status);
    return kb;
}

// The peak resident kilobytes of one export in a fresh run of this program
// given the study and the output, so that what the generator and the reads
// held does not count; -1 on failure.
long export_peak_kb(const std::string& base, const std::string& out) {
    const std::string command = fs::read_symlink("/proc/self/exe").string() + " '" + base + "' '" + out + "'";
    std::FILE* child = popen(command.c_str(), "r");
    long kb = -1;
    if (!child || std::fscanf(child, "%ld", &kb) != 1) kb = -1;
    if (child && pclose(child) != 0) kb = -1;
    return kb;
}

// Codes for Q1 of every respondent and Q4 of every other one, appended as a
// merge appends them, and registered in the .add file.
bool merge_codes(const std::string& base, int respondents) {
    oc::study_index index;
    oc::study_writer writer;
    if (!index.load(base + ".idx") || writer.open(base + ".DAT", base + ".idx", &index) != oc::kAppendDone) return false;
    for (int r = 1; r <= respondents; ++r) {
        for (const char* question : {"Q1", "Q4"}) {
            if (question[1] == '4' && r % 2) continue;
            oc::resp_record record;
            std::snprintf(record.qname, sizeof record.qname, "%s", question);
            record.list_no = 1;
            record.codes_count = 1 + r % 3;
            for (int c = 0; c < record.codes_count; ++c)
                record.codes[static_cast<std::size_t>(c)] = static_cast<std::int16_t>((r + c * 7) % 40 + 1);
            if (writer.append(r, 1, {oc::coded_variable(record, false)}, false, {}) != oc::kAppendDone) return false;
        }
    }
    if (!writer.commit() || !writer.close()) return false;
    oc::quest_list maxima(2);
    for (std::size_t q = 0; q < 2; ++q) {
        std::snprintf(maxima[q].name, sizeof maxima[q].name, "Q%d", q ? 4 : 1);
        maxima[q].max_codes = 3;
        maxima[q].code_width = 2;
        maxima[q].last_record_coded = 1;
    }
    return oc::update_add_file(base + ".add", maxima);
}

// Every version of every respondent through study_reader: best of three.
double read_once(const std::string& base) {
    double best = -1;
    for (int run = 0; run < 3; ++run) {
        double start = now();
        oc::study_reader reader;
        if (reader.open(base + ".idx", base + ".DAT") != oc::study_status::ok) return -1;
        long values = 0;
        for (;;) {
            oc::idx_entry first;
            std::uint32_t offset = 0;
            oc::study_status status = reader.next_first_entry(first, offset);
            if (status == oc::study_status::end) break;
            if (status != oc::study_status::ok) return -1;
            reader.for_each_version(first, offset, [&](const oc::idx_entry&, std::uint32_t, const oc::record_version& v) {
                for (const oc::record_variable& variable : v.variables) values += static_cast<long>(variable.values.size());
                return true;
            });
        }
        double took = now() - start;
        if (values == 0) return -1;
        if (best < 0 || took < best) best = took;
    }
    return best;
}

double export_best(const std::string& base, oc::export_format format, const std::string& out, long& variables) {
    double best = -1;
    for (int run = 0; run < 3; ++run) {
        double start = now();
        oc::export_result result = oc::export_study(request_for(base, format, out));
        double took = now() - start;
        if (result.problem) {
            std::printf("export failed: %s\n", result.problem.text().c_str());
            return -1;
        }
        variables = static_cast<long>(result.names.size());
        if (best < 0 || took < best) best = took;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        if (oc::export_study(request_for(argv[1], oc::export_format::sav, argv[2])).problem) return 1;
        std::printf("%ld\n", peak_kb());
        return 0;
    }
    fs::path dir = fs::temp_directory_path() / ("opencoder-export-" + std::to_string(getpid()));
    fs::create_directories(dir);
    bool ok = true;
    long peak_small = 0;
    for (int respondents : {10000, 100000}) {
        const std::string base = (dir / ("S" + std::to_string(respondents))).string();
        bench::generate_study(base, respondents, true);
        if (!merge_codes(base, respondents)) {
            std::printf("cannot merge the codes of %s\n", base.c_str());
            return 1;
        }
        double reference = read_once(base);
        long variables = 0;
        double sav = export_best(base, oc::export_format::sav, base + ".out.sav", variables);
        double csv = export_best(base, oc::export_format::csv, base + ".out.csv", variables);
        long peak = export_peak_kb(base, base + ".out.sav");
        ok = ok && reference > 0 && sav > 0 && csv > 0 && peak > 0;
        if (!ok) break;
        std::printf("study of %d respondents (.idx and .DAT %.1f MB), %ld variables exported\n", respondents,
                    static_cast<double>(fs::file_size(base + ".idx") + fs::file_size(base + ".DAT")) / 1e6, variables);
        std::printf("  %-36s %9.1f ms\n", "read of .idx and .DAT (study_reader)", reference * 1e3);
        std::printf("  %-36s %9.1f ms  %5.2f x read (%.1f MB)\n", "export as sav, best of 3", sav * 1e3,
                    sav / reference, static_cast<double>(fs::file_size(base + ".out.sav")) / 1e6);
        std::printf("  %-36s %9.1f ms  %5.2f x read (%.1f MB)\n", "export as csv, best of 3", csv * 1e3,
                    csv / reference, static_cast<double>(fs::file_size(base + ".out.csv")) / 1e6);
        std::printf("  %-36s %9.1f MB\n", "peak resident memory of the export", static_cast<double>(peak) / 1024);
        if (respondents == 10000) {
            peak_small = peak;
        } else {
            std::printf("ratio of the export to the read: sav %.2f, csv %.2f (target at most 5)\n", sav / reference,
                        csv / reference);
            std::printf("the export's memory grew by %.1f MB from 10,000 to 100,000 respondents\n",
                        static_cast<double>(peak - peak_small) / 1024);
        }
    }
    fs::remove_all(dir);
    return ok ? 0 : 1;
}
