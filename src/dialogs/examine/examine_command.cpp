#include "dialogs/examine/examine_command.h"

#include <QFile>
#include <QList>
#include <QStringList>

#include "engines/extract/drivers.h"
#include "ui/widgets/openend_question_list.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"
#include "ui/sheet/examine_prop_sheet.h"
#include "ui/sheet/questions_filter_page.h"
#include "ui/sheet/respondents_filter_page.h"
#include "dialogs/examine/print_openend_options.h"
#include "dialogs/examine/print_openends_view.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

namespace {

void PrintOpenendListing(const QStringList& names, const QList<quint16>& types, const CQuestionsFilterPage& questions,
                         const CRespondentsFilterPage& respondents, const QString& file_a, const QString& file_b,
                         const QString& coder_list, const QString& coder_list_backup, const QString& base_path,
                         const oc::listing_options& options) {
    oc::examine_job job;
    for (int i = 0; i < names.size(); ++i) {
        job.catalogue.names.push_back(to_native_bytes(names[i]));
        job.catalogue.types.push_back(static_cast<std::int16_t>(types[i]));
    }
    for (quint16 flag : questions.selected()) job.selected.push_back(flag != 0);
    job.respondents = respondents.choice();
    job.options = options;

    // Never half a merge: a merge running now finishes first.
    oc::study_read_session reading;
    if (!open_study_for_reading(to_native_bytes(base_path), reading)) return;
    bool written = false;
    {
        wait_cursor busy;
        written = job.write_listing({to_native_bytes(file_a), to_native_bytes(file_b), to_native_bytes(coder_list),
                                     to_native_bytes(coder_list_backup)});
    }
    if (!written) {
        show_message(oc::IDS_LISTING_WRITE_ERROR, box_style::exclamation);
        return;
    }
    reading.close();  // not held while the listing is looked at
    CPrintOpenendsView view(from_native_bytes(job.listing_path()), base_path);
    view.OnFilePrint();
}

}  // namespace

void run_examine(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list,
                 const QString& coder_list_backup, const QString& base_path) {
    run_reporting_failures([&] {
        QStringList names;
        QList<quint16> types;
        if (!list_openend_questions(label_path, names, types)) return;
        CQuestionsFilterPage questions(names, types);
        CRespondentsFilterPage respondents(1);
        {
            CExaminePropSheet sheet(ui_string(oc::IDS_EXAMINE_CAPTION));
            sheet.AddPage(&questions);
            sheet.AddPage(&respondents);
            if (run_modal(sheet) != QDialog::Accepted) return;
        }
        oc::listing_options options;
        {
            CPrintOpenendOptions dialog;
            if (run_modal(dialog) != QDialog::Accepted) return;
            options = dialog.options();
        }
        PrintOpenendListing(names, types, questions, respondents, file_a, file_b, coder_list, coder_list_backup,
                            base_path, options);
    });
}

}  // namespace oc_ui
