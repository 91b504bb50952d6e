// The parts of a '/'-separated path that the study's files are named by.
#pragma once

#include <string>

namespace oc {

// The directory holding `path`: "." when it names none, "/" for the root.
inline std::string directory_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// `name` in the directory of `path` (so `name` alone when `path` names no
// directory); an absolute `name` as it is.
inline std::string beside(const std::string& path, const std::string& name) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || (!name.empty() && name[0] == '/')) return name;
    return path.substr(0, slash + 1) + name;
}

// The last part of `path`: its file name.
inline std::string file_name_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// `path` without its file name's last extension: a study file's base path.
inline std::string without_extension(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

}  // namespace oc
