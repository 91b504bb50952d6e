#include "extract/coder_list_update.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "coderfile/coder_list.h"
#include "suite/study_format.h"

namespace oc {

namespace {

bool write_count(std::FILE* file, std::int32_t count) {
    unsigned char bytes[4];
    put_u32(bytes, static_cast<std::uint32_t>(count));
    return std::fwrite(bytes, 1, 4, file) == 4;
}

// Copies every entry of `old_list` into `temp`, putting `spec` in place of
// the first entry of its name, or after the last.
bool copy_with_new_entry(std::FILE* old_list, std::FILE* temp, const coder_spec& spec) {
    unsigned char count_bytes[4];
    if (std::fread(count_bytes, 1, 4, old_list) != 4) return false;
    auto count = static_cast<std::int32_t>(get_u32(count_bytes));
    if (count < 0 || std::fwrite(count_bytes, 1, 4, temp) != 4) return false;
    bool replaced = false;
    for (std::int32_t e = 0; e < count; ++e) {
        coder_spec old;
        if (read_coder_list_entry(old_list, false, old) != 0) return false;
        bool same = !replaced && strcasecmp(old.name, spec.name) == 0;
        if (!write_coder_list_entry(temp, same ? spec : old)) return false;
        replaced = replaced || same;
    }
    if (replaced) return true;
    return write_coder_list_entry(temp, spec) && std::fseek(temp, 0, SEEK_SET) == 0 && write_count(temp, count + 1);
}

// The permissions a newly created file gets.
mode_t default_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A new file beside `path` (so that renaming it over `path` stays on one file
// system) holding what `fill` writes. Its name, or "" with nothing left
// behind when anything fails.
std::string write_beside(const std::string& path, mode_t mode, const std::function<bool(std::FILE*)>& fill) {
    std::string temp_path = path + ".XXXXXX";
    int fd = mkstemp(temp_path.data());
    if (fd < 0) return {};
    fchmod(fd, mode);
    std::FILE* temp = fdopen(fd, "wb+");
    if (!temp) {
        close(fd);
        std::remove(temp_path.c_str());
        return {};
    }
    bool ok = fill(temp);
    ok = std::fclose(temp) == 0 && ok;
    if (ok) return temp_path;
    std::remove(temp_path.c_str());
    return {};
}

}  // namespace

bool update_coder_list(const coder_spec& spec, const std::string& list_path, const std::string& backup_path) {
    std::FILE* old_list = std::fopen(list_path.c_str(), "rb+");
    if (!old_list) {
        // A first list is written whole under another name too: a failed
        // write must not leave a list that cannot be read.
        std::string temp_path = write_beside(list_path, default_file_mode(), [&](std::FILE* temp) {
            return write_count(temp, 1) && write_coder_list_entry(temp, spec);
        });
        if (temp_path.empty()) return false;
        if (std::rename(temp_path.c_str(), list_path.c_str()) == 0) return true;
        std::remove(temp_path.c_str());
        return false;
    }
    struct stat list_stat {};
    mode_t mode = fstat(fileno(old_list), &list_stat) == 0 ? list_stat.st_mode & 07777 : default_file_mode();
    std::string temp_path =
        write_beside(list_path, mode, [&](std::FILE* temp) { return copy_with_new_entry(old_list, temp, spec); });
    std::fclose(old_list);
    if (temp_path.empty()) return false;

    std::remove(backup_path.c_str());
    bool backed_up = std::rename(list_path.c_str(), backup_path.c_str()) == 0;
    if (std::rename(temp_path.c_str(), list_path.c_str()) != 0) {
        // Never leave the study without its list.
        if (backed_up) std::rename(backup_path.c_str(), list_path.c_str());
        std::remove(temp_path.c_str());
        return false;
    }
    return backed_up;
}

}  // namespace oc
