#include "suite/durable_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "suite/csv_rows.h"
#include "suite/path_parts.h"

namespace oc {

bool write_whole(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

mode_t default_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool sync_file(int fd) { return fdatasync(fd) == 0; }

bool sync_directory_of(const std::string& path) {
    int fd = ::open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // Some file systems refuse fsync on a directory; the rename stands anyway.
    bool ok = fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    ::close(fd);
    return ok;
}

int create_temporary_beside(const std::string& path, mode_t mode, std::string& temp_path) {
    // A name at the file system's limit loses its end, keeping the front
    // that tells whose temporary it is.
    constexpr std::size_t kNameMax = 255, kSuffix = kTemporaryMark.size() + 6;
    std::size_t slash = path.find_last_of('/');
    std::size_t name_length = path.size() - (slash == std::string::npos ? 0 : slash + 1);
    std::string kept = name_length + kSuffix > kNameMax ? path.substr(0, path.size() - (name_length + kSuffix - kNameMax)) : path;
    temp_path = kept + std::string(kTemporaryMark) + "XXXXXX";
    int fd = mkostemp(temp_path.data(), O_CLOEXEC);
    if (fd < 0) {
        temp_path.clear();
        return -1;
    }
    fchmod(fd, mode);
    return fd;
}

bool commit_temporary(const std::string& temp_path, const std::string& path) {
    if (std::rename(temp_path.c_str(), path.c_str()) != 0) {
        std::remove(temp_path.c_str());
        return false;
    }
    return sync_directory_of(path);
}

bool commit_temporary_as_new(const std::string& temp_path, const std::string& path) {
    if (::link(temp_path.c_str(), path.c_str()) == 0) {
        ::unlink(temp_path.c_str());
        return sync_directory_of(path);
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        const int cause = errno;
        ::unlink(temp_path.c_str());
        errno = cause;
        return false;
    }
    struct stat there {};
    if (::lstat(path.c_str(), &there) == 0) {
        ::unlink(temp_path.c_str());
        errno = EEXIST;
        return false;
    }
    return commit_temporary(temp_path, path);
}

bool write_output_whole(const std::string& path, std::string_view bytes, bool replace, mode_t mode) {
    std::string temp_path;
    int fd = create_temporary_beside(path, mode, temp_path);
    if (fd < 0) return false;
    bool ok = write_whole(fd, bytes) && sync_file(fd);
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        std::remove(temp_path.c_str());
        return false;
    }
    return replace ? commit_temporary(temp_path, path) : commit_temporary_as_new(temp_path, path);
}

bool replace_file_whole(const std::string& path, std::string_view bytes, mode_t mode) {
    return write_output_whole(path, bytes, true, mode);
}

bool read_file_whole(const std::string& path, std::string& bytes, bool& exists, mode_t* mode) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    exists = fd >= 0 || errno != ENOENT;
    if (fd < 0) return !exists;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok && mode) *mode = info.st_mode & 07777;
    // Read into place, in as few calls as the size allows; a file that grows
    // meanwhile is read on to its end.
    std::size_t size = 0;
    bytes.resize(ok ? static_cast<std::size_t>(info.st_size) + 1 : 0);
    for (ssize_t got = 1; ok && got > 0;) {
        if (size == bytes.size()) bytes.resize(bytes.size() * 2);
        got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        else size += static_cast<std::size_t>(got);
    }
    bytes.resize(size);
    ::close(fd);
    return ok;
}

std::vector<std::string> leftover_temporaries(const std::string& base) {
    std::vector<std::string> found;
    std::string prefix = file_name_of(base) + ".";
    DIR* dir = opendir(directory_of(base).c_str());
    if (!dir) return found;
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        // Study names are matched without regard to case, as coder list entries are.
        if (name.size() <= prefix.size() || strncasecmp(name.data(), prefix.c_str(), prefix.size()) != 0) continue;
        if (name.find(kTemporaryMark) == std::string_view::npos) continue;
        found.push_back(beside(base, std::string(name)));
    }
    closedir(dir);
    return found;
}

}  // namespace oc
