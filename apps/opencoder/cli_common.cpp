#include "cli_common.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "coderfile/naming.h"
#include "engines/texts/string_table.h"

namespace cli {

std::string study_paths::base() const { return directory.empty() ? name : directory + "/" + name; }

study_paths parse_study(const std::string& base_path) {
    oc::base_path_parts parts = oc::split_base_path(base_path);
    return {parts.directory, parts.study};
}

bool enter_study_directory(const study_paths& study) {
    if (study.directory.empty()) return true;
    if (chdir(study.directory.c_str()) == 0) return true;
    print_error("Cannot open the study directory " + study.directory + ": " + std::strerror(errno));
    return false;
}

void print_message(int string_id) {
    const char* text = oc::string_text(string_id);
    std::fprintf(stderr, "%s\n", text ? text : "");
}

void print_error(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

}  // namespace cli
