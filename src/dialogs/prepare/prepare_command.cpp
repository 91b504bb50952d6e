#include "dialogs/prepare/prepare_command.h"

#include <QList>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>

#include "engines/extract/drivers.h"
#include "ui/widgets/openend_question_list.h"
#include "engines/extract/output_paths.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"
#include "dialogs/prepare/cati_coder_params_page.h"
#include "ui/frame/choose_coder_file_name.h"
#include "ui/sheet/examine_prop_sheet.h"
#include "dialogs/prepare/extraction_progress.h"
#include "ui/sheet/qcode_filter_page.h"
#include "ui/sheet/respondents_filter_page.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

namespace {

// The question names and types of the list, as the job's catalogue.
oc::openend_catalogue catalogue_of(const QStringList& names, const QList<quint16>& types) {
    oc::openend_catalogue catalogue;
    for (qsizetype i = 0; i < names.size(); ++i) {
        catalogue.names.push_back(to_native_bytes(names[i]));
        catalogue.types.push_back(static_cast<std::int16_t>(i < types.size() ? types[i] : 0));
    }
    return catalogue;
}

box_style style_of(int message) {
    return message == oc::IDS_CODER_WRITE_ERROR ? box_style::exclamation : box_style::information;
}

}  // namespace

int CreateCoderDataFile(oc::prepare_job& job, const QString& file_a, const QString& file_b, const QString& coder_list,
                        const QString& coder_list_backup, const QString& base_path) {
    // Taken before the file dialog makes the study's directory current.
    const std::string base = std::filesystem::absolute(to_native_bytes(base_path)).string();
    QString chosen;
    if (!choose_coder_file_name(oc::IDS_CODER_FILE_FILTER, base_path, chosen, false)) return 0;
    job.coder_path = to_native_bytes(chosen);
    if (!oc::fits_path_limit(job.coder_path)) {
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
            oc::output_path_refusal(base, job.coder_path, oc::output_kind::coder_file, true)) {
        show_text(from_native_bytes(refusal.text), box_style::exclamation);
        return 0;
    }

    const oc::study_files files{to_native_bytes(file_a), to_native_bytes(file_b), to_native_bytes(coder_list),
                                to_native_bytes(coder_list_backup)};
    extraction_progress progress(static_cast<int>(job.questions_to_code()));
    std::optional<wait_cursor> busy(std::in_place);
    auto confirm = [&] {
        // No wait cursor and no progress window over the question.
        busy.reset();
        progress.pause();
        const bool go_on = show_message(oc::IDS_DUPLICATE_CODING, box_style::question_ok_cancel) == box_answer::ok;
        if (go_on) busy.emplace();
        return go_on;
    };
    const oc::prepare_result result = job.run(files, confirm, progress.callback());
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
        if (!list_openend_questions(label_path, names, types)) return;
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
            oc::prepare_job job;
            job.catalogue = catalogue_of(names, types);
            job.specs.assign(codes->specs().begin(), codes->specs().end());
            job.respondents = respondents.choice();
            switch (job.check_choices()) {
            case oc::prepare_job::refusal::fixed_number_with_two_questions:
                show_message(oc::IDS_FIXED_NUMBER_ONE_QUESTION, box_style::none);
                continue;
            case oc::prepare_job::refusal::nothing_to_code:
            case oc::prepare_job::refusal::sample_with_fixed_number:  // the pages draw no sample
                return;
            case oc::prepare_job::refusal::none:
                break;
            }
            if (CreateCoderDataFile(job, file_a, file_b, coder_list, coder_list_backup, base_path))
                show_message(oc::IDS_CODER_FILE_CREATED, box_style::information);
            return;
        }
    });
}

}  // namespace oc_ui
