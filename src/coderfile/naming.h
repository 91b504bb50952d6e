// Names of new coder data files (NAME.001 .. NAME.999) and listings
// (NAME.P01 .. NAME.P99).
#pragma once

#include <string>

namespace oc {

// Directory and study name of a base path "DIR/NAME" (no slash: empty dir).
struct base_path_parts {
    std::string directory;
    std::string study;
};
base_path_parts split_base_path(const std::string& base_path);

// First extension (without dot) for which base_path + "." + ext does not
// exist; "000" or "P00" when every number is taken.
std::string next_free_extension(const std::string& base_path, bool listing);

// "001".."999" and "P01".."P99"; 0 gives the fallbacks "000" and "P00";
// numbers outside 0..999 (0..99) give an empty text.
std::string coder_extension(int n);
std::string listing_extension(int n);

}  // namespace oc
