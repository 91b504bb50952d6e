#include "engines/extract/coder_list_update.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "coderfile/coder_list.h"
#include "suite/durable_file.h"
#include "suite/study_format.h"
#include "suite/owned_files.h"

namespace oc {

namespace {

bool write_count(std::FILE* file, std::int32_t count) {
    unsigned char bytes[4];
    put_u32(bytes, static_cast<std::uint32_t>(count));
    return std::fwrite(bytes, 1, 4, file) == 4;
}

// Every entry of `old_list`, with `spec` in place of the first entry of its
// name or after the last, into `out`.
bool copy_with_new_entry(std::string& old_bytes, const coder_spec& spec, std::string& out) {
    owned_file old_list(fmemopen(old_bytes.data(), old_bytes.size(), "rb"));
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    if (!old_list || !stream) {
        if (stream) std::fclose(stream);
        std::free(buffer);
        return false;
    }
    bool added = false;
    bool ok = [&] {
        unsigned char count_bytes[4];
        if (std::fread(count_bytes, 1, 4, old_list.get()) != 4) return false;
        auto count = static_cast<std::int32_t>(get_u32(count_bytes));
        if (count < 0) return false;
        bool replaced = false;
        if (!write_count(stream, count)) return false;
        for (std::int32_t e = 0; e < count; ++e) {
            coder_spec old;
            if (read_coder_list_entry(old_list.get(), false, old) != 0) return false;
            bool same = !replaced && strcasecmp(old.name, spec.name) == 0;
            if (!write_coder_list_entry(stream, same ? spec : old)) return false;
            replaced = replaced || same;
        }
        if (replaced) return true;
        added = true;
        return write_coder_list_entry(stream, spec);
    }();
    ok = std::fclose(stream) == 0 && ok && size >= 4;
    if (ok) {
        out.assign(buffer, size);
        // A memory stream ends where it was last written: the count is
        // raised here rather than through a seek back.
        if (added) put_u32(reinterpret_cast<unsigned char*>(out.data()), get_u32(reinterpret_cast<unsigned char*>(out.data())) + 1);
    }
    std::free(buffer);
    return ok;
}

}  // namespace

bool update_coder_list(const coder_spec& spec, const std::string& list_path, const std::string& backup_path) {
    std::string old_bytes;
    bool exists = false;
    mode_t mode = default_file_mode();
    // A list that is there but cannot be read is never taken for a missing one.
    if (!read_file_whole(list_path, old_bytes, exists, &mode)) return false;
    // The user's read-only list stays as it is, though the process could replace it.
    if (exists && read_only_mode(mode)) return false;
    // A first list is an empty one with this entry added; it has no backup.
    if (!exists) old_bytes.assign(4, '\0');
    std::string new_bytes;
    if (!copy_with_new_entry(old_bytes, spec, new_bytes)) return false;
    // Backup first, then the list: each replaced whole by a rename, so that
    // a complete list exists at every instant.
    return (!exists || replace_file_whole(backup_path, old_bytes, mode)) && replace_file_whole(list_path, new_bytes, mode);
}

}  // namespace oc
