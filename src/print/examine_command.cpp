#include "print/examine_command.h"

#include <QFile>
#include <QList>
#include <QStringList>

#include "extract/drivers.h"
#include "extract/openend_question_list.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "frame/study_locks_ui.h"
#include "prepare/examine_prop_sheet.h"
#include "prepare/questions_filter_page.h"
#include "prepare/respondents_filter_page.h"
#include "print/print_openend_options.h"
#include "print/print_openends_view.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

namespace {

// The temporary listing goes whatever happens, a data error included.
struct temporary_listing {
    std::string path;
    ~temporary_listing() {
        if (!path.empty()) QFile::remove(from_native_bytes(path));
    }
};

// The study directory, or the current one for a base path without one,
// made absolute: saving a copy changes the current directory before the
// listing is read and deleted.

void PrintOpenendListing(const QStringList& names, const QList<quint16>& types, const CQuestionsFilterPage& questions,
                         const CRespondentsFilterPage& respondents, const QString& file_a, const QString& file_b,
                         const QString& coder_list, const QString& coder_list_backup, const QString& base_path,
                         const oc::listing_options& options) {
    oc::openend_catalogue catalogue;
    for (int i = 0; i < names.size(); ++i) {
        catalogue.names.push_back(to_native_bytes(names[i]));
        catalogue.types.push_back(static_cast<std::int16_t>(types[i]));
    }
    std::vector<bool> selected;
    for (quint16 flag : questions.selected()) selected.push_back(flag != 0);
    oc::quest_list list = oc::build_listing_questions(catalogue, selected);
    oc::extract_request request;
    oc::apply_respondent_choice(request, respondents.choice());
    request.questions = &list;
    request.question_count = static_cast<std::int16_t>(list.size());
    request.one_line = options.one_line;
    request.show_respondent = options.show_respondent;
    request.show_numbers = options.show_numbers;
    request.strip_numeric = options.strip_numeric;

    // Never half a merge: a merge running now finishes first.
    oc::study_read_session reading;
    if (!open_study_for_reading(to_native_bytes(base_path), reading)) return;
    const std::string temp_directory = oc::listing_temp_directory();
    temporary_listing listing{temp_directory.empty() ? std::string() : oc::make_listing_temp_file(temp_directory)};
    if (listing.path.empty()) {
        show_message(oc::IDS_LISTING_WRITE_ERROR, box_style::exclamation);
        return;
    }
    request.listing_path = listing.path;
    {
        wait_cursor busy;
        oc::extract_responses(request, false, to_native_bytes(file_a), to_native_bytes(file_b),
                              to_native_bytes(coder_list), to_native_bytes(coder_list_backup));
    }
    reading.close();  // not held while the listing is looked at
    CPrintOpenendsView view(from_native_bytes(listing.path), base_path);
    view.OnFilePrint();
}

}  // namespace

void run_examine(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list,
                 const QString& coder_list_backup, const QString& base_path) {
    run_reporting_failures([&] {
        QStringList names;
        QList<quint16> types;
        GetOpenendQuestionList(label_path, names, types);
        if (names.isEmpty()) {
            show_message(oc::IDS_NO_OPENEND_DATA, box_style::information);
            return;
        }
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
