// The rollback journal that makes a merge all or nothing across a crash.
//
// Before its first write a merge records, in NAME.mjl beside the study,
// everything needed to put the study back: the .DAT and .idx lengths (the
// merge only appends past them), the .add file as it was (it is replaced
// whole), and, before each in-place overwrite, the old bytes of the range
// (the link fields of the newest versions, the coder file's and the coder
// list's status fields). Each record is durable before the write it covers.
// Removing the journal is the merge's commit point: a journal found later
// belongs to a merge that did not finish, and rolling it back gives the
// study exactly as it was before that merge began.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oc {

inline std::string merge_journal_path(const std::string& base) { return base + ".mjl"; }
bool merge_journal_exists(const std::string& base);

// The files whose bytes a merge overwrites in place.
enum class journaled_file : std::uint8_t { data = 1, index = 2, coder_file = 3, coder_list = 4 };

struct merge_start;

class merge_journal {
public:
    // The old bytes of one range the merge overwrites.
    struct range {
        journaled_file file;
        std::uint64_t offset;
        std::string old_bytes;
    };

    merge_journal() = default;
    ~merge_journal();
    merge_journal(const merge_journal&) = delete;
    merge_journal& operator=(const merge_journal&) = delete;

    // Writes the journal whole (beside it, synced, renamed into place).
    // False when it cannot be made durable: the merge must not start.
    bool begin(const std::string& journal_path, const merge_start& start);

    // The old bytes of one range, durable before this returns.
    bool record(journaled_file file, std::uint64_t offset, std::string_view old_bytes);

    // The same for several ranges at once, with one sync.
    bool record(const std::vector<range>& ranges);

    // The merge is complete and every file it wrote is durable: the journal
    // goes. False when it cannot be removed (the merge will then be rolled
    // back by the next writer, as if it had not finished).
    bool finish();

    bool active() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// What the study was before the merge. `ranges` are in-place writes known
// before the first write (the status fields), recorded with the start.
struct merge_start {
    std::uint64_t data_length = 0;
    std::uint64_t index_length = 0;
    std::string coder_file;  // as the study directory names it
    bool add_existed = false;
    std::string add_bytes;
    mode_t add_mode = 0;
    std::vector<merge_journal::range> ranges;
};

// A journal as read back: the start and the ranges whose records are whole
// (a record cut short by a crash covers a write that never happened).
struct journal_contents {
    merge_start start;
    std::vector<merge_journal::range> ranges;
};

enum class journal_read { absent, read, damaged };
journal_read read_merge_journal(const std::string& journal_path, journal_contents& contents, std::string& problem);

// The study files a roll back touches, by the study base path DIR/NAME. The
// coder file's name in the journal is taken from the data file's directory.
struct merge_paths {
    std::string data, index, coder_list, add;
};
merge_paths merge_paths_of(const std::string& base);

// Puts the study back as the journal recorded it and removes the journal;
// the caller holds the study's write lock. `done` gets one line per thing
// put back. False (journal kept) when something could not be put back.
bool roll_back_merge(const std::string& journal_path, const merge_paths& paths, std::vector<std::string>& done,
                     std::string& problem);

}  // namespace oc
