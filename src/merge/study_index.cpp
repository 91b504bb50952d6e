#include "merge/study_index.h"

#include <cstdio>

#include "suite/data_library.h"

namespace oc {

namespace {

constexpr std::uint32_t kFirstEntry = 4;

std::uint32_t offset_of(std::size_t position) {
    return kFirstEntry + static_cast<std::uint32_t>(position) * kIdxEntrySize;
}

}  // namespace

bool study_index::load(const std::string& idx_path) {
    loaded_ = false;
    entries_.clear();
    firsts_.clear();
    std::FILE* idx = std::fopen(idx_path.c_str(), "rb");
    if (!idx) return false;
    unsigned char magic[4];
    bool ok = std::fread(magic, 1, 4, idx) == 4 && get_u32(magic) == kIdxMagic;
    for (int read = 0; ok;) {
        idx_entry entry;
        read = idxread(&entry, idx);
        if (read == 1) break;
        if (read != 0) ok = false;
        else entries_.push_back(entry);
    }
    std::fclose(idx);
    if (!ok) {
        entries_.clear();
        return false;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].generation == 1) firsts_[entries_[i].respondent].push_back(offset_of(i));
    loaded_ = true;
    return true;
}

std::uint32_t study_index::file_size() const { return offset_of(entries_.size()); }

std::optional<std::uint32_t> study_index::find_first(std::int32_t respondent, std::uint16_t sequence,
                                                     bool by_respondent) const {
    auto found = firsts_.find(respondent);
    if (found == firsts_.end()) return std::nullopt;
    for (std::uint32_t offset : found->second)
        if (by_respondent || entries_[(offset - kFirstEntry) / kIdxEntrySize].sequence == sequence) return offset;
    return std::nullopt;
}

bool study_index::newest(std::uint32_t first, std::uint32_t& offset, idx_entry& entry) const {
    if (first < kFirstEntry || (first - kFirstEntry) % kIdxEntrySize != 0 || first >= file_size()) return false;
    offset = first;
    entry = entries_[(first - kFirstEntry) / kIdxEntrySize];
    while (entry.next != 0) {
        // Versions are only ever appended, so a link that does not lead
        // forward to a whole entry is damage (and could loop).
        if (entry.next <= offset || (entry.next - kFirstEntry) % kIdxEntrySize != 0 || entry.next >= file_size())
            return false;
        offset = entry.next;
        entry = entries_[(offset - kFirstEntry) / kIdxEntrySize];
    }
    return true;
}

void study_index::appended(std::uint32_t linked_from, const idx_entry& entry) {
    std::uint32_t offset = file_size();
    entries_[(linked_from - kFirstEntry) / kIdxEntrySize].next = offset;
    entries_.push_back(entry);
    if (entry.generation == 1) firsts_[entry.respondent].push_back(offset);
}

}  // namespace oc
