#include "open_study.h"

#include <filesystem>

#include "engines/texts/string_table.h"

namespace cli {

bool open_study(const std::string& base_path, const std::string& out, opened_study& study) {
    study.paths = parse_study(base_path);
    // --out names a path as the user sees it, before the study directory is entered.
    study.out = out.empty() ? "" : std::filesystem::absolute(out).string();
    if (!enter_study_directory(study.paths)) return false;
    study.catalogue = oc::load_openend_catalogue(study.paths.labels());
    if (study.catalogue.names.empty()) {
        print_message(oc::IDS_NO_OPENEND_DATA);
        return false;
    }
    return true;
}

bool output_allowed(const std::string& base, const std::string& out, oc::output_kind kind, bool replace) {
    const oc::output_refusal refusal = oc::output_path_refusal(base, out, kind, replace);
    if (!refusal) return true;
    print_error(refusal.text + (refusal.why == oc::output_refusal::exists ? " Use --replace to replace it." : ""));
    return false;
}

}  // namespace cli
