// Appends one respondent's coded variables to the study's data: a new,
// short record version at the end of the .DAT file and a new index entry
// linked behind the respondent's newest version. Nothing already in the
// files changes but that one link field.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "suite/merge_journal.h"
#include "engines/merge/study_index.h"
#include "suite/owned_files.h"
#include "suite/study_record.h"  // kMaxValueLength

namespace oc {

// One coded variable: name (8 bytes, zero-filled, no terminator when all 8
// are used), roster, value texts.
struct coded_var {
    char name[8] = {};
    std::uint16_t roster = 0;  // written as one byte
    std::vector<std::string> values;
};

// Receives "Can't find data record in the .DAT file for respondent number
// %ld.  This coded data will not be merged." when matching by respondent
// number finds no entry; the caller decides how to show it.
using missing_record_warning = std::function<void(const std::string& text)>;

std::string missing_record_text(std::int32_t respondent);

inline constexpr std::int16_t kAppendDone = 0;
inline constexpr std::int16_t kAppendNoMatch = -1;
inline constexpr std::int16_t kAppendFailed = -2;

// 0 done, or skipped after the warning (by_respondent on, no entry);
// -1 no generation-1 entry with this respondent and sequence number
// (by_respondent off); -2 a file cannot be opened, read, sought or written,
// the .idx magic is wrong, a chain link is damaged, the newest version's
// header is not a record's or belongs to another respondent, it lacks an FB
// or FC block, its generation is already 255, or a value (over 800
// characters) or the new version (over 65535 bytes) cannot be encoded.
// Everything is read and checked before the first byte is written; a write
// that still fails has the link and both files' lengths put back, so a
// failed call leaves the study as it was.
//
// `index`, when loaded, replaces the reads of the .idx that find the entry
// and walk the chain, and is updated with the entry appended; it is used
// only while its size equals the file's. `warn` may be empty. A session of
// one append (study_writer).
std::int16_t AppendCodedVariable(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                 const std::string& dat_path, const std::string& idx_path, bool by_respondent,
                                 const missing_record_warning& warn, study_index* index = nullptr);

// Both study files held open for a run of appends, as a merge makes them.
// Each append is read and checked as AppendCodedVariable does it, then only
// staged in memory; commit() writes what is staged with one write to the
// .DAT, one to the .idx for the new entries and one for each run of nearby
// links (a run goes out whole, its other bytes as the index copy holds them,
// which are the file's). Versions before links: until a link is written the
// study reads as before it. With the index copy, what is staged past a few
// megabytes goes out on its own, and the links wait for commit().
//
// Any failed write puts back everything the session wrote: both files cut
// to their lengths at open() and every link it set cleared, so the study is
// as it was before the session, and the session accepts no more appends.
class study_writer {
public:
    study_writer() = default;
    ~study_writer();  // closes the files; what is staged and not committed is dropped
    study_writer(const study_writer&) = delete;
    study_writer& operator=(const study_writer&) = delete;

    // kAppendDone, or kAppendFailed when a file cannot be opened for reading
    // and writing or measured, the .idx magic is wrong, its length is not
    // 4 + 20k, or a file passes 4 GiB. `index` is used for the whole session when it is loaded and its
    // size equals the .idx's, and is kept equal to the study (also by a roll
    // back); without it each append reads the .idx and is committed at once.
    std::int16_t open(const std::string& dat_path, const std::string& idx_path, study_index* index = nullptr);

    // The results of AppendCodedVariable. Staged versions are written once
    // they pass a few megabytes; kAppendFailed also when that write fails,
    // the session then being rolled back (failed()).
    std::int16_t append(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                        bool by_respondent, const missing_record_warning& warn);

    // Writes and flushes what is staged. False when a write fails: the
    // session is then rolled back.
    bool commit();

    // The study as it was at open(): staged versions dropped, both lengths
    // and every link the session set put back. False when not all of it
    // could be put back.
    bool roll_back();

    // True once the session was rolled back.
    bool failed() const { return failed_; }

    // From now on, the old bytes of every link below the lengths at open()
    // go into `journal` and are durable before the link is written.
    void set_journal(merge_journal* journal) { journal_ = journal; }

    // The lengths at open().
    std::uint64_t opened_data_length() const { return opened_dat_; }
    std::uint64_t opened_index_length() const { return opened_idx_; }

    // Makes what was committed durable. False when it cannot.
    bool sync();

    // Closes both files; what is staged and not committed is dropped.
    // False when closing fails.
    bool close();

private:
    struct link {
        std::uint32_t field;  // offset of the link field in the .idx
        std::uint32_t value;
    };

    // `size` (at most 20) bytes of the .DAT as it will be once what is
    // staged is written; null when they are not all there.
    const unsigned char* dat_bytes(std::uint64_t at, std::size_t size);
    // Writes what is staged; the links too with `with_links`.
    bool write_staged(bool with_links);
    bool write_links(std::vector<link>& links);

    owned_file dat_, idx_;
    study_index* index_ = nullptr;
    merge_journal* journal_ = nullptr;
    std::size_t journaled_ = 0;  // relinked_ fields already in the journal
    bool failed_ = false;
    std::uint64_t opened_dat_ = 0, opened_idx_ = 0;    // lengths at open()
    std::uint64_t written_dat_ = 0, written_idx_ = 0;  // lengths in the files
    std::string staged_dat_, staged_idx_;             // to go behind them
    std::vector<link> staged_links_;                   // fields in the written part of the .idx
    std::vector<std::uint32_t> relinked_;              // fields set below opened_idx_ (all were 0)
    // The last stretch of the .DAT read, so that nearby old versions cost no
    // further read.
    std::vector<unsigned char> window_;
    std::uint64_t window_at_ = 0;
    std::size_t window_size_ = 0;
    unsigned char straddle_[32] = {};  // a read across the end of the file
};

}  // namespace oc
