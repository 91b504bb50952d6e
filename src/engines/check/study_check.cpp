#include "engines/check/study_check.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "coderfile/coder_file.h"
#include "coderfile/discovery.h"
#include "engines/extract/coder_list_update.h"
#include "engines/merge/add_file.h"
#include "suite/durable_file.h"
#include "suite/csv_rows.h"
#include "suite/label_file.h"
#include "suite/path_parts.h"
#include "suite/merge_journal.h"
#include "suite/study_import.h"
#include "suite/study_reader.h"
#include "suite/study_session.h"
#include "suite/owned_files.h"

namespace oc {

namespace {

std::uint64_t size_of(const std::string& path, bool& exists) {
    struct stat info {};
    exists = ::stat(path.c_str(), &info) == 0;
    return exists ? static_cast<std::uint64_t>(info.st_size) : 0;
}

void check_labels(const std::string& base, check_report& report) {
    std::vector<study_label> labels;
    study_result read = read_label_file(base + ".lbl", labels);
    if (!read.ok) report.problems.push_back(file_name_of(base) + ".lbl: " + read.message);
}

// Every chain from its generation-1 entry, every version read whole, into
// `reached`. False when the reader stopped at damage: what it did not walk is
// then not known to be unreached.
bool walk_every_chain(study_reader& reader, const std::string& idx_name, const std::string& dat_name,
                      std::set<std::uint32_t>& reached, check_report& report) {
    for (;;) {
        idx_entry first;
        std::uint32_t first_offset = 0;
        study_status status = reader.next_first_entry(first, first_offset);
        if (status == study_status::end) return true;
        if (status != study_status::ok) {
            report.problems.push_back(idx_name + ": " + reader.problem());
            return false;
        }
        status = reader.for_each_version(first, first_offset,
                                         [&](const idx_entry&, std::uint32_t at, const record_version&) {
                                             reached.insert(at);
                                             return true;
                                         });
        if (status == study_status::bad_record)
            report.problems.push_back(dat_name + ": " + reader.problem() + " (respondent " +
                                      std::to_string(first.respondent) + ", index entry at offset " +
                                      std::to_string(first_offset) + ")");
        else if (status != study_status::ok)
            report.problems.push_back(idx_name + ": offset " + std::to_string(first_offset) + " (respondent " +
                                      std::to_string(first.respondent) + "): " + reader.problem());
        if (status != study_status::ok) return false;
    }
}

// A version entry that no chain leads to was appended by a write that never finished.
void check_unreached_versions(const std::string& idx, const std::string& idx_name,
                              const std::set<std::uint32_t>& reached, check_report& report) {
    owned_file file(std::fopen(idx.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 4, SEEK_SET) != 0) return;
    unsigned char bytes[kIdxEntrySize];
    for (std::uint64_t at = 4; std::fread(bytes, 1, sizeof bytes, file.get()) == sizeof bytes; at += kIdxEntrySize) {
        idx_entry entry;
        decode_idx_entry(bytes, entry);
        if (entry.generation > 1 && !reached.count(static_cast<std::uint32_t>(at)))
            report.problems.push_back(idx_name + ": offset " + std::to_string(at) + ": a version entry of respondent " +
                                      std::to_string(entry.respondent) + " that no chain reaches");
    }
}

void check_data(const std::string& base, check_report& report) {
    const std::string idx = base + ".idx", dat = base + ".DAT";
    const std::string idx_name = file_name_of(idx), dat_name = file_name_of(dat);
    bool exists = false;
    std::uint64_t idx_size = size_of(idx, exists);
    if (!exists) {
        report.problems.push_back(idx_name + ": missing");
        return;
    }
    // Where the whole entries end (0 for a file shorter than its magic).
    std::uint64_t whole = idx_size < 4 ? 0 : idx_size - (idx_size - 4) % kIdxEntrySize;
    if (idx_size < 4 || whole != idx_size)
        report.problems.push_back(idx_name + ": offset " + std::to_string(whole) + ": the file ends in a partial entry (" +
                                  std::to_string(idx_size) + " bytes)");
    study_reader reader;
    if (reader.open(idx, dat) != study_status::ok) {
        report.problems.push_back(idx_name + ": " + reader.problem());
        return;
    }
    std::set<std::uint32_t> reached;
    if (walk_every_chain(reader, idx_name, dat_name, reached, report))
        check_unreached_versions(idx, idx_name, reached, report);
}

void check_add(const std::string& base, check_report& report) {
    std::string bytes;
    bool exists = false;
    const std::string name = file_name_of(base) + ".add";
    if (!read_file_whole(base + ".add", bytes, exists)) {
        report.problems.push_back(name + ": cannot be read");
        return;
    }
    if (bytes.size() % kAddEntrySize != 0)
        report.problems.push_back(name + ": offset " + std::to_string(bytes.size() - bytes.size() % kAddEntrySize) +
                                  ": the file ends in a partial entry");
    for (std::size_t at = 0; at + kAddEntrySize <= bytes.size(); at += kAddEntrySize)
        if (bytes[at] != '#') report.problems.push_back(name + ": offset " + std::to_string(at) + ": not an entry");
}

// NAME.NNN files in the study's directory, by name.
std::vector<std::string> coder_files_on_disk(const std::string& base) {
    std::vector<std::string> names;
    std::string prefix = file_name_of(base) + ".";
    DIR* dir = opendir(directory_of(base).c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() != prefix.size() + 3 || strncasecmp(name.c_str(), prefix.c_str(), prefix.size()) != 0) continue;
        if (std::all_of(name.end() - 3, name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> unlisted_coder_files(const std::string& base, const std::vector<std::string>& listed) {
    std::vector<std::string> unlisted;
    for (const std::string& name : coder_files_on_disk(base)) {
        bool is_listed = std::any_of(listed.begin(), listed.end(), [&](const std::string& entry) {
            return strcasecmp(file_name_of(entry).c_str(), name.c_str()) == 0;
        });
        if (!is_listed) unlisted.push_back(name);
    }
    return unlisted;
}

void check_coder_files(const std::string& base, check_report& report) {
    const std::string list = base + ".cdl", list_name = file_name_of(list);
    bool exists = false;
    size_of(list, exists);
    std::vector<std::string> names;
    if (exists) {
        auto read = read_coder_list(list);
        if (!read) {
            report.problems.push_back(list_name + ": cannot be read as a coder list");
            return;
        }
        names = *read;
    }
    for (const std::string& name : names) {
        coder_spec spec, listed;
        quest_list questions;
        std::int16_t count = 0;
        std::string path = beside(base, name);
        if (load_coder_file(path.c_str(), spec, questions, count) != 0) {
            report.problems.push_back(name + ": listed in " + list_name + " but missing or unreadable");
            continue;
        }
        if (find_coder_list_entry(list, name, listed) == 0 &&
            (listed.status == status_merged) != (spec.status == status_merged))
            report.problems.push_back(name + ": offset 10 of line 2: status " + std::to_string(spec.status) +
                                      " where " + list_name + " says " + std::to_string(listed.status));
    }
    for (const std::string& name : unlisted_coder_files(base, names)) {
        coder_spec spec;
        quest_list questions;
        std::int16_t count = 0;
        if (load_coder_file(beside(base, name).c_str(), spec, questions, count) == 0)
            report.problems.push_back(name + ": a complete coder data file that " + list_name + " does not list");
    }
}

void check_leftovers(const std::string& base, check_report& report) {
    if (merge_journal_exists(base))
        report.problems.push_back(file_name_of(merge_journal_path(base)) + ": a merge that did not finish");
    if (::access(import_journal_path(base).c_str(), F_OK) == 0)
        report.problems.push_back(file_name_of(import_journal_path(base)) + ": an import that did not finish");
    for (const std::string& temp : leftover_temporaries(base))
        report.problems.push_back(file_name_of(temp) + ": a temporary file left by a run that did not finish");
}

// Lists the complete coder files the list lacks, as prepare would have.
void relist_coder_files(const std::string& base, check_report& report) {
    const std::string list = base + ".cdl";
    std::vector<std::string> names;
    if (auto read = read_coder_list(list)) names = *read;
    else if (::access(list.c_str(), F_OK) == 0) return;  // a damaged list is not rewritten
    for (const std::string& name : unlisted_coder_files(base, names)) {
        coder_spec spec;
        quest_list questions;
        std::int16_t count = 0;
        if (load_coder_file(beside(base, name).c_str(), spec, questions, count) != 0) continue;
        std::snprintf(spec.name, sizeof spec.name, "%s", name.c_str());
        spec.question_count = count;
        spec.question_names.assign(questions.size(), {});
        for (std::size_t q = 0; q < questions.size(); ++q)
            std::memcpy(spec.question_names[q].data(), questions[q].name, strnlen(questions[q].name, 8));
        if (update_coder_list(spec, list, base + ".cdb")) report.repaired.push_back("listed " + name + " in " + file_name_of(list));
    }
}

}  // namespace

check_report check_study(const std::string& base) {
    check_report report;
    check_leftovers(base, report);
    check_labels(base, report);
    check_data(base, report);
    check_add(base, report);
    check_coder_files(base, report);
    return report;
}

check_report repair_study(const std::string& base) {
    std::vector<std::string> done;
    std::string problem;
    bool recovered = recover_study(base, done, problem);
    if (recovered) {
        check_report relisted;
        relist_coder_files(base, relisted);
        done.insert(done.end(), relisted.repaired.begin(), relisted.repaired.end());
    }
    check_report report = check_study(base);
    report.repaired = std::move(done);
    if (!recovered) report.problems.insert(report.problems.begin(), problem);
    return report;
}

}  // namespace oc
