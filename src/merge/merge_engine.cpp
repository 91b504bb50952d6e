#include "merge/merge_engine.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "merge/add_file.h"
#include "merge/coded_lines.h"
#include "merge/study_index.h"
#include "suite/merge_journal.h"
#include "suite/durable_file.h"
#include "suite/path_parts.h"
#include "suite/study_format.h"

namespace oc {

namespace {

std::string file_name_part(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A two-byte status field the merge sets: where, and what it held.
struct status_field {
    int fd = -1;  // not owned
    long at = -1;
    char was[2] = {};
};

bool read_status(int fd, long at, status_field& field) {
    field.fd = fd;
    field.at = at;
    return fd >= 0 && at >= 0 && pread(fd, field.was, 2, at) == 2;
}

bool write_status(const status_field& field, const unsigned char (&value)[2]) {
    return pwrite(field.fd, value, 2, field.at) == 2;
}

// Offset of the status field in the first coder list entry named like the
// coder file (any case); -1 when the list cannot be read or has no such entry.
long listed_status_at(const std::string& list_path, const std::string& coder_path) {
    std::FILE* list = std::fopen(list_path.c_str(), "rb");
    if (!list) return -1;
    std::string key = file_name_part(coder_path);
    unsigned char count_bytes[4];
    long found = -1;
    if (std::fread(count_bytes, 1, 4, list) == 4) {
        auto count = static_cast<std::int32_t>(get_u32(count_bytes));
        for (std::int32_t e = 0; e < count; ++e) {
            long at = std::ftell(list);
            coder_spec spec;
            if (at < 0 || read_coder_list_entry(list, true, spec) != 0) break;
            if (strcasecmp(spec.name, key.c_str()) != 0) continue;
            found = at + 256;
            break;
        }
    }
    std::fclose(list);
    return found;
}

struct fd_closer {
    int fd = -1;
    ~fd_closer() {
        if (fd >= 0) ::close(fd);
    }
};

bool read_only(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && read_only_mode(info.st_mode);
}

std::uint64_t file_length(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

}  // namespace

coded_var coded_variable(const resp_record& record, bool replace) {
    coded_var var;
    if (replace) {
        std::memcpy(var.name, record.qname, strnlen(record.qname, sizeof var.name));
        var.values.assign(record.list_no > 0 ? record.list_no - 1 : 0, std::string());
        var.values.push_back(std::to_string(record.codes[0]));
    } else {
        std::string name = record.list_no > 1 ? "#" + std::to_string(record.list_no) : "#";
        name.append(record.qname, strnlen(record.qname, sizeof record.qname));
        std::memcpy(var.name, name.data(), std::min(name.size(), sizeof var.name));
        for (int i = 0; i < record.codes_count; ++i)
            var.values.push_back(std::to_string(record.codes[static_cast<std::size_t>(i)]));
    }
    var.roster = record.roster;
    return var;
}

std::int16_t MergeCoderFile(const std::string& dat_path, const std::string& idx_path, const std::string& list_path,
                            const std::string& coder_path, const std::string& add_path, bool by_respondent,
                            const missing_record_warning& warn, const merge_progress& progress,
                            std::string* problem) {
    auto fail = [problem](std::int16_t result, std::string text) {
        if (problem) *problem = std::move(text);
        return result;
    };
    fd_closer coder_fd{::open(coder_path.c_str(), O_RDWR | O_CLOEXEC)};
    if (coder_fd.fd < 0) return fail(kMergeFailed, "cannot open " + coder_path + " for writing");

    // Every line is read and checked before anything is written: a damaged
    // line must not leave half a merge behind.
    coded_lines lines;
    if (std::string why = read_coded_lines(coder_path, lines); !why.empty()) return fail(kMergeFailed, why);
    if (read_only(dat_path) || read_only(idx_path))
        return fail(kMergeFailed, "the study's data or index file is read-only");
    if (read_only(add_path)) return fail(kMergeAddFailed, add_path + " is read-only");

    // Both status fields are found, and what they hold read, before the
    // first write: they go into the journal with its start.
    fd_closer list_fd{::open(list_path.c_str(), O_RDWR | O_CLOEXEC)};
    status_field line2, listed;
    if (!read_status(coder_fd.fd, lines.status_at, line2))
        return fail(kMergeFailed, "cannot read line 2 of " + coder_path);
    if (!read_status(list_fd.fd, listed_status_at(list_path, coder_path), listed))
        return fail(kMergeFailed, list_path + " cannot be written or does not list " + coder_path);

    merge_start start;
    start.coder_file = coder_path;
    start.ranges = {{journaled_file::coder_file, static_cast<std::uint64_t>(line2.at), std::string(line2.was, 2)},
                    {journaled_file::coder_list, static_cast<std::uint64_t>(listed.at), std::string(listed.was, 2)}};
    start.add_mode = default_file_mode();
    if (!read_file_whole(add_path, start.add_bytes, start.add_existed, &start.add_mode))
        return fail(kMergeAddFailed, "cannot read " + add_path);

    // The study files are opened only when something is coded.
    study_index index;
    study_writer writer;
    bool writing = false;
    for (const resp_record& record : lines.records)
        if (record.codes_count != 0) writing = true;
    if (writing) {
        index.load(idx_path);  // when it cannot be loaded, the writer reads the .idx itself
        if (writer.open(dat_path, idx_path, &index) != kAppendDone)
            return fail(kMergeFailed, "cannot open the study's data and index files for writing");
        start.data_length = writer.opened_data_length();
        start.index_length = writer.opened_index_length();
    } else {
        start.data_length = file_length(dat_path);
        start.index_length = file_length(idx_path);
    }
    // One undo path for every failure from here: the journal's.
    merge_journal journal;
    const std::string journal_path = merge_journal_path(without_extension(dat_path));
    if (!journal.begin(journal_path, start))
        return fail(kMergeFailed, "cannot write the merge journal " + journal_path);
    writer.set_journal(&journal);
    auto undo = [&](std::int16_t result, std::string why) {
        writer.close();
        std::vector<std::string> done;
        std::string unused;
        roll_back_merge(journal_path, {dat_path, idx_path, list_path, add_path}, done, unused);
        return fail(result, std::move(why));
    };
    // A record without data keeps the ones before it merged.
    auto finish_partial = [&](std::int16_t result) {
        if (!writer.commit() || !writer.sync()) return undo(kMergeFailed, "cannot write the study's data files");
        writer.close();
        if (!journal.finish()) return undo(kMergeFailed, "cannot remove the merge journal " + journal_path);
        return result;
    };

    long records = 0;
    std::vector<coded_var> vars(1);
    for (const resp_record& record : lines.records) {
        if (progress) progress(++records, lines.total);
        if (record.codes_count == 0) continue;
        vars[0] = coded_variable(record, record.action != 0);
        std::int16_t result = writer.append(record.respondent, record.sequence, vars, by_respondent, warn);
        if (result == kAppendNoMatch) return finish_partial(kMergeNoMatch);
        if (result != kAppendDone) return undo(kMergeFailed, "cannot write the codes of respondent " +
                                                                 std::to_string(record.respondent));
    }
    if (progress && records < lines.total) progress(lines.total, lines.total);
    if (writing && !writer.commit()) return undo(kMergeFailed, "cannot write the study's data files");
    static constexpr unsigned char kMergedText[2] = {' ', '3'};  // line 2 holds text
    unsigned char merged_binary[2];                               // the list, a binary word
    put_u16(merged_binary, status_merged);
    if (!write_status(line2, kMergedText)) return undo(kMergeFailed, "cannot mark " + coder_path + " merged");
    if (!write_status(listed, merged_binary))
        return undo(kMergeFailed, "cannot mark " + coder_path + " merged in " + list_path);
    if (!update_add_file(add_path, lines.maxima)) return undo(kMergeAddFailed, "cannot write " + add_path);
    if (!sync_file(line2.fd) || !sync_file(listed.fd) || (writing && !writer.sync()))
        return undo(kMergeFailed, "cannot make the merge durable");
    if (writing && !writer.close()) return undo(kMergeFailed, "cannot close the study's data files");
    // The commit point: every file is durable, the journal goes. A journal
    // that stays would have the next writer undo a merge reported done.
    if (!journal.finish()) return undo(kMergeFailed, "cannot remove the merge journal " + journal_path);
    return kMergeDone;
}

}  // namespace oc
