#include "engines/merge/study_index.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace oc {

namespace {

constexpr std::uint32_t kFirstEntry = 4;
constexpr std::uint32_t kLinkField = kIdxEntrySize - 4;

}  // namespace

bool study_index::load(const std::string& idx_path) {
    loaded_ = false;
    bytes_.clear();
    firsts_.clear();
    next_first_ = 0;
    std::FILE* idx = std::fopen(idx_path.c_str(), "rb");
    if (!idx) return false;
    bool ok = false;
    long size = std::fseek(idx, 0, SEEK_END) == 0 ? std::ftell(idx) : -1;
    if (size >= static_cast<long>(kFirstEntry) && size <= 0xFFFFFFFFL &&
        (size - kFirstEntry) % kIdxEntrySize == 0 && std::fseek(idx, 0, SEEK_SET) == 0) {
        // Room for the entries a merge appends.
        bytes_.reserve(static_cast<std::size_t>(size) + static_cast<std::size_t>(size) / 2);
        bytes_.resize(static_cast<std::size_t>(size));
        ok = std::fread(bytes_.data(), 1, bytes_.size(), idx) == bytes_.size() &&
             get_u32(reinterpret_cast<const unsigned char*>(bytes_.data())) == kIdxMagic;
    }
    std::fclose(idx);
    if (!ok) {
        bytes_.clear();
        return false;
    }
    firsts_.reserve((bytes_.size() - kFirstEntry) / kIdxEntrySize);
    for (std::uint32_t at = kFirstEntry; at < file_size(); at += kIdxEntrySize)
        if (static_cast<unsigned char>(bytes_[at + 4]) == 1)
            firsts_.emplace_back(static_cast<std::int32_t>(get_u32(reinterpret_cast<const unsigned char*>(&bytes_[at]))), at);
    if (!std::is_sorted(firsts_.begin(), firsts_.end())) std::sort(firsts_.begin(), firsts_.end());
    loaded_ = true;
    return true;
}

idx_entry study_index::entry_at(std::uint32_t offset) const {
    unsigned char raw[kIdxEntrySize];
    std::memcpy(raw, bytes_.data() + offset, sizeof raw);
    idx_entry entry;
    decode_idx_entry(raw, entry);
    return entry;
}

std::optional<std::uint32_t> study_index::find_first(std::int32_t respondent, std::uint16_t sequence,
                                                     bool by_respondent) const {
    auto at = firsts_.begin() + static_cast<std::ptrdiff_t>(std::min(next_first_, firsts_.size()));
    // The respondent's first entry in the array, straight after the last
    // one asked for or found by a binary search.
    bool starts_here = at != firsts_.end() && at->first == respondent && (at == firsts_.begin() || at[-1].first < respondent);
    if (!starts_here) at = std::lower_bound(firsts_.begin(), firsts_.end(), first_entry{respondent, 0});
    for (; at != firsts_.end() && at->first == respondent; ++at) {
        const auto* raw = reinterpret_cast<const unsigned char*>(bytes_.data()) + at->second;
        if (by_respondent || get_u16(raw + 10) == sequence) {
            next_first_ = static_cast<std::size_t>(at - firsts_.begin()) + 1;
            return at->second;
        }
    }
    return std::nullopt;
}

bool study_index::newest(std::uint32_t first, std::uint32_t& offset, idx_entry& entry) const {
    if (first < kFirstEntry || (first - kFirstEntry) % kIdxEntrySize != 0 || first >= file_size()) return false;
    offset = first;
    entry = entry_at(first);
    while (entry.next != 0) {
        if (!follows_chain(offset, entry.next, file_size())) return false;
        offset = entry.next;
        entry = entry_at(offset);
    }
    return true;
}

void study_index::appended(std::uint32_t linked_from, const idx_entry& entry) {
    std::uint32_t offset = file_size();
    put_u32(reinterpret_cast<unsigned char*>(&bytes_[linked_from + kLinkField]), offset);
    unsigned char raw[kIdxEntrySize];
    encode_idx_entry(entry, raw);
    bytes_.append(reinterpret_cast<const char*>(raw), sizeof raw);
    if (entry.generation == 1) {
        first_entry added{entry.respondent, offset};
        firsts_.insert(std::upper_bound(firsts_.begin(), firsts_.end(), added), added);
    }
}

void study_index::forget_after(std::uint32_t size, const std::vector<std::uint32_t>& relinked) {
    if (size < file_size()) bytes_.resize(size);
    for (std::uint32_t field : relinked) put_u32(reinterpret_cast<unsigned char*>(&bytes_[field]), 0);
    std::erase_if(firsts_, [size](const first_entry& first) { return first.second >= size; });
}

}  // namespace oc
