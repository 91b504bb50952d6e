#include "dialogs/coding/sound_files.h"

#include <sys/stat.h>

#include <cstdio>

#include "ui/frame/library_state.h"

namespace oc_ui {

namespace {

// The longest full path the existence test takes, terminator excluded.
constexpr std::size_t kMaxTakePath = 259;

}  // namespace

std::string sound_prefix(const oc::resp_record& record) {
    char name[sizeof record.qname + 1] = {};
    for (std::size_t i = 0; i < sizeof record.qname && record.qname[i] != '\0'; ++i) name[i] = record.qname[i];
    char prefix[64];
    if (record.roster == 0)
        std::snprintf(prefix, sizeof prefix, "%s%06ld_", name, static_cast<long>(record.respondent));
    else
        std::snprintf(prefix, sizeof prefix, "%s%06ld_%d_", name, static_cast<long>(record.respondent),
                      static_cast<int>(record.roster));
    return prefix;
}

std::string sound_take_path(int take) { return g_soundDir + g_soundPrefix + std::to_string(take) + ".wav"; }

bool sound_take_exists(const std::string& path) {
    if (path.size() > kMaxTakePath) return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool search_sound_files(const oc::resp_record& record) {
    g_soundPrefix = sound_prefix(record);
    g_soundFoundNo = 0;
    g_soundChosenNo = 0;
    for (int take = 1; take <= kMaxSoundTake; ++take) {
        if (!sound_take_exists(sound_take_path(take))) continue;
        if (g_soundFoundNo != 0) {
            g_soundFoundNo = -1;  // two or more: the coder picks from a list
            break;
        }
        g_soundFoundNo = take;
    }
    return g_soundFoundNo != 0;
}

int take_number_of(const std::string& file_name, std::size_t prefix_length) {
    int take = 0;
    for (std::size_t i = prefix_length; i < file_name.size(); ++i) {
        const char c = file_name[i];
        if (c < '0' || c > '9') break;
        // Names come from the list of files on disk: a long run of digits
        // must not overflow; no take that large exists anyway.
        if (take > 99999999) return take;
        take = take * 10 + (c - '0');
    }
    return take;
}

}  // namespace oc_ui
