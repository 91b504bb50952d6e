#include "suite/who_and_when.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace oc {

std::string user_name() {
    if (const passwd* entry = getpwuid(geteuid())) return entry->pw_name;
    if (const char* name = std::getenv("USER")) return name;
    return "uid " + std::to_string(geteuid());
}

std::string host_name() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "unknown host";
    return name;
}

std::string now_iso8601() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string out = text;
    if (out.size() > 2) out.insert(out.size() - 2, ":");  // +0100 -> +01:00
    return out;
}

}  // namespace oc
