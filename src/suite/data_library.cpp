#include "suite/data_library.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "suite/answer_source.h"
#include "suite/answer_walk.h"
#include "suite/label_file.h"
#include "suite/study_reader.h"

namespace oc {

namespace {

// fextract's way: every version read whole through study_reader, as the
// dump and the merge read them.
class whole_version_source final : public answer_source {
public:
    study_status open(const std::string& idx_path, const std::string& dat_path, const std::string& question,
                      std::int16_t filter) override {
        question_ = question;
        filter_ = filter;
        idx_path_ = idx_path;
        dat_path_ = dat_path;
        damage_ = {};
        return noted(reader_.open(idx_path, dat_path));
    }

    void close() override { reader_.close(); }

    study_status next_respondent(answer_groups& groups, std::uint32_t& respondent, std::uint16_t& sequence) override {
        for (;;) {
            idx_entry first;
            std::uint32_t offset = 0;
            study_status status = reader_.next_first_entry(first, offset);
            if (status != study_status::ok) return noted(status);
            // The interview status stands in the first version's header;
            // later versions carry it unchanged.
            bool first_version = true;
            bool passes = true;
            groups.clear();
            status = reader_.for_each_version(
                first, offset, [&](const idx_entry&, std::uint32_t, const record_version& version) {
                    if (first_version) {
                        first_version = false;
                        passes = passes_interview_filter(filter_, version.header.b11);
                        if (!passes) return false;
                    }
                    for (const record_variable& variable : version.variables) {
                        if (variable.name != question_) continue;
                        groups.start(variable.roster);
                        for (std::string_view value : variable.values) groups.add(value);
                    }
                    groups.keep_texts();  // the reader reuses the version's bytes
                    return true;
                });
            if (status != study_status::ok) return noted(status);
            if (!passes) continue;
            respondent = static_cast<std::uint32_t>(first.respondent);
            sequence = first.sequence;
            return study_status::ok;
        }
    }

private:
    // The reader says what is damaged, and where, in its problem text.
    study_status noted(study_status status) {
        if (status == study_status::bad_index) damage_ = {reader_.problem(), idx_path_, std::nullopt};
        if (status == study_status::bad_record) damage_ = {reader_.problem(), dat_path_, std::nullopt};
        return status;
    }

    study_reader reader_;
    std::string question_;
    std::string idx_path_, dat_path_;
    std::int16_t filter_ = 1;
};

// The one walk over a question's answers that fextract keeps between calls.
answer_walk& shared_walk() {
    static answer_walk walk(std::make_unique<whole_version_source>());
    return walk;
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
    return shared_walk().fetch(mode, question, buffer, idx_path, dat_path, respondent, sequence, type,
                               interview_filter, roster);
}

}  // namespace oc
