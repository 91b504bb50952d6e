#include "engines/merge/merge_engine.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "engines/merge/add_file.h"
#include "engines/merge/coded_lines.h"
#include "engines/merge/study_index.h"
#include "suite/merge_journal.h"
#include "suite/durable_file.h"
#include "suite/path_parts.h"
#include "suite/study_format.h"
#include "suite/owned_files.h"

namespace oc {

namespace {

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
    std::string key = file_name_of(coder_path);
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

bool read_only(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && read_only_mode(info.st_mode);
}

std::uint64_t file_length(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

}  // namespace

std::string append_variable_name(std::string_view question, int list_no) {
    std::string name = list_no > 1 ? "#" + std::to_string(list_no) : "#";
    name.append(question);
    if (name.size() > 8) name.resize(8);
    return name;
}

coded_var coded_variable(const resp_record& record, bool replace) {
    coded_var var;
    if (replace) {
        std::memcpy(var.name, record.qname, strnlen(record.qname, sizeof var.name));
        var.values.assign(record.list_no > 0 ? record.list_no - 1 : 0, std::string());
        var.values.push_back(std::to_string(record.codes[0]));
    } else {
        std::string name =
            append_variable_name(std::string_view(record.qname, strnlen(record.qname, sizeof record.qname)),
                                 record.list_no);
        std::memcpy(var.name, name.data(), name.size());
        for (int i = 0; i < record.codes_count; ++i)
            var.values.push_back(std::to_string(record.codes[static_cast<std::size_t>(i)]));
    }
    var.roster = record.roster;
    return var;
}

namespace {

// One merge of one coder file, in the order it must happen: everything read
// and checked, the journal begun, the records appended, the file marked
// merged, all made durable, the journal ended. Any failure after the journal
// began goes back through the journal, the one way a merge is undone.
class coder_file_merge {
public:
    coder_file_merge(const std::string& dat_path, const std::string& idx_path, const std::string& list_path,
                     const std::string& coder_path, const std::string& add_path, bool by_respondent,
                     const missing_record_warning& warn, const merge_progress& progress)
        : dat_path_(dat_path), idx_path_(idx_path), list_path_(list_path), coder_path_(coder_path),
          add_path_(add_path), by_respondent_(by_respondent), warn_(warn), progress_(progress),
          journal_path_(merge_journal_path(without_extension(dat_path))) {}

    merge_result run(failure& problem) {
        problem_ = &problem;
        if (!read_and_check() || !open_study() || !begin_journal()) return result_;
        merge_result written = write_records();
        if (written != merge_result::done) return written;
        return mark_merged_and_finish();
    }

private:
    // Every line is read and checked before anything is written: a damaged
    // line must not leave half a merge behind. Both status fields are found,
    // and what they hold read, before the first write: they go into the
    // journal with its start.
    bool read_and_check() {
        coder_fd_.fd = ::open(coder_path_.c_str(), O_RDWR | O_CLOEXEC);
        if (coder_fd_.fd < 0) return fail(merge_result::failed, "cannot open " + coder_path_ + " for writing", coder_path_);
        if (std::string why = read_coded_lines(coder_path_, lines_); !why.empty())
            return fail(merge_result::failed, why, coder_path_);
        if (read_only(dat_path_) || read_only(idx_path_))
            return fail(merge_result::failed, "the study's data or index file is read-only", dat_path_);
        if (read_only(add_path_)) return fail(merge_result::add_failed, add_path_ + " is read-only", add_path_);
        list_fd_.fd = ::open(list_path_.c_str(), O_RDWR | O_CLOEXEC);
        if (!read_status(coder_fd_.fd, lines_.status_at, line2_))
            return fail(merge_result::failed, "cannot read line 2 of " + coder_path_, coder_path_);
        if (!read_status(list_fd_.fd, listed_status_at(list_path_, coder_path_), listed_))
            return fail(merge_result::failed, list_path_ + " cannot be written or does not list " + coder_path_,
                        list_path_);
        start_.coder_file = coder_path_;
        start_.ranges = {
            {journaled_file::coder_file, static_cast<std::uint64_t>(line2_.at), std::string(line2_.was, 2)},
            {journaled_file::coder_list, static_cast<std::uint64_t>(listed_.at), std::string(listed_.was, 2)}};
        start_.add_mode = default_file_mode();
        if (!read_file_whole(add_path_, start_.add_bytes, start_.add_existed, &start_.add_mode))
            return fail(merge_result::add_failed, "cannot read " + add_path_, add_path_);
        return true;
    }

