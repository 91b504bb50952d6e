#include "engines/groups/code_writes.h"

#include <algorithm>
#include <string>

namespace oc {

namespace {

failure record_failure(const char* what, const quest_spec& quest, std::int32_t record) {
    return {std::string("cannot ") + what + " record " + std::to_string(record) + " of " + quest.name, {}, {}};
}

}  // namespace

failure write_codes(coder_cursor& cursor, quest_spec& quest, std::vector<record_codes> writes,
                    std::vector<record_codes>& before) {
    before.clear();
    std::sort(writes.begin(), writes.end(),
              [](const record_codes& a, const record_codes& b) { return a.record < b.record; });
    const int slots = std::clamp<int>(quest.max_codes, 0, kMaxCodes);
    for (const record_codes& write : writes) {
        if (write.codes.size() > static_cast<std::size_t>(slots) ||
            std::any_of(write.codes.begin(), write.codes.end(), [](std::int16_t c) { return c < 1 || c > 9999; }))
            return {"the codes for record " + std::to_string(write.record) + " of " + quest.name +
                        " do not fit the question",
                    {}, {}};
    }
    resp_record record;
    for (const record_codes& write : writes) {
        if (seek_question_record(cursor, write.record, record) != 0) return record_failure("read", quest, write.record);
        record_codes was{write.record, std::vector<std::int16_t>(record.codes.begin(),
                                                                 record.codes.begin() + std::min<int>(record.codes_count, kMaxCodes))};
        record.code_slots = static_cast<std::uint8_t>(slots);
        record.codes.fill(-1);
        std::copy(write.codes.begin(), write.codes.end(), record.codes.begin());
        record.codes_count = static_cast<std::uint8_t>(write.codes.size());
        if (rewrite_current_record(cursor, record) != 0) return record_failure("write", quest, write.record);
        before.push_back(std::move(was));
        if (!write.codes.empty() && write.record > quest.last_record_coded) quest.last_record_coded = write.record;
    }
    return {};
}

group_codes_plan plan_group_codes(const std::vector<question_record>& records, const answer_group& group,
                                  const std::vector<std::int16_t>& codes, std::int32_t shown) {
    group_codes_plan plan;
    for (std::int32_t k : group.records) {
        const question_record& record = records[static_cast<std::size_t>(k - 1)];
        if (record.codes == codes) continue;
        if (k != shown && !record.codes.empty() && plan.coded_otherwise++ == 0) plan.example = &record;
        plan.writes.push_back({k, codes});
    }
    return plan;
}

void coding_history::record(coding_step step) {
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(std::move(step));
    if (steps_.size() > kLevels) steps_.pop_front();
    done_ = steps_.size();
}

failure coding_history::restore(coder_cursor& cursor, quest_spec& quest, const std::vector<record_codes>& codes,
                                std::int32_t last_coded) {
    std::vector<record_codes> replaced;
    if (failure problem = write_codes(cursor, quest, codes, replaced)) return problem;
    quest.last_record_coded = last_coded;
    return {};
}

failure coding_history::undo(coder_cursor& cursor, quest_spec& quest, std::int32_t& shown) {
    if (!can_undo()) return {"there is nothing to undo", {}, {}};
    const coding_step& step = steps_[done_ - 1];
    if (failure problem = restore(cursor, quest, step.before, step.last_coded_before)) return problem;
    shown = step.before.empty() ? 0 : step.before.front().record;
    --done_;
    return {};
}

failure coding_history::redo(coder_cursor& cursor, quest_spec& quest, std::int32_t& shown) {
    if (!can_redo()) return {"there is nothing to redo", {}, {}};
    const coding_step& step = steps_[done_];
    if (failure problem = restore(cursor, quest, step.after, step.last_coded_after)) return problem;
    shown = step.after.empty() ? 0 : step.after.front().record;
    ++done_;
    return {};
}

}  // namespace oc
