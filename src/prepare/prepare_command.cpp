#include "prepare/prepare_command.h"

#include <QList>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>

#include "extract/drivers.h"
#include "extract/openend_question_list.h"
#include "extract/output_paths.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "frame/study_locks_ui.h"
#include "prepare/cati_coder_params_page.h"
#include "prepare/choose_coder_file_name.h"
#include "prepare/examine_prop_sheet.h"
#include "prepare/extraction_progress.h"
#include "prepare/qcode_filter_page.h"
#include "prepare/respondents_filter_page.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

namespace {

// The coding choices as the engine's question list, in catalogue order.
oc::quest_list coder_questions(const QStringList& names, const QList<quint16>& types,
                               const QVector<oc::CQCodeSpec>& specs) {
    oc::openend_catalogue catalogue;
    for (qsizetype i = 0; i < names.size(); ++i) {
        catalogue.names.push_back(to_native_bytes(names[i]));
        catalogue.types.push_back(static_cast<std::int16_t>(i < types.size() ? types[i] : 0));
    }
    return oc::build_coder_questions(catalogue, std::vector<oc::CQCodeSpec>(specs.begin(), specs.end()));
}

int count_actions_up_to_two(const QVector<oc::CQCodeSpec>& specs) {
    int count = 0;
    for (const oc::CQCodeSpec& spec : specs)
        if (spec.action != oc::action_not_coded && ++count == 2) break;
    return count;
}

box_style style_of(int message) {
    return message == oc::IDS_CODER_WRITE_ERROR ? box_style::exclamation : box_style::information;
}

}  // namespace

int CreateCoderDataFile(const QStringList& names, const QList<quint16>& types, const CQCodeFilterPage& codes,
                        const CRespondentsFilterPage& respondents, const QString& file_a, const QString& file_b,
                        const QString& coder_list, const QString& coder_list_backup, const QString& base_path) {
    oc::quest_list questions = coder_questions(names, types, codes.specs());
    oc::extract_request request;
    oc::apply_respondent_choice(request, respondents.choice());
    request.questions = &questions;
    request.question_count = static_cast<std::int16_t>(questions.size());

    // Taken before the file dialog makes the study's directory current.
    const std::string base = std::filesystem::absolute(to_native_bytes(base_path)).string();
    QString chosen;
    if (!choose_coder_file_name(oc::IDS_CODER_FILE_FILTER, base_path, chosen, false)) return 0;
    request.coder_path = to_native_bytes(chosen);
    // The coder file format carries at most 255 characters of path; a longer
    // one is refused, never cut to name some other file.
    if (request.coder_path.size() > oc::kMaxPathLength) {
        show_text(QStringLiteral("The coder data file's path is longer than 255 characters:\n%1").arg(chosen),
                  box_style::exclamation);
        return 0;
    }

    // Writers take turns from here; the name chosen is checked under the
    // lock, as another prepare may have taken it meanwhile. The file
    // dialog asked before an existing file is replaced.
    oc::study_write_session session;
    if (!open_study_for_writing(base, QStringLiteral("prepare"), session)) return 0;
    if (oc::output_refusal refusal =
            oc::output_path_refusal(base, request.coder_path, oc::output_kind::coder_file, true)) {
        show_text(from_native_bytes(refusal.text), box_style::exclamation);
        return 0;
    }

    const oc::study_files files{to_native_bytes(file_a), to_native_bytes(file_b), to_native_bytes(coder_list),
                                to_native_bytes(coder_list_backup)};
    extraction_progress progress(static_cast<int>(questions.size()));
    std::optional<wait_cursor> busy(std::in_place);
    auto confirm = [&] {
        // No wait cursor and no progress window over the question.
        busy.reset();
        progress.pause();
        const bool go_on = show_message(oc::IDS_DUPLICATE_CODING, box_style::question_ok_cancel) == box_answer::ok;
        if (go_on) busy.emplace();
        return go_on;
    };
    const oc::prepare_result result = oc::create_coder_data_file(request, files, confirm, progress.callback());
    busy.reset();
    progress.pause();
    if (result.message == oc::IDS_NO_QUALIFIED_DATA || result.message == oc::IDS_CODER_WRITE_ERROR)
        show_message(result.message, style_of(result.message));
    return result.created ? 1 : 0;
}

void run_prepare(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list,
                 const QString& coder_list_backup, const QString& base_path) {
    // Everything below lives in this frame: an exception leaves through the
    // destructors of the pages and lists, out of memory included.
    run_reporting_failures([&] {
        const QString title = ui_string(oc::IDS_PREPARE_CAPTION);
        QStringList names;
        QList<quint16> types;
        GetOpenendQuestionList(label_path, names, types);
        if (names.isEmpty()) {
            show_message(oc::IDS_NO_OPENEND_DATA, box_style::information);
            return;
        }
        // Built once: they keep what the user entered when the sheet is shown
        // again after message 754.
        CRespondentsFilterPage respondents(0);
        CCatiCoderParamsPage cati;
        for (;;) {
            // A fresh code filter page for every showing: every question
            // starts at Not Coded.
            auto codes = std::make_unique<CQCodeFilterPage>(names, types);
            bool confirmed = false;
            {
                CExaminePropSheet sheet(title);
                sheet.AddPage(codes.get());
                sheet.AddPage(&respondents);
                sheet.AddPage(&cati);
                confirmed = run_modal(sheet) == QDialog::Accepted;
            }
            if (!confirmed) return;
            const int with_action = count_actions_up_to_two(codes->specs());
            if (with_action == 2 && respondents.choice().respondents == 2) {
                show_message(oc::IDS_FIXED_NUMBER_ONE_QUESTION, box_style::none);
                continue;
            }
            if (with_action == 0) return;
            if (CreateCoderDataFile(names, types, *codes, respondents, file_a, file_b, coder_list, coder_list_backup,
                                    base_path))
                show_message(oc::IDS_CODER_FILE_CREATED, box_style::information);
            return;
        }
    });
}

}  // namespace oc_ui
