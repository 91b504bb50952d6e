#include "engines/export/respondent_walk.h"

#include "suite/study_reader.h"

namespace oc {

failure walk_respondents(const std::string& base, const std::function<bool(const walked_respondent&)>& visit) {
    const std::string idx_path = base + ".idx", dat_path = base + ".DAT";
    study_reader reader;
    auto failed = [&](study_status status) -> failure {
        return {reader.failure_text(status), reader.file_of(status), {}};
    };

    study_status status = reader.open(idx_path, dat_path);
    if (status != study_status::ok) return failed(status);
    walked_respondent walked;
    for (;;) {
        idx_entry first;
        std::uint32_t offset = 0;
        status = reader.next_first_entry(first, offset);
        if (status == study_status::end) return {};
        if (status != study_status::ok) return failed(status);
        walked.respondent = first.respondent;
        walked.sequence = first.sequence;
        walked.variables.clear();
        bool oldest = true;
        status = reader.for_each_version(first, offset, [&](const idx_entry&, std::uint32_t, const record_version& version) {
            if (oldest) walked.complete = version.header.b11 == kInterviewComplete;
            oldest = false;
            for (const record_variable& variable : version.variables) {
                walked_variable* into = nullptr;
                for (walked_variable& known : walked.variables)
                    if (known.roster == variable.roster && known.name == variable.name) into = &known;
                if (!into) into = &walked.variables.emplace_back(walked_variable{variable.name, variable.roster, {}});
                into->values.assign(variable.values.begin(), variable.values.end());
            }
            return true;
        });
        if (status != study_status::ok) return failed(status);
        if (!visit(walked)) return {};
    }
}

}  // namespace oc
