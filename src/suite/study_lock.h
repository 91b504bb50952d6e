// Locks that keep several processes, on one machine or on several machines
// sharing a study over the network, from writing the same files at once.
//
// A lock is an open file description lock (fcntl F_OFD_SETLK) on a byte
// of a small lock file beside the files it guards: `NAME.lck` for the study
// (every write of a study-level file), `FILE.lck` for one coder data file
// (coding and merging it). The kernel, and on a network mount the file
// server, drops the lock when its holder ends or crashes, so a lock is never
// stale. The holder writes who it is into the file so that a process kept
// out can say who has it. Lock files are never removed: removing one would
// let a process that opened it before the removal lock a file nobody else
// sees. docs/locking.md says why this mechanism and what it guarantees.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

namespace oc {

// Who holds a lock, as the holder recorded it.
struct lock_holder {
    std::string user, host, command, since;
    long pid = 0;
    bool reading = false;  // held shared: by readers, whose names are not recorded
};

// "USER on HOST (COMMAND, process PID) since SINCE", or what is known.
std::string describe_holder(const lock_holder& holder);

enum class lock_kind { shared, exclusive };

// Called about ten times a second while another process holds the lock, with
// the holder and the seconds waited so far; false gives up at once.
using lock_waiting = std::function<bool(const lock_holder& holder, double seconds)>;

class file_lock {
public:
    enum class outcome { held, busy, failed };

    file_lock() = default;
    ~file_lock() { release(); }
    file_lock(file_lock&& other) noexcept;
    file_lock& operator=(file_lock&& other) noexcept;
    file_lock(const file_lock&) = delete;
    file_lock& operator=(const file_lock&) = delete;

    // Takes the lock on `lock_path`, creating the file when it does not
    // exist (an exclusive lock) or reading it when it does (a shared one).
    // Another holder is waited for up to `wait`. busy: still held after the
    // wait (holder() says by whom); failed: the lock file cannot be created,
    // opened or locked (error() says why). A shared lock without a lock file
    // is held without one: no writer has been at work. An exclusive holder
    // records `command`.
    // `byte` picks one of several locks kept in one file (byte ranges of
    // one byte each); only the holder of byte 0 records its name.
    outcome acquire(const std::string& lock_path, lock_kind kind, const std::string& command,
                    std::chrono::milliseconds wait, const lock_waiting& waiting = {}, int byte = 0);

    // An exclusive lock on byte `byte` of an existing file that this
    // process can write, the file itself left as it is (the byte may lie
    // past its end); no holder is recorded.
    outcome acquire_within(const std::string& path, off_t byte, std::chrono::milliseconds wait,
                           const lock_waiting& waiting = {});

    void release();
    bool held() const { return held_; }
    const lock_holder& holder() const { return holder_; }
    const std::string& error() const { return error_; }
    // The system's error number of a failed acquire: whether the lock file
    // could not be made for want of permission, or for a failing disk.
    int error_number() const { return error_number_; }

private:
    outcome wait_for_lock(const std::string& path, short type, off_t byte, std::chrono::milliseconds wait,
                          const lock_waiting& waiting, bool named_holder);

    int fd_ = -1;
    bool held_ = false;
    lock_holder holder_;
    std::string error_;
    int error_number_ = 0;
};

// The lock files of a study base path DIR/NAME and of a coder data file.
inline std::string study_lock_path(const std::string& base) { return base + ".lck"; }
inline std::string coder_file_lock_path(const std::string& coder_path) { return coder_path + ".lck"; }

// What the command-line tool and the dialogs say when a lock stays busy.
std::string lock_busy_text(const std::string& what, const lock_holder& holder);

}  // namespace oc
