// Proposed names of new coder data files and saved listings: the first
// numbered extension not yet present beside the study.
#include "coderfile/naming.h"

#include <sys/stat.h>

#include <cstdio>

namespace oc {

namespace {

constexpr int kLastCoderNumber = 999;
constexpr int kLastListingNumber = 99;

bool path_exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

base_path_parts split_base_path(const std::string& base_path) {
    std::size_t slash = base_path.rfind('/');
    if (slash == std::string::npos) return {std::string(), base_path};
    return {base_path.substr(0, slash), base_path.substr(slash + 1)};
}

std::string coder_extension(int n) {
    if (n < 0 || n > kLastCoderNumber) return {};
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

std::string listing_extension(int n) {
    if (n < 0 || n > kLastListingNumber) return {};
    char text[8];
    std::snprintf(text, sizeof text, "P%02d", n);
    return text;
}

std::string next_free_extension(const std::string& base_path, bool listing) {
    int last = listing ? kLastListingNumber : kLastCoderNumber;
    for (int n = 1; n <= last; ++n) {
        std::string extension = listing ? listing_extension(n) : coder_extension(n);
        if (!path_exists(base_path + "." + extension)) return extension;
    }
    return listing ? listing_extension(0) : coder_extension(0);
}

}  // namespace oc
