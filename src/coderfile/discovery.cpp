// The coder data files a study lists in its coder list file, each with the
// status of its own line 2.
#include "coderfile/discovery.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "suite/owned_files.h"

namespace oc {

namespace {

using file_ptr = owned_file;

bool read_entry_count(std::FILE* file, std::int32_t& count) {
    unsigned char bytes[4];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
    count = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                      static_cast<std::uint32_t>(bytes[2]) << 16 |
                                      static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

bool same_name_ignoring_case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

std::uint32_t widen(std::int16_t count) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(count)); }

}  // namespace

std::optional<std::vector<std::string>> read_coder_list(const std::string& list_path) {
    file_ptr file(std::fopen(list_path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::int32_t count = 0;
    if (!read_entry_count(file.get(), count) || count < 0) return std::nullopt;

    std::vector<std::string> names;
    try {
        for (std::int32_t i = 0; i < count; ++i) {
            coder_spec spec;
            if (read_coder_list_entry(file.get(), true, spec) != 0) return std::nullopt;
            names.emplace_back(spec.name);
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return names;
}

std::optional<file_statuses> read_file_statuses(const std::vector<std::string>& names) {
    file_statuses result;
    result.status.assign(names.size(), status_missing);
    for (std::size_t i = 0; i < names.size(); ++i) {
        file_ptr file(std::fopen(names[i].c_str(), "rb"));
        if (!file) continue;
        coder_spec spec;
        std::int32_t trailer_offset = 0;
        if (read_coder_header(file.get(), spec, trailer_offset) != 0) return std::nullopt;
        result.status[i] = static_cast<std::uint8_t>(spec.status & 0xFF);
        ++result.opened;
    }
    return result;
}

std::int16_t find_coder_list_entry(const std::string& list_path, const std::string& name, coder_spec& spec) {
    file_ptr file(std::fopen(list_path.c_str(), "rb"));
    if (!file) return -1;
    std::int32_t count = 0;
    if (!read_entry_count(file.get(), count)) return -1;
    for (std::int32_t i = 0; i < count; ++i) {
        coder_spec entry;
        if (read_coder_list_entry(file.get(), true, entry) != 0) return -1;
        if (same_name_ignoring_case(entry.name, name.c_str())) {
            spec = entry;
            return 0;
        }
    }
    return -1;
}

list_figures collect_list_figures(const std::string& list_path, const std::vector<std::string>& names) {
    list_figures figures;
    figures.respondents.assign(names.size(), 0);
    figures.questions.assign(names.size(), 0);
    figures.records.assign(names.size(), 0);
    figures.interviews.assign(names.size(), 0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        coder_spec entry;
        // An entry gone since the names were read shows zeros.
        if (find_coder_list_entry(list_path, names[i], entry) != 0) continue;
        figures.respondents[i] = widen(entry.respondent_count);
        figures.questions[i] = widen(entry.question_count);
        figures.records[i] = static_cast<std::uint32_t>(entry.record_count);
        figures.interviews[i] = static_cast<std::uint8_t>(entry.interviews & 0xFF);
    }
    return figures;
}

coder_file_listing list_coder_files(const std::string& list_path) {
    coder_file_listing listing;
    std::optional<std::vector<std::string>> names = read_coder_list(list_path);
    if (!names) {
        listing.result = listing_result::list_unreadable;
        return listing;
    }
    std::optional<file_statuses> statuses = read_file_statuses(*names);
    if (!statuses) {
        listing.result = listing_result::data_unreadable;
        return listing;
    }
    listing.names.reserve(static_cast<std::size_t>(statuses->opened));
    listing.statuses.reserve(static_cast<std::size_t>(statuses->opened));
    for (std::size_t i = 0; i < names->size(); ++i) {
        if (statuses->status[i] == status_missing) continue;
        listing.names.push_back((*names)[i]);
        listing.statuses.push_back(statuses->status[i]);
    }
    return listing;
}

bool load_coder_questions(const std::string& path, loaded_coder_file& loaded) {
    loaded_coder_file fresh;
    std::int16_t question_count = 0;
    if (load_coder_file(path.c_str(), fresh.spec, fresh.questions, question_count) != 0) return false;
    fresh.question_statuses.reserve(fresh.questions.size());
    for (const quest_spec& q : fresh.questions) fresh.question_statuses.push_back(question_status(q));
    loaded = std::move(fresh);
    return true;
}

}  // namespace oc
