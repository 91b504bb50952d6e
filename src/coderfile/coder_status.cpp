// How far coding has come, per question and per file.
#include "coderfile/coder_file.h"

namespace oc {

std::uint8_t question_status(const quest_spec& q) {
    if (q.last_record_coded == q.record_count) return status_complete;
    if (q.last_record_coded != 0) return status_partly_coded;
    return status_not_coded;
}

void compute_file_status(coder_spec& spec, const quest_list& questions) {
    if (spec.status == status_merged) return;
    if (questions.empty()) {
        spec.status = status_not_coded;
        return;
    }
    const quest_spec& first = questions.front();
    bool partly = false;
    if (first.last_record_coded == 0 && first.record_count != 0) {
        spec.status = status_not_coded;
        for (std::size_t i = 1; i < questions.size() && !partly; ++i) partly = questions[i].last_record_coded != 0;
    } else if (first.last_record_coded != first.record_count) {
        partly = true;
    } else {
        spec.status = status_complete;
        for (std::size_t i = 1; i < questions.size() && !partly; ++i)
            partly = questions[i].last_record_coded != questions[i].record_count;
    }
    if (partly) spec.status = status_partly_coded;
}

}  // namespace oc
