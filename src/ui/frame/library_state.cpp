#include "ui/frame/library_state.h"

namespace oc_ui {

// Constant-initialised numbers and default-constructed strings: set when the
// library is loaded, destroyed when it is unloaded.
std::string g_soundDir;
std::string g_soundPrefix;
int g_soundFoundNo = 0;
int g_soundChosenNo = 0;

}  // namespace oc_ui
