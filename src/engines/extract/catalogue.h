// The study's questions that carry open-ended text: open ends (type 7) and
// questions flagged as having OTHER answers, in label-file order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oc {

// Reads the label file through read_label. `names` gets count + 1 calloc'd
// slots (the last null), `types` count bytes; both and each name are the
// caller's to free. Returns the count, 0 when nothing qualifies, -1 when
// read_label fails. Throws CHalvexException(9) when memory runs out.
std::int16_t read_openend_labels(const char* label_path, char*** names, std::uint8_t** types);

struct openend_catalogue {
    std::vector<std::string> names;
    std::vector<std::int16_t> types;  // type byte sign-extended
};

// The catalogue; empty when the label file cannot be read or has no open
// ends. Names longer than 8 characters never reach it: the label reader
// refuses them.
openend_catalogue load_openend_catalogue(const std::string& label_path);

}  // namespace oc
