#include "suite/study_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "suite/path_parts.h"
#include "suite/whole_number.h"
#include "suite/who_and_when.h"

namespace oc {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

struct flock one_byte(short type, off_t byte) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    lock.l_pid = 0;  // must be 0 for open file description locks
    return lock;
}

// Tabs and line ends cannot occur in a recorded field.
std::string field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

// "user\thost\tpid\tsince\tcommand\n", as the holder wrote it.
lock_holder read_holder(int fd) {
    lock_holder holder;
    char text[1024] = {};
    ssize_t got = pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) return holder;
    std::string line(text, static_cast<std::size_t>(got));
    line = line.substr(0, line.find('\n'));
    std::string parts[5];
    std::size_t part = 0;
    for (char c : line) {
        if (c == '\t' && part < 4) ++part;
        else parts[part] += c;
    }
    if (part != 4) return holder;
    holder.user = parts[0];
    holder.host = parts[1];
    holder.pid = static_cast<decltype(holder.pid)>(parse_whole(parts[2], 0, INT32_MAX).value_or(0));
    holder.since = parts[3];
    holder.command = parts[4];
    return holder;
}

bool record_holder(int fd, const std::string& command) {
    std::string line = field(user_name()) + '\t' + field(host_name()) + '\t' + std::to_string(getpid()) + '\t' +
                       now_iso8601() + '\t' + field(command) + '\n';
    // Written over the old record, then cut to its length: a process kept
    // out never reads an empty file.
    return pwrite(fd, line.data(), line.size(), 0) == static_cast<ssize_t>(line.size()) &&
           ftruncate(fd, static_cast<off_t>(line.size())) == 0;
}

// Everyone who may write the directory must be able to lock the file
// (an exclusive lock needs it open for writing), whatever the creator's
// umask: a new lock file takes the directory's read and write bits.
int open_or_create(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? ::open(path.c_str(), O_RDWR | O_CLOEXEC) : -1;
    struct stat info {};
    if (::stat(directory_of(path).c_str(), &info) == 0) fchmod(fd, (info.st_mode & 0666) | 0600);
    return fd;
}

}  // namespace

std::string describe_holder(const lock_holder& holder) {
    if (holder.reading) return "another process reading it";
    if (holder.user.empty()) return "another process";
    std::string text = holder.user + " on " + holder.host;
    text += " (" + (holder.command.empty() ? std::string("a command") : holder.command) + ", process " +
            std::to_string(holder.pid) + ")";
    if (!holder.since.empty()) text += " since " + holder.since;
    return text;
}

std::string lock_busy_text(const std::string& what, const lock_holder& holder) {
    return what + " is in use by " + describe_holder(holder) + "; nothing was changed. Try again when it is free.";
}

file_lock::file_lock(file_lock&& other) noexcept { *this = std::move(other); }

file_lock& file_lock::operator=(file_lock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        held_ = other.held_;
        holder_ = std::move(other.holder_);
        error_ = std::move(other.error_);
        other.fd_ = -1;
        other.held_ = false;
    }
    return *this;
}

file_lock::outcome file_lock::acquire(const std::string& lock_path, lock_kind kind, const std::string& command,
                                      std::chrono::milliseconds wait, const lock_waiting& waiting, int byte) {
    release();
    error_.clear();
    error_number_ = 0;
    holder_ = {};
    // Readers never create the file: a reader changes nothing, and may not
    // be able to write the directory. Without the file no writer is at work
    // (import and every writer since made it before writing).
    if (kind == lock_kind::shared) {
        fd_ = ::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0 && errno == ENOENT) {
            held_ = true;
            return outcome::held;
        }
    } else {
        fd_ = open_or_create(lock_path);
    }
    if (fd_ < 0) {
        error_number_ = errno;
        error_ = "cannot open the lock file " + lock_path + ": " + std::strerror(errno);
        return outcome::failed;
    }
    if (outcome waited = wait_for_lock(lock_path, kind == lock_kind::exclusive ? F_WRLCK : F_RDLCK, byte, wait,
                                       waiting, true);
        waited != outcome::held)
        return waited;
    // A lock file that cannot be written says the disk cannot take the
    // command's writes either.
    if (kind == lock_kind::exclusive && byte == 0 && !record_holder(fd_, command)) {
        error_number_ = errno;
        error_ = "cannot write the lock file " + lock_path + ": " + std::strerror(errno);
        release();
        return outcome::failed;
    }
    held_ = true;
    holder_ = {};
    return outcome::held;
}

file_lock::outcome file_lock::wait_for_lock(const std::string& path, short type, off_t byte,
                                            std::chrono::milliseconds wait, const lock_waiting& waiting,
                                            bool named_holder) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        struct flock lock = one_byte(type, byte);
        if (fcntl(fd_, F_OFD_SETLK, &lock) == 0) return outcome::held;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
            error_number_ = errno;
            error_ = "cannot lock " + path + ": " + std::strerror(errno);
            release();
            return outcome::failed;
        }
        struct flock other = one_byte(type, byte);
        holder_ = {};
        if (fcntl(fd_, F_OFD_GETLK, &other) == 0 && other.l_type == F_RDLCK) holder_.reading = true;
        else if (named_holder) holder_ = read_holder(fd_);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (std::chrono::steady_clock::now() - start >= wait || (waiting && !waiting(holder_, seconds))) {
            release();
            return outcome::busy;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

file_lock::outcome file_lock::acquire_within(const std::string& path, off_t byte, std::chrono::milliseconds wait,
                                             const lock_waiting& waiting) {
    release();
    error_.clear();
    error_number_ = 0;
    holder_ = {};
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        error_number_ = errno;
        error_ = "cannot open " + path + " for writing: " + std::strerror(errno);
        return outcome::failed;
    }
    outcome waited = wait_for_lock(path, F_WRLCK, byte, wait, waiting, false);
    held_ = waited == outcome::held;
    if (held_) holder_ = {};
    return waited;
}

void file_lock::release() {
    if (fd_ >= 0) ::close(fd_);  // closing the description drops its lock
    fd_ = -1;
    held_ = false;
}

}  // namespace oc
