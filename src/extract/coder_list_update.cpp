#include "extract/coder_list_update.h"

#include <cstdio>
#include <cstdlib>
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

bool create_list(const coder_spec& spec, const std::string& list_path) {
    std::FILE* file = std::fopen(list_path.c_str(), "wb");
    if (!file) return false;
    bool ok = write_count(file, 1) && write_coder_list_entry(file, spec);
    return std::fclose(file) == 0 && ok;
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

}  // namespace

bool update_coder_list(const coder_spec& spec, const std::string& list_path, const std::string& backup_path) {
    std::FILE* old_list = std::fopen(list_path.c_str(), "rb+");
    if (!old_list) return create_list(spec, list_path);

    // Beside the list, so that the final rename stays on one file system.
    std::string temp_path = list_path + ".XXXXXX";
    int fd = mkstemp(temp_path.data());
    struct stat list_stat {};
    if (fd >= 0 && fstat(fileno(old_list), &list_stat) == 0) fchmod(fd, list_stat.st_mode & 07777);
    std::FILE* temp = fd >= 0 ? fdopen(fd, "wb+") : nullptr;
    if (!temp) {
        if (fd >= 0) {
            close(fd);
            std::remove(temp_path.c_str());
        }
        std::fclose(old_list);
        return false;
    }
    bool ok = copy_with_new_entry(old_list, temp, spec);
    std::fclose(old_list);
    ok = std::fclose(temp) == 0 && ok;
    if (!ok) {
        std::remove(temp_path.c_str());
        return false;
    }
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
