// A study's .idx held in memory for the length of one merge, so that each
// coded record finds its respondent's entry and newest version without
// reading the index from the start. The merge is the only writer of the
// study while it runs; it reports every entry it appends (appended) so the
// copy stays equal to the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
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
    std::uint32_t file_size() const;

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

private:
    bool loaded_ = false;
    std::vector<idx_entry> entries_;  // entry i stands at offset 4 + 20 i
    // Offsets of the generation-1 entries of each respondent, in file order.
    std::unordered_map<std::int32_t, std::vector<std::uint32_t>> firsts_;
};

}  // namespace oc
