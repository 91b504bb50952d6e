// Whole numbers as users and files write them.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace oc {

// `text` as a whole number in decimal digits (with a leading '-' only where
// `min` is negative) from `min` to `max`; none for anything else, an empty
// text, a '+' or a space included.
inline std::optional<std::int64_t> parse_whole(std::string_view text, std::int64_t min, std::int64_t max) {
    if (text.empty() || (text[0] == '-' && min >= 0)) return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

}  // namespace oc
