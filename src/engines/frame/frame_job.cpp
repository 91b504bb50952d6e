#include "engines/frame/frame_job.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <set>
#include <vector>

#include "coderfile/coder_types.h"
#include "coderfile/discovery.h"
#include "coderfile/record_briefs.h"
#include "suite/durable_file.h"
#include "suite/label_file.h"
#include "suite/path_parts.h"

namespace oc {

namespace {

failure read_failure(const std::string& path) { return {"cannot read " + path, path, {}}; }

// Sets `frame` to check names against the study's questions.
failure know_study_questions(const std::string& base, code_frame& frame) {
    std::vector<study_label> labels;
    const std::string labels_path = base + ".lbl";
    study_result read = read_label_file(labels_path, labels);
    if (!read.ok) return {read.message, labels_path, {}};
    auto names = std::make_shared<std::set<std::string, std::less<>>>();
    for (const study_label& label : labels) names->insert(label.name);
    frame.known_question = [names](std::string_view name) { return names->count(name) != 0; };
    return {};
}

failure read_frame_file(const std::string& path, code_frame& frame) {
    std::string bytes;
    bool exists = false;
    if (!read_file_whole(path, bytes, exists)) return read_failure(path);
    if (!exists) return {};
    return parse_frame(bytes, path, frame);
}

}  // namespace

failure load_frame(const std::string& base, code_frame& frame) {
    if (failure problem = know_study_questions(base, frame)) return problem;
    return read_frame_file(frame_path(base), frame);
}

failure save_frame(const std::string& base, const code_frame& frame) {
    const std::string path = frame_path(base);
    // A frame made read-only by its owner stays so, and is not written.
    struct stat status {};
    const mode_t mode = ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : default_file_mode();
    if (read_only_mode(mode)) return {path + " is read-only", path, {}};
    if (!replace_file_whole(path, frame.to_csv(), mode))
        return {"cannot write " + path, path, {}};
    return {};
}

failure import_frame(const std::string& base, const std::string& csv, bool replace) {
    code_frame frame;
    if (failure problem = know_study_questions(base, frame)) return problem;
    std::string bytes;
    bool exists = false;
    if (!read_file_whole(csv, bytes, exists) || !exists) return read_failure(csv);
    if (failure problem = parse_frame(bytes, csv, frame)) return problem;
    const std::string path = frame_path(base);
    if (!replace) {
        std::string current;
        if (!read_file_whole(path, current, exists)) return read_failure(path);
        if (exists)
            return {"the study has a code frame already (" + file_name_of(path) + "); import with --replace to replace it",
                    path, {}};
    }
    return save_frame(base, frame);
}

frame_addition add_frame_code(const std::string& base, frame_code code) {
    code_frame frame;
    if (failure problem = load_frame(base, frame)) return {0, problem};
    if (code.code == 0) {
        std::optional<int> free = frame.lowest_unused(code.question);
        if (!free) return {0, {"every code from 1 to 9999 of " + code.question + " is in the frame", {}, {}}};
        code.code = *free;
    }
    const int added = code.code;
    if (failure problem = frame.add(std::move(code))) return {0, problem};
    if (failure problem = save_frame(base, frame)) return {0, problem};
    return {added, {}};
}

long count_records_using(const std::string& coder_list, const std::string& question, int code) {
    auto names = read_coder_list(coder_list);
    if (!names) return 0;
    long count = 0;
    for (const std::string& name : *names)
        for_each_record(beside(coder_list, name), [&](const resp_record& record) {
            if (question != record.qname) return;
            const auto end = record.codes.begin() + std::min<int>(record.codes_count, kMaxCodes);
            if (std::find(record.codes.begin(), end, code) != end) ++count;
        });
    return count;
}

}  // namespace oc
