#include "suite/study_session.h"

#include <cerrno>
#include <cstdio>

#include "suite/durable_file.h"
#include "suite/merge_journal.h"
#include "suite/study_import.h"

namespace oc {

namespace {

constexpr int kWritersByte = 0;
constexpr int kDataByte = 1;
// Far past the end of any coder data file: locking it changes no byte.
constexpr off_t kCoderFileLockByte = off_t{1} << 40;

session_outcome outcome_of(file_lock::outcome outcome) {
    switch (outcome) {
    case file_lock::outcome::held: return session_outcome::ready;
    case file_lock::outcome::busy: return session_outcome::busy;
    case file_lock::outcome::failed: return session_outcome::failed;
    }
    return session_outcome::failed;
}

}  // namespace

bool recover_study(const std::string& base, std::vector<std::string>& done, std::string& problem) {
    // Before the temporaries go: an unfinished import's files are among them.
    if (!finish_import(base, done, problem)) return false;
    if (!roll_back_merge(merge_journal_path(base), merge_paths_of(base), done, problem)) return false;
    for (const std::string& temp : leftover_temporaries(base))
        if (std::remove(temp.c_str()) == 0) done.push_back("removed the leftover temporary file " + temp);
    return true;
}

session_outcome study_write_session::take(file_lock& lock, lock_kind kind, int byte, const std::string& command,
                                          std::chrono::milliseconds wait, const lock_waiting& waiting) {
    session_outcome outcome = outcome_of(lock.acquire(study_lock_path(base_), kind, command, wait, waiting, byte));
    if (outcome == session_outcome::busy) holder_ = lock.holder();
    if (outcome == session_outcome::failed) error_ = lock.error();
    return outcome;
}

session_outcome study_write_session::open(const std::string& base, const std::string& command,
                                          std::chrono::milliseconds wait, const lock_waiting& waiting,
                                          bool recover) {
    close();
    base_ = base;
    command_ = command;
    recovered_.clear();
    session_outcome outcome = take(writers_, lock_kind::exclusive, kWritersByte, command, wait, waiting);
    if (outcome != session_outcome::ready || !recover) return outcome;
    // A crashed merge's journal is rolled back before anything else reads
    // or writes the study; readers are kept out while it is.
    std::string problem;
    if (merge_journal_exists(base)) {
        outcome = lock_data(wait, waiting);
        if (outcome != session_outcome::ready) {
            close();
            return outcome;
        }
    }
    if (!recover_study(base, recovered_, problem)) {
        error_ = problem;
        close();
        return session_outcome::failed;
    }
    data_.release();
    return session_outcome::ready;
}

session_outcome study_write_session::lock_data(std::chrono::milliseconds wait, const lock_waiting& waiting) {
    if (data_.held()) return session_outcome::ready;
    return take(data_, lock_kind::exclusive, kDataByte, command_, wait, waiting);
}

void study_write_session::close() {
    data_.release();
    writers_.release();
}

session_outcome study_read_session::open(const std::string& base, std::chrono::milliseconds wait,
                                         const lock_waiting& waiting) {
    return outcome_of(data_.acquire(study_lock_path(base), lock_kind::shared, {}, wait, waiting, kDataByte));
}

session_outcome coder_file_session::open(const std::string& coder_path, const std::string& command,
                                         std::chrono::milliseconds wait, const lock_waiting& waiting) {
    close();
    holder_ = {};
    error_.clear();
    // Named first: a holder that made FILE.lck is told by name.
    file_lock::outcome named = named_.acquire(coder_file_lock_path(coder_path), lock_kind::exclusive, command,
                                              wait, waiting);
    if (named == file_lock::outcome::busy) {
        holder_ = named_.holder();
        return session_outcome::busy;
    }
    // A directory the coder may not write goes without the name; a disk that
    // fails does not.
    int why = named_.error_number();
    if (named == file_lock::outcome::failed && why != EACCES && why != EROFS && why != EPERM) {
        error_ = named_.error();
        return session_outcome::failed;
    }
    session_outcome outcome = outcome_of(file_.acquire_within(coder_path, kCoderFileLockByte, wait, waiting));
    if (outcome == session_outcome::busy) holder_ = file_.holder();
    if (outcome == session_outcome::failed) error_ = file_.error();
    if (outcome != session_outcome::ready) close();
    return outcome;
}

}  // namespace oc
