#include "prepare/prepare_command.h"

#include <QCoreApplication>
#include <QList>
#include <QProgressDialog>
#include <QStringList>
#include <memory>

#include "extract/drivers.h"
#include "extract/openend_question_list.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "prepare/cati_coder_params_page.h"
#include "prepare/choose_coder_file_name.h"
#include "prepare/examine_prop_sheet.h"
#include "prepare/qcode_filter_page.h"
#include "prepare/respondents_filter_page.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"
#include "suite/error_library.h"

namespace oc_ui {

namespace {

// What the code filter page chose, as the engine's question list.
oc::quest_list coder_questions(const QStringList& names, const QList<quint16>& types,
                               const QVector<oc::CQCodeSpec>& specs) {
    oc::openend_catalogue catalogue;
    for (int i = 0; i < names.size(); ++i) {
        catalogue.names.push_back(to_native_bytes(names[i]));
        catalogue.types.push_back(static_cast<std::int16_t>(types[i]));
    }
    return oc::build_coder_questions(catalogue, std::vector<oc::CQCodeSpec>(specs.begin(), specs.end()));
}

// Creates the coder data file; true when it was created and listed.
bool CreateCoderDataFile(const QStringList& names, const QList<quint16>& types, const CQCodeFilterPage& codes,
                         const CRespondentsFilterPage& respondents, const QString& file_a, const QString& file_b,
                         const QString& coder_list, const QString& coder_list_backup, const QString& base_path) {
    oc::quest_list questions = coder_questions(names, types, codes.specs());
    oc::extract_request request;
    oc::apply_respondent_choice(request, respondents.choice());
    request.questions = &questions;
    request.question_count = static_cast<std::int16_t>(questions.size());
    QString chosen;
    if (!choose_coder_file_name(oc::IDS_CODER_FILE_FILTER, base_path, chosen, false)) return false;
    request.coder_path = to_native_bytes(chosen);
    if (request.coder_path.size() > oc::kMaxPathLength) {
        show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
        return false;
    }

    QProgressDialog progress(QStringLiteral("Extracting answers..."), QString(), 0, 0);
    progress.setObjectName(QStringLiteral("extractionProgress"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    auto report = [&](int question, long respondents_done) {
        if (respondents_done % 200 != 0) return;
        progress.setLabelText(QStringLiteral("Question %1 of %2: %3 respondents read")
                                  .arg(question + 1)
                                  .arg(questions.size())
                                  .arg(respondents_done));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    auto confirm = [] {
        return show_message(oc::IDS_DUPLICATE_CODING, box_style::question_ok_cancel) == box_answer::ok;
    };
    oc::study_files files{to_native_bytes(file_a), to_native_bytes(file_b), to_native_bytes(coder_list),
                          to_native_bytes(coder_list_backup)};
    oc::prepare_result result;
    {
        wait_cursor busy;
        result = oc::create_coder_data_file(request, files, confirm, report);
    }
    progress.close();
    if (result.message == oc::IDS_CODER_WRITE_ERROR)
        show_message(result.message, box_style::exclamation);
    else if (result.message == oc::IDS_NO_QUALIFIED_DATA)
        show_message(result.message, box_style::information);
    return result.created;
}

}  // namespace

void run_prepare(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list,
                 const QString& coder_list_backup, const QString& base_path) {
    try {
        const QString title = ui_string(oc::IDS_PREPARE_CAPTION);
        QStringList names;
        QList<quint16> types;
        GetOpenendQuestionList(label_path, names, types);
        if (names.isEmpty()) {
            show_message(oc::IDS_NO_OPENEND_DATA, box_style::information);
            return;
        }
        // These two keep what the user entered when the sheet is shown again.
        CRespondentsFilterPage respondents(0);
        CCatiCoderParamsPage cati;
        for (;;) {
            CQCodeFilterPage codes(names, types);
            bool confirmed = false;
            {
                CExaminePropSheet sheet(title);
                sheet.AddPage(&codes);
                sheet.AddPage(&respondents);
                sheet.AddPage(&cati);
                confirmed = run_modal(sheet) == QDialog::Accepted;
            }
            if (!confirmed) return;
            int with_action = 0;
            for (const oc::CQCodeSpec& spec : codes.specs())
                if (spec.action != 0 && ++with_action == 2) break;
            if (with_action == 2 && respondents.choice().respondents == 2) {
                show_message(oc::IDS_FIXED_NUMBER_ONE_QUESTION, box_style::none);
                continue;
            }
            if (with_action == 0) return;
            if (CreateCoderDataFile(names, types, codes, respondents, file_a, file_b, coder_list, coder_list_backup,
                                    base_path))
                show_message(oc::IDS_CODER_FILE_CREATED, box_style::information);
            return;
        }
    } catch (const oc::CHalvexException& error) {
        error.DisplayErrorMessage();
    }
}

}  // namespace oc_ui
