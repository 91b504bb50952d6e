#include "engines/merge/unique_respondents.h"

#include <cstdio>
#include <unordered_set>

#include "suite/study_format.h"

namespace oc {

int check_unique_respondents(const std::string& idx_path) {
    std::FILE* idx = std::fopen(idx_path.c_str(), "rb");
    if (!idx) return -1;
    long size = std::fseek(idx, 0, SEEK_END) == 0 ? std::ftell(idx) : -1;
    if (size < 4 || std::fseek(idx, 4, SEEK_SET) != 0) {
        std::fclose(idx);
        return -1;
    }
    unsigned long count = static_cast<unsigned long>(size - 4) / kIdxEntrySize;
    std::unordered_set<std::int32_t> seen;
    int result = 1;
    for (unsigned long i = 0; i < count && result == 1; ++i) {
        unsigned char bytes[kIdxEntrySize];
        if (std::fread(bytes, 1, kIdxEntrySize, idx) != kIdxEntrySize) result = -1;
        else if (bytes[4] == 1 && !seen.insert(static_cast<std::int32_t>(get_u32(bytes))).second) result = 0;
    }
    std::fclose(idx);
    return result;
}

}  // namespace oc
