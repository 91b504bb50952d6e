#include "suite/merge_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "suite/durable_file.h"
#include "suite/path_parts.h"
#include "suite/study_format.h"

namespace oc {

namespace {

constexpr char kMagic[4] = {'O', 'C', 'M', 'J'};
constexpr std::uint32_t kVersion = 1;
// The largest range one record holds; link runs and status fields are far smaller.
constexpr std::size_t kMaxRange = 0xFFFF;

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void append_u64(std::string& out, std::uint64_t v) {
    append_u32(out, static_cast<std::uint32_t>(v));
    append_u32(out, static_cast<std::uint32_t>(v >> 32));
}

// Reads fields in order; any read past the end marks the reader failed.
class field_reader {
public:
    explicit field_reader(std::string_view bytes) : bytes_(bytes) {}
    std::size_t at() const { return at_; }
    bool ok() const { return ok_; }
    std::string_view take(std::size_t n) {
        if (!ok_ || bytes_.size() - at_ < n) {
            ok_ = false;
            return {};
        }
        std::string_view out = bytes_.substr(at_, n);
        at_ += n;
        return out;
    }
    std::uint8_t u8() {
        std::string_view b = take(1);
        return b.empty() ? 0 : static_cast<std::uint8_t>(b[0]);
    }
    std::uint16_t u16() {
        std::string_view b = take(2);
        return b.empty() ? 0 : get_u16(reinterpret_cast<const unsigned char*>(b.data()));
    }
    std::uint32_t u32() {
        std::string_view b = take(4);
        return b.empty() ? 0 : get_u32(reinterpret_cast<const unsigned char*>(b.data()));
    }
    std::uint64_t u64() {
        std::uint64_t low = u32();
        return low | std::uint64_t{u32()} << 32;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::string encode_range(const merge_journal::range& r) {
    std::string out;
    out.push_back(static_cast<char>(r.file));
    append_u64(out, r.offset);
    append_u16(out, static_cast<std::uint16_t>(r.old_bytes.size()));
    out += r.old_bytes;
    append_u32(out, crc32(out));
    return out;
}

bool write_at(int fd, std::uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t wrote = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
        offset += static_cast<std::uint64_t>(wrote);
    }
    return true;
}

const char* file_label(journaled_file file) {
    switch (file) {
    case journaled_file::data: return "data file";
    case journaled_file::index: return "index file";
    case journaled_file::coder_file: return "coder data file";
    case journaled_file::coder_list: return "coder list";
    }
    return "file";
}

std::string path_of(journaled_file file, const merge_paths& paths, const std::string& coder_file) {
    switch (file) {
    case journaled_file::data: return paths.data;
    case journaled_file::index: return paths.index;
    case journaled_file::coder_list: return paths.coder_list;
    case journaled_file::coder_file: return beside(paths.data, coder_file);
    }
    return {};
}

// Cuts `path` back to `length` when it is longer; false when it cannot.
bool cut_to(const std::string& path, std::uint64_t length, bool& cut) {
    cut = false;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    if (static_cast<std::uint64_t>(info.st_size) <= length) return true;
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, static_cast<off_t>(length)) == 0 && sync_file(fd);
    ok = ::close(fd) == 0 && ok;
    cut = ok;
    return ok;
}

}  // namespace

bool merge_journal_exists(const std::string& base) {
    return ::access(merge_journal_path(base).c_str(), F_OK) == 0;
}

merge_journal::~merge_journal() {
    if (fd_ >= 0) ::close(fd_);
}

bool merge_journal::begin(const std::string& journal_path, const merge_start& start) {
    std::string head(kMagic, sizeof kMagic);
    append_u32(head, kVersion);
    append_u64(head, start.data_length);
    append_u64(head, start.index_length);
    append_u16(head, static_cast<std::uint16_t>(start.coder_file.size()));
    head += start.coder_file;
    head.push_back(start.add_existed ? 1 : 0);
    append_u32(head, static_cast<std::uint32_t>(start.add_mode));
    append_u32(head, static_cast<std::uint32_t>(start.add_bytes.size()));
    head += start.add_bytes;
    append_u32(head, crc32(head));
    if (start.coder_file.size() > 0xFFFF || start.add_bytes.size() > 0xFFFFFFFFu) return false;
    for (const range& r : start.ranges) {
        if (r.old_bytes.size() > kMaxRange) return false;
        head += encode_range(r);
    }

    std::string temp_path;
    int fd = create_temporary_beside(journal_path, default_file_mode(), temp_path);
    if (fd < 0) return false;
    if (!write_whole(fd, head) || !sync_file(fd) || !commit_temporary(temp_path, journal_path)) {
        ::close(fd);
        std::remove(temp_path.c_str());
        return false;
    }
    // The descriptor still names the renamed file; records go at its end.
    if (::lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        std::remove(journal_path.c_str());
        return false;
    }
    fd_ = fd;
    path_ = journal_path;
    return true;
}

bool merge_journal::record(journaled_file file, std::uint64_t offset, std::string_view old_bytes) {
    return record({{file, offset, std::string(old_bytes)}});
}

bool merge_journal::record(const std::vector<range>& ranges) {
    if (fd_ < 0) return false;
    if (ranges.empty()) return true;
    std::string bytes;
    for (const range& r : ranges) {
        if (r.old_bytes.size() > kMaxRange) return false;
        bytes += encode_range(r);
    }
    return write_whole(fd_, bytes) && sync_file(fd_);
}

bool merge_journal::finish() {
    if (fd_ < 0) return false;
    ::close(fd_);
    fd_ = -1;
    // Once removed the merge stands; the directory's sync only hastens that
    // to the disk, and its failure cannot take the merge back.
    bool removed = std::remove(path_.c_str()) == 0;
    if (removed) sync_directory_of(path_);
    return removed;
}

journal_read read_merge_journal(const std::string& journal_path, journal_contents& contents, std::string& problem) {
    std::string bytes;
    bool exists = false;
    if (!read_file_whole(journal_path, bytes, exists)) {
        problem = "cannot read " + journal_path;
        return journal_read::damaged;
    }
    if (!exists) return journal_read::absent;
    field_reader in(bytes);
    std::string_view magic = in.take(sizeof kMagic);
    if (!in.ok() || magic != std::string_view(kMagic, sizeof kMagic) || in.u32() != kVersion) {
        problem = journal_path + ": offset 0: not a merge journal of this version";
        return journal_read::damaged;
    }
    merge_start& start = contents.start;
    start.data_length = in.u64();
    start.index_length = in.u64();
    start.coder_file = std::string(in.take(in.u16()));
    start.add_existed = in.u8() != 0;
    start.add_mode = static_cast<mode_t>(in.u32());
    start.add_bytes = std::string(in.take(in.u32()));
    std::size_t head_end = in.at();
    std::uint32_t stored = in.u32();
    if (!in.ok() || stored != crc32(std::string_view(bytes).substr(0, head_end))) {
        problem = journal_path + ": offset 0: the journal's header is damaged";
        return journal_read::damaged;
    }
    contents.ranges.clear();
    while (in.ok() && in.at() < bytes.size()) {
        std::size_t from = in.at();
        merge_journal::range r;
        r.file = static_cast<journaled_file>(in.u8());
        r.offset = in.u64();
        r.old_bytes = std::string(in.take(in.u16()));
        std::size_t end = in.at();
        std::uint32_t sum = in.u32();
        // A record the crash cut short, or never finished: its write never began.
        if (!in.ok() || sum != crc32(std::string_view(bytes).substr(from, end - from))) break;
        if (r.file < journaled_file::data || r.file > journaled_file::coder_list) break;
        contents.ranges.push_back(std::move(r));
    }
    return journal_read::read;
}

merge_paths merge_paths_of(const std::string& base) {
    return {base + ".DAT", base + ".idx", base + ".cdl", base + ".add"};
}

namespace {

// Puts back the bytes each range held before the merge, newest record first
// so that a range recorded twice ends with its oldest bytes.
bool put_back_ranges(const journal_contents& contents, const merge_paths& paths, std::vector<std::string>& done,
                     std::string& problem) {
    const merge_start& start = contents.start;
    for (auto r = contents.ranges.rbegin(); r != contents.ranges.rend(); ++r) {
        std::string path = path_of(r->file, paths, start.coder_file);
        std::uint64_t limit = r->file == journaled_file::data    ? start.data_length
                              : r->file == journaled_file::index ? start.index_length
                                                                 : UINT64_MAX;
        if (r->offset >= limit) continue;  // past the old end: cut away after
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            problem = "cannot open " + path + " to put back what the merge changed: " + std::strerror(errno);
            return false;
        }
        std::string current(r->old_bytes.size(), '\0');
        ssize_t got = ::pread(fd, current.data(), current.size(), static_cast<off_t>(r->offset));
        bool same = got == static_cast<ssize_t>(current.size()) && current == r->old_bytes;
        bool ok = same || (write_at(fd, r->offset, r->old_bytes) && sync_file(fd));
        ::close(fd);
        if (!ok) {
            problem = "cannot write " + path + " at offset " + std::to_string(r->offset);
            return false;
        }
        if (!same)
            done.push_back("put back " + std::to_string(r->old_bytes.size()) + " bytes of the " +
                           file_label(r->file) + " " + path + " at offset " + std::to_string(r->offset));
    }
    return true;
}

// The index and data files cut back to their lengths before the merge.
bool cut_back(const merge_start& start, const merge_paths& paths, std::vector<std::string>& done,
              std::string& problem) {
    for (auto [path, length] : {std::pair{paths.index, start.index_length}, std::pair{paths.data, start.data_length}}) {
        bool cut = false;
        if (!cut_to(path, length, cut)) {
            problem = "cannot cut " + path + " back to " + std::to_string(length) + " bytes";
            return false;
        }
        if (cut) done.push_back("cut " + path + " back to " + std::to_string(length) + " bytes");
    }
    return true;
}

// The .add file as it was: its old bytes, or none when the merge made it.
bool put_back_add_file(const merge_start& start, const merge_paths& paths, std::vector<std::string>& done,
                       std::string& problem) {
    std::string add_now;
    bool add_exists = false;
    if (!read_file_whole(paths.add, add_now, add_exists)) {
        problem = "cannot read " + paths.add;
        return false;
    }
    if (start.add_existed && (!add_exists || add_now != start.add_bytes)) {
        if (!replace_file_whole(paths.add, start.add_bytes, start.add_mode)) {
            problem = "cannot put back " + paths.add;
            return false;
        }
        done.push_back("put back " + paths.add + " as it was");
    } else if (!start.add_existed && add_exists) {
        if (std::remove(paths.add.c_str()) != 0 || !sync_directory_of(paths.add)) {
            problem = "cannot remove " + paths.add + ", which the merge created";
            return false;
        }
        done.push_back("removed " + paths.add + ", which the merge created");
    }
    return true;
}

}  // namespace

bool roll_back_merge(const std::string& journal_path, const merge_paths& paths, std::vector<std::string>& done,
                     std::string& problem) {
    journal_contents contents;
    switch (read_merge_journal(journal_path, contents, problem)) {
    case journal_read::absent: return true;
    case journal_read::damaged: return false;
    case journal_read::read: break;
    }
    if (!put_back_ranges(contents, paths, done, problem) || !cut_back(contents.start, paths, done, problem) ||
        !put_back_add_file(contents.start, paths, done, problem))
        return false;
    if (std::remove(journal_path.c_str()) != 0 || !sync_directory_of(journal_path)) {
        problem = "cannot remove " + journal_path;
        return false;
    }
    done.push_back("rolled back the unfinished merge of " + contents.start.coder_file);
    return true;
}

}  // namespace oc
