// A study's .idx held in memory for the length of one merge, so that each
// coded record finds its respondent's entry and newest version without
// reading the index from the start. The merge is the only writer of the
// study while it runs; it reports every entry it appends (appended) so the
// copy stays equal to the file, and the copy's bytes are what the writer
// puts into the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "suite/study_format.h"

namespace oc {

class study_index {
public:
    // Reads the whole .idx. False (and empty) when the file does not open,
    // its magic is wrong, or it ends in a partial entry: the caller then
    // reads the file itself, which treats such cases as the writer defines.
    bool load(const std::string& idx_path);

    bool loaded() const { return loaded_; }

    // Size in bytes of the .idx this copy describes.
    std::uint32_t file_size() const { return static_cast<std::uint32_t>(bytes_.size()); }

    // Offset of the first generation-1 entry of `respondent` in file order,
    // with `sequence` equal too unless `by_respondent`; none when no entry
    // matches.
    std::optional<std::uint32_t> find_first(std::int32_t respondent, std::uint16_t sequence,
                                            bool by_respondent) const;

    // Follows the links from the entry at `first` to the newest version and
    // gives its offset and entry. False when a link does not lead forward to
    // a whole entry (a damaged index).
    bool newest(std::uint32_t first, std::uint32_t& offset, idx_entry& entry) const;

    // Records an entry appended at the end of the file and linked from the
    // entry at `linked_from`.
    void appended(std::uint32_t linked_from, const idx_entry& entry);

    // The bytes from `from` up to `to` as the file holds them once every
    // appended entry and link is written; both within file_size().
    std::string_view bytes(std::uint32_t from, std::uint32_t to) const {
        return std::string_view(bytes_).substr(from, to - from);
    }

    // Undoes appended(): the copy as it was at `size` bytes, with the link
    // fields at `relinked` (offsets of the fields, below `size`) cleared.
    void forget_after(std::uint32_t size, const std::vector<std::uint32_t>& relinked);

private:
    idx_entry entry_at(std::uint32_t offset) const;

    using first_entry = std::pair<std::int32_t, std::uint32_t>;  // respondent, offset

    bool loaded_ = false;
    std::string bytes_;  // the whole file, magic included
    // The generation-1 entries by respondent, then offset (file order).
    // One sorted array: a study's index is mostly in respondent order
    // already, and a hash map of lists costs an allocation per respondent.
    std::vector<first_entry> firsts_;
    // Where the last search ended: a merge mostly asks for the respondents
    // in the index's order.
    mutable std::size_t next_first_ = 0;
};

}  // namespace oc