    // The study files are opened only when something is coded.
    bool open_study() {
        writing_ = std::any_of(lines_.records.begin(), lines_.records.end(),
                               [](const resp_record& record) { return record.codes_count != 0; });
        if (!writing_) {
            start_.data_length = file_length(dat_path_);
            start_.index_length = file_length(idx_path_);
            return true;
        }
        index_.load(idx_path_);  // when it cannot be loaded, the writer reads the .idx itself
        if (writer_.open(dat_path_, idx_path_, &index_) != kAppendDone)
            return fail(merge_result::failed, "cannot open the study's data and index files for writing", dat_path_);
        start_.data_length = writer_.opened_data_length();
        start_.index_length = writer_.opened_index_length();
        return true;
    }

    bool begin_journal() {
        if (!journal_.begin(journal_path_, start_))
            return fail(merge_result::failed, "cannot write the merge journal " + journal_path_, journal_path_);
        writer_.set_journal(&journal_);
        return true;
    }

    merge_result write_records() {
        long records = 0;
        std::vector<coded_var> vars(1);
        for (const resp_record& record : lines_.records) {
            if (progress_) progress_(++records, lines_.total);
            if (record.codes_count == 0) continue;
            vars[0] = coded_variable(record, record.action != 0);
            std::int16_t result = writer_.append(record.respondent, record.sequence, vars, by_respondent_, warn_);
            // A record without data keeps the ones before it merged.
            if (result == kAppendNoMatch) return finish_partial();
            if (result != kAppendDone)
                return undo(merge_result::failed, "cannot write the codes of respondent " +
                                                      std::to_string(record.respondent), dat_path_);
        }
        if (progress_ && records < lines_.total) progress_(lines_.total, lines_.total);
        if (writing_ && !writer_.commit()) return undo(merge_result::failed, "cannot write the study's data files", dat_path_);
        return merge_result::done;
    }

    merge_result finish_partial() {
        if (!writer_.commit() || !writer_.sync())
            return undo(merge_result::failed, "cannot write the study's data files", dat_path_);
        writer_.close();
        if (!journal_.finish())
            return undo(merge_result::failed, "cannot remove the merge journal " + journal_path_, journal_path_);
        return merge_result::no_match;
    }

    merge_result mark_merged_and_finish() {
        static constexpr unsigned char kMergedText[2] = {' ', '3'};  // line 2 holds text
        unsigned char merged_binary[2];                               // the list, a binary word
        put_u16(merged_binary, status_merged);
        if (!write_status(line2_, kMergedText))
            return undo(merge_result::failed, "cannot mark " + coder_path_ + " merged", coder_path_);
        if (!write_status(listed_, merged_binary))
            return undo(merge_result::failed, "cannot mark " + coder_path_ + " merged in " + list_path_, list_path_);
        if (!update_add_file(add_path_, lines_.maxima))
            return undo(merge_result::add_failed, "cannot write " + add_path_, add_path_);
        if (!sync_file(line2_.fd) || !sync_file(listed_.fd) || (writing_ && !writer_.sync()))
            return undo(merge_result::failed, "cannot make the merge durable", dat_path_);
        if (writing_ && !writer_.close())
            return undo(merge_result::failed, "cannot close the study's data files", dat_path_);
        // The commit point: every file is durable, the journal goes. A journal
        // that stays would have the next writer undo a merge reported done.
        if (!journal_.finish())
            return undo(merge_result::failed, "cannot remove the merge journal " + journal_path_, journal_path_);
        return merge_result::done;
    }

    bool fail(merge_result result, std::string what, const std::string& file) {
        result_ = result;
        *problem_ = failure{std::move(what), file, std::nullopt};
        return false;
    }

    merge_result undo(merge_result result, std::string what, const std::string& file) {
        writer_.close();
        std::vector<std::string> done;
        std::string unused;
        roll_back_merge(journal_path_, {dat_path_, idx_path_, list_path_, add_path_}, done, unused);
        fail(result, std::move(what), file);
        return result;
    }

    const std::string &dat_path_, &idx_path_, &list_path_, &coder_path_, &add_path_;
    const bool by_respondent_;
    const missing_record_warning& warn_;
    const merge_progress& progress_;
    const std::string journal_path_;
    failure* problem_ = nullptr;
    merge_result result_ = merge_result::failed;

    owned_fd coder_fd_, list_fd_;
    coded_lines lines_;
    status_field line2_, listed_;
    merge_start start_;
    bool writing_ = false;
    study_index index_;
    study_writer writer_;
    merge_journal journal_;
};

}  // namespace

merge_result MergeCoderFile(const std::string& dat_path, const std::string& idx_path, const std::string& list_path,
                            const std::string& coder_path, const std::string& add_path, bool by_respondent,
                            const missing_record_warning& warn, const merge_progress& progress, failure* problem) {
    failure ignored;
    return coder_file_merge(dat_path, idx_path, list_path, coder_path, add_path, by_respondent, warn, progress)
        .run(problem ? *problem : ignored);
}

}  // namespace oc
