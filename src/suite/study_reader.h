// Walks a study's .idx and .DAT files: generation-1 entries in file order,
// each respondent's chain of versions, each version read whole. Shared by
// fextract and the dump; the extraction engine's answer_walk reads through
// file windows instead (answer_walk.cpp), with the same checks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "suite/study_format.h"
#include "suite/study_record.h"

namespace oc {

enum class study_status {
    ok,
    end,          // no further generation-1 entry
    cannot_open,  // the .idx or .DAT file does not open
    bad_index,    // bad magic, truncated entry, chain link outside the file or backwards
    bad_record,   // bad magic, length, respondent, block or value; truncated record
};

class study_reader {
public:
    study_reader() = default;
    ~study_reader();
    study_reader(const study_reader&) = delete;
    study_reader& operator=(const study_reader&) = delete;

    // Opens both files (closing any previous pair) and checks the index
    // magic. On failure both are closed.
    study_status open(const std::string& idx_path, const std::string& dat_path);
    void close();
    bool is_open() const { return idx_ != nullptr; }

    // The next generation-1 entry in file order and its .idx offset.
    study_status next_first_entry(idx_entry& entry, std::uint32_t& offset);

    // Calls `visit` for every version of the respondent whose generation-1
    // entry is `first` (at .idx offset `first_offset`), oldest first, until
    // `visit` returns false. A version's values view the reader's buffer and
    // are valid only during the call. A link must point to a later whole
    // entry of the same respondent, so a chain cannot loop.
    using version_visitor =
        std::function<bool(const idx_entry& entry, std::uint32_t entry_offset, const record_version& version)>;
    study_status for_each_version(const idx_entry& first, std::uint32_t first_offset,
                                  const version_visitor& visit);

    // What the last failure was, for messages.
    const std::string& problem() const { return problem_; }
    // A failure as messages give it: which file (the index or the data) is
    // corrupt, and how; a file that does not open, as problem() says.
    std::string failure_text(study_status status) const;
    // The file `status` is about: the index for bad_index, else the data.
    const std::string& file_of(study_status status) const {
        return status == study_status::bad_index ? idx_path_ : dat_path_;
    }

private:
    study_status fail(study_status status, std::string problem);
    study_status read_chain_entry(std::uint32_t from, std::uint32_t link, std::int32_t respondent,
                                  idx_entry& entry);
    study_status read_version(const idx_entry& entry, record_version& version);

    std::FILE* idx_ = nullptr;    // sequential walk
    std::FILE* chain_ = nullptr;  // chain look-ups, so the walk keeps its buffer
    std::FILE* dat_ = nullptr;
    // Where dat_ stands after the last whole version read, or -1: versions
    // read in file order need no seek (a seek costs a system call).
    long dat_position_ = -1;
    std::string idx_path_;
    std::string dat_path_;
    std::uint64_t idx_size_ = 0;
    std::uint64_t scan_offset_ = 0;
    std::vector<unsigned char> record_bytes_;
    std::string problem_;
};

// The study's respondents (generation-1 index entries), for an overview;
// none when the index cannot be read whole.
std::optional<long> count_respondents(const std::string& idx_path, const std::string& dat_path);

}  // namespace oc
