#include "suite/data_library.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "suite/label_file.h"
#include "suite/study_reader.h"

namespace oc {

namespace {

constexpr std::size_t kTextBufferSize = 801;

// The one walk over a question's answers that fextract keeps between calls.
struct extraction_walk {
    study_reader reader;
    bool active = false;
    std::string question;
    std::int16_t type = 0;
    std::int16_t filter = 1;
    // The current respondent.
    std::uint32_t respondent = 0;
    std::uint16_t sequence = 0;
    std::map<std::uint8_t, std::vector<std::string>> iterations;  // roster -> texts, newest version wins

    void stop() {
        reader.close();
        active = false;
        iterations.clear();
    }
};

extraction_walk& current_walk() {
    static extraction_walk walk;
    return walk;
}

std::int16_t error_result(study_status status) {
    switch (status) {
    case study_status::cannot_open: return -2;
    case study_status::bad_index: return -3;
    default: return -4;
    }
}

bool passes_interview_filter(std::int16_t filter, std::uint8_t status) {
    bool complete = status == kInterviewComplete;
    if (filter == 2) return complete;
    if (filter == 3) return !complete;
    return true;
}

bool find_question_type(const std::string& label_path, const std::string& question, bool& found,
                        std::int16_t& type) {
    std::vector<study_label> labels;
    if (!read_label_file(label_path, labels).ok) return false;
    found = false;
    for (const study_label& label : labels) {
        if (label.name == question) {
            found = true;
            type = label.type;
        }
    }
    return true;
}

// Copies the texts back to back, each NUL-terminated; false (nothing
// written) when they do not fit the caller's 801 bytes.
bool copy_texts(const std::vector<std::string>& texts, char* buffer) {
    std::size_t needed = 0;
    for (const std::string& text : texts) needed += text.size() + 1;
    if (needed > kTextBufferSize) return false;
    for (const std::string& text : texts) {
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
        buffer += text.size() + 1;
    }
    return true;
}

// The group the roster protocol asks for: with `from` 0 the first
// non-empty loop iteration, else the answer outside loops; with `from` >= 1
// the first non-empty iteration numbered `from` or later.
const std::vector<std::string>* select_group(const extraction_walk& walk, std::int32_t from,
                                             std::int32_t& roster) {
    for (const auto& [number, texts] : walk.iterations) {
        if (number >= 1 && number >= from && !texts.empty()) {
            roster = number;
            return &texts;
        }
    }
    roster = 0;
    if (from <= 0) {
        auto outside = walk.iterations.find(0);
        if (outside != walk.iterations.end() && !outside->second.empty()) return &outside->second;
    }
    return nullptr;
}

std::int16_t answer_group(extraction_walk& walk, std::int32_t from, char* buffer, std::int32_t* roster) {
    std::int32_t number = 0;
    const std::vector<std::string>* texts = select_group(walk, from, number);
    *roster = number;
    if (!texts) return 0;
    if (!copy_texts(*texts, buffer)) {
        walk.stop();
        *roster = 0;
        return -4;
    }
    return static_cast<std::int16_t>(texts->size());
}

// Reads the next respondent that passes the interview filter: all its
// versions, keeping the asked question's variables. 1 found, -1 end, or an
// error result.
std::int16_t load_next_respondent(extraction_walk& walk) {
    for (;;) {
        idx_entry first;
        std::uint32_t offset = 0;
        study_status status = walk.reader.next_first_entry(first, offset);
        if (status == study_status::end) {
            walk.stop();
            return -1;
        }
        if (status != study_status::ok) {
            walk.stop();
            return error_result(status);
        }
        // The interview status stands in the first version's header; later
        // versions carry it unchanged.
        bool first_version = true;
        bool passes = true;
        walk.iterations.clear();
        status = walk.reader.for_each_version(
            first, offset, [&](const idx_entry&, std::uint32_t, const record_version& version) {
                if (first_version) {
                    first_version = false;
                    passes = passes_interview_filter(walk.filter, version.header.b11);
                    if (!passes) return false;
                }
                for (const record_variable& variable : version.variables) {
                    if (variable.name != walk.question) continue;
                    walk.iterations[variable.roster].assign(variable.values.begin(), variable.values.end());
                }
                return true;
            });
        if (status != study_status::ok) {
            walk.stop();
            return error_result(status);
        }
        if (!passes) continue;
        walk.respondent = static_cast<std::uint32_t>(first.respondent);
        walk.sequence = first.sequence;
        return 1;
    }
}

}  // namespace

const char* logic_type_name(int type) {
    static const char* const names[] = {"Unspecified", "Single Choice", "Multiple Choice", "Numeric",
                                        "Scale",       "Date",          "Text",            "Open End"};
    if (type < 0 || type > 7) return "Unknown";
    return names[type];
}

char* strsave(const char* text) {
    if (!text) return nullptr;
    std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

std::uint16_t read_label(const char* label_path, std::int32_t* unused2, std::int16_t* count,
                         std::int32_t* unused4, char*** names, std::uint8_t** types,
                         std::uint8_t** other_flags, int, int, int) {
    constexpr std::uint16_t kFailed = 0xFFFF;
    if (!label_path || !count || !names || !types || !other_flags) return kFailed;
    std::vector<study_label> labels;
    if (!read_label_file(label_path, labels).ok) return kFailed;

    std::size_t n = labels.size();
    // At least one element each, so a study without questions still hands
    // out arrays the caller can free like any other.
    char** name_array = static_cast<char**>(std::calloc(n ? n : 1, sizeof(char*)));
    auto* type_array = static_cast<std::uint8_t*>(std::malloc(n ? n : 1));
    auto* flag_array = static_cast<std::uint8_t*>(std::malloc(n ? n : 1));
    bool ok = name_array && type_array && flag_array;
    for (std::size_t i = 0; ok && i < n; ++i) {
        name_array[i] = strsave(labels[i].name.c_str());
        type_array[i] = labels[i].type;
        flag_array[i] = labels[i].other ? 1 : 0;
        ok = name_array[i] != nullptr;
    }
    if (!ok) {
        if (name_array)
            for (std::size_t i = 0; i < n; ++i) std::free(name_array[i]);
        std::free(name_array);
        std::free(type_array);
        std::free(flag_array);
        return kFailed;
    }
    if (unused2) *unused2 = 0;
    if (unused4) *unused4 = 0;
    *count = static_cast<std::int16_t>(n);
    *names = name_array;
    *types = type_array;
    *other_flags = flag_array;
    return 0;
}

int idxread(idx_entry* entry, std::FILE* idx) {
    unsigned char bytes[kIdxEntrySize];
    std::size_t got = std::fread(bytes, 1, kIdxEntrySize, idx);
    if (got == 0 && std::feof(idx)) return 1;
    if (got != kIdxEntrySize) return -1;
    decode_idx_entry(bytes, *entry);
    return 0;
}

int headread(rec_header* header, std::FILE* dat) {
    unsigned char bytes[kRecHeaderSize];
    std::size_t got = std::fread(bytes, 1, kRecHeaderSize, dat);
    if (got == 0 && std::feof(dat)) return 1;
    if (got != kRecHeaderSize) return -1;
    decode_rec_header(bytes, *header);
    return 0;
}

std::int16_t fextract(std::int16_t mode, const char* question, char* buffer, const char* idx_path,
                      const char* dat_path, std::uint32_t* respondent, std::int32_t* sequence,
                      std::int16_t* type, std::int16_t interview_filter, std::int16_t, std::int32_t* roster,
                      std::int32_t, std::int32_t) {
    extraction_walk& walk = current_walk();
    if (mode == -1) {
        walk.stop();
        if (!question || !idx_path || !dat_path) return -2;
        study_status status = walk.reader.open(idx_path, dat_path);
        if (status != study_status::ok) return error_result(status);
        bool found = false;
        std::int16_t question_type = 0;
        if (!find_question_type(label_path_for(dat_path), question, found, question_type)) {
            walk.stop();
            return -2;
        }
        *type = question_type;
        if (!found) {
            walk.stop();
            return -1;
        }
        walk.active = true;
        walk.question = question;
        walk.type = question_type;
        walk.filter = interview_filter;
    } else if (!walk.active || !question || walk.question != question || (mode != 0 && mode != 1)) {
        return -1;
    }

    std::int32_t from = 0;
    if (mode == 0) {
        from = *roster;
    } else {
        std::int16_t loaded = load_next_respondent(walk);
        if (loaded != 1) {
            *roster = 0;
            return loaded;
        }
    }
    *respondent = walk.respondent;
    *sequence = walk.sequence;
    *type = walk.type;
    return answer_group(walk, from, buffer, roster);
}

}  // namespace oc
