#include "engines/extract/catalogue.h"

#include <cstdlib>
#include <cstring>

#include "suite/data_library.h"
#include "suite/error_library.h"

namespace oc {

namespace {

bool qualifies(std::uint8_t type, std::uint8_t other) { return other != 0 || type == LOGIC_OPENEND; }

void free_labels(std::int16_t n, char** names, std::uint8_t* types, std::uint8_t* others) {
    if (names)
        for (std::int16_t i = 0; i < n; ++i) std::free(names[i]);
    std::free(names);
    std::free(types);
    std::free(others);
}

}  // namespace

std::int16_t read_openend_labels(const char* label_path, char*** names_out, std::uint8_t** types_out) {
    *names_out = nullptr;
    *types_out = nullptr;
    std::int32_t unused2 = 0, unused4 = 0;
    std::int16_t n = 0;
    char** names = nullptr;
    std::uint8_t* types = nullptr;
    std::uint8_t* others = nullptr;
    if (read_label(label_path, &unused2, &n, &unused4, &names, &types, &others, 0, 1, 1) == 0xFFFF) return -1;
    if (n <= 0) {
        free_labels(n, names, types, others);
        return 0;
    }
    std::int16_t count = 0;
    for (std::int16_t i = 0; i < n; ++i)
        if (qualifies(types[i], others[i])) ++count;
    if (count == 0) {
        free_labels(n, names, types, others);
        return 0;
    }
    auto* kept_names = static_cast<char**>(std::calloc(static_cast<size_t>(count) + 1, sizeof(char*)));
    auto* kept_types = static_cast<std::uint8_t*>(std::calloc(static_cast<size_t>(count), 1));
    bool failed = !kept_names || !kept_types;
    if (failed) {
        std::free(kept_names);
        std::free(kept_types);
        kept_names = nullptr;
        kept_types = nullptr;
    }
    std::int16_t slot = 0;
    for (std::int16_t i = 0; i < n; ++i) {
        if (!failed && qualifies(types[i], others[i])) {
            kept_names[slot] = names[i];
            kept_types[slot] = types[i];
            ++slot;
        } else {
            std::free(names[i]);
        }
    }
    std::free(names);
    std::free(types);
    std::free(others);
    if (failed) ThrowHalvexException(kErrorOutOfMemory);
    *names_out = kept_names;
    *types_out = kept_types;
    return count;
}

openend_catalogue load_openend_catalogue(const std::string& label_path) {
    char** names = nullptr;
    std::uint8_t* types = nullptr;
    std::int16_t count = read_openend_labels(label_path.c_str(), &names, &types);
    openend_catalogue catalogue;
    for (std::int16_t i = 0; i < count; ++i) {  // a failure (-1) lists nothing
        catalogue.names.emplace_back(names[i]);
        catalogue.types.push_back(static_cast<std::int16_t>(static_cast<std::int8_t>(types[i])));
        std::free(names[i]);
    }
    std::free(names);
    std::free(types);
    return catalogue;
}

}  // namespace oc
