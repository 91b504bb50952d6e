#include "engines/extract/output_paths.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/discovery.h"

namespace oc {

namespace {

namespace fs = std::filesystem;

// The file names a study keeps beside its base path, the specified ones and
// the ones this tool adds.
constexpr const char* kStudyExtensions[] = {"lbl", "DAT", "idx", "cdl", "cdb", "add", "lck",
                                            "mjl", "imj", "cfr", "jnl"};

struct identity {
    dev_t device;
    ino_t inode;
};

std::optional<identity> identity_of(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return identity{info.st_dev, info.st_ino};
}

bool same_file(const std::optional<identity>& a, const std::optional<identity>& b) {
    return a && b && a->device == b->device && a->inode == b->inode;
}

// The directory that holds `path`, resolved through links, and its name.
std::optional<std::pair<fs::path, std::string>> place_of(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) return std::nullopt;
    fs::path directory = fs::weakly_canonical(absolute.parent_path(), error);
    if (error) return std::nullopt;
    return std::pair{directory, absolute.filename().string()};
}

bool names_study_file(const std::string& file_name, const std::string& study_name) {
    for (const char* extension : kStudyExtensions)
        if (strcasecmp(file_name.c_str(), (study_name + "." + extension).c_str()) == 0) return true;
    return false;
}

}  // namespace

output_refusal output_path_refusal(const std::string& base, const std::string& path, output_kind kind, bool replace) {
    auto target = place_of(path);
    auto study = place_of(base);
    if (!target || !study) return {output_refusal::unresolved, "cannot resolve " + path};
    std::optional<identity> target_id = identity_of(path);
    const std::string& study_name = study->second;
    // By name in the study's directory (the file may not exist yet), and by
    // identity (another spelling, a link).
    bool study_file = target->first == study->first && names_study_file(target->second, study_name);
    for (const char* extension : kStudyExtensions)
        if (same_file(target_id, identity_of(base + "." + extension))) study_file = true;
    if (study_file) return {output_refusal::study_file, path + " is a file of the study " + base + "; choose another file."};

    fs::path list_directory = study->first;
    if (auto names = read_coder_list(base + ".cdl")) {
        for (const std::string& name : *names) {
            fs::path listed = list_directory / name;
            bool same_name = target->first == list_directory && strcasecmp(target->second.c_str(), name.c_str()) == 0;
            if (same_name || same_file(target_id, identity_of(listed.string())))
                return {output_refusal::coder_file_listed,
                        path + " is the study's coder data file " + name + "; choose another file."};
        }
    }
    if (!target_id) return {};
    if (!replace) return {output_refusal::exists, path + " already exists."};
    if (kind == output_kind::coder_file) {
        coder_spec spec;
        quest_list questions;
        std::int16_t count = 0;
        if (load_coder_file(path.c_str(), spec, questions, count) == 0 && spec.status != status_not_coded)
            return {output_refusal::coded_file, path + " is a coder data file with codes; it is never replaced."};
    }
    return {};
}

}  // namespace oc
