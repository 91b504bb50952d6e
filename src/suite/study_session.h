// What a command holds while it uses a study that others may use at once.
//
// NAME.lck carries two locks. Byte 0, the writers' lock, is held by every
// command that writes a study-level file (.DAT, .idx, .add, .cdl/.cdb, a new
// coder data file) for the whole of its writing: writers take turns. Byte 1,
// the data lock, is held by a merge while it changes the .DAT and .idx;
// readers (status, examine, dump, prepare's reading of the data) hold it
// shared, so that they never see half a merge, while a long prepare does not
// keep them waiting.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "suite/study_lock.h"

namespace oc {

enum class session_outcome { ready, busy, failed };

// The writers' lock of the study DIR/NAME. Opening it also finishes what a
// crashed writer left, unless `recover` is false: an unfinished merge is
// rolled back from its journal, an interrupted import finished and leftover
// temporaries removed (recovered() says what was done).
class study_write_session {
public:
    session_outcome open(const std::string& base, const std::string& command, std::chrono::milliseconds wait,
                         const lock_waiting& waiting = {}, bool recover = true);

    // The data lock, on top of the writers' lock, for changing .DAT/.idx.
    session_outcome lock_data(std::chrono::milliseconds wait, const lock_waiting& waiting = {});

    void close();
    const lock_holder& holder() const { return holder_; }  // after busy
    const std::string& error() const { return error_; }    // after failed
    const std::vector<std::string>& recovered() const { return recovered_; }

private:
    session_outcome take(file_lock& lock, lock_kind kind, int byte, const std::string& command,
                         std::chrono::milliseconds wait, const lock_waiting& waiting);

    std::string base_, command_;
    file_lock writers_, data_;
    lock_holder holder_;
    std::string error_;
    std::vector<std::string> recovered_;
};

// The data lock held shared, for reading the study's data.
class study_read_session {
public:
    session_outcome open(const std::string& base, std::chrono::milliseconds wait, const lock_waiting& waiting = {});
    void close() { data_.release(); }
    const lock_holder& holder() const { return data_.holder(); }
    const std::string& error() const { return data_.error(); }

private:
    file_lock data_;
};

// Rolls back an unfinished merge and removes leftover temporaries of the
// study DIR/NAME, whose writers' lock the caller holds. False when the
// journal could not be rolled back (`problem` says why); `done` gets one
// line for each thing done.
bool recover_study(const std::string& base, std::vector<std::string>& done, std::string& problem);

// The lock on one coder data file, held by whoever codes or merges it: a
// byte far past the end of the file itself, which every coder can lock, as
// only the coder file must be writable to code it; and FILE.lck beside it,
// which names the holder, where the directory lets it be made.
class coder_file_session {
public:
    session_outcome open(const std::string& coder_path, const std::string& command, std::chrono::milliseconds wait,
                         const lock_waiting& waiting = {});
    void close() {
        named_.release();
        file_.release();
    }
    const lock_holder& holder() const { return holder_; }
    const std::string& error() const { return error_; }

private:
    file_lock named_, file_;
    lock_holder holder_;
    std::string error_;
};

// What to tell the user when a session could not be opened ("" when it
// was): who holds `what`, or why the lock could not be taken.
template <typename Session>
std::string refusal_text(session_outcome outcome, const std::string& what, const Session& session) {
    switch (outcome) {
    case session_outcome::ready: return {};
    case session_outcome::busy: return lock_busy_text(what, session.holder());
    case session_outcome::failed: return session.error();
    }
    return {};
}

}  // namespace oc
