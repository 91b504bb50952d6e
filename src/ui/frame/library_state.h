// Library-wide state: lives from the library's load to its unload and is
// the only thing besides files and the current directory that survives from
// one entry point call to the next.
#pragma once

#include <string>

namespace oc_ui {

// The CATI sound-file directory: empty, or a path ending in '/' or '\'.
extern std::string g_soundDir;
// The sound-file name prefix of the record shown while coding.
extern std::string g_soundPrefix;
// The sound file found for the record shown, and the one last chosen.
extern int g_soundFoundNo;
extern int g_soundChosenNo;

}  // namespace oc_ui
