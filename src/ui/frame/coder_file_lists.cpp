#include "ui/frame/coder_file_lists.h"

#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "engines/status/status_job.h"
#include "engines/texts/string_table.h"

namespace oc_ui {

std::optional<oc::coder_file_listing> list_coder_files_reported(const QString& coder_list_path) {
    wait_cursor busy;
    oc::coder_file_listing listing = oc::list_coder_files(to_native_bytes(coder_list_path));
    busy.restore();
    if (int message = oc::listing_message(listing.result); message != 0) {
        show_message(message, box_style::exclamation);
        return std::nullopt;
    }
    return listing;
}

int fill_file_and_status_lists(const QString& coder_list_path, QStringList& names, QByteArray& statuses) {
    std::optional<oc::coder_file_listing> listing = list_coder_files_reported(coder_list_path);
    if (!listing) return 0;
    QStringList listed_names;
    QByteArray listed_statuses;
    listed_names.reserve(qsizetype(listing->names.size()));
    listed_statuses.reserve(qsizetype(listing->statuses.size()));
    for (std::size_t i = 0; i < listing->names.size(); ++i) {
        listed_names.append(from_native_bytes(listing->names[i]));
        listed_statuses.append(char(listing->statuses[i]));
    }
    names = std::move(listed_names);
    statuses = std::move(listed_statuses);
    return 1;
}

bool load_coder_questions(const QString& coder_file_path, oc::loaded_coder_file& loaded) {
    wait_cursor busy;
    const bool ok = oc::load_coder_questions(to_native_bytes(coder_file_path), loaded);
    busy.restore();
    if (!ok) show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
    return ok;
}

bool list_files_to_pick(const QString& coder_list_path, QStringList& names, QByteArray& statuses) {
    if (!fill_file_and_status_lists(coder_list_path, names, statuses)) return false;
    if (names.isEmpty()) {
        show_message(oc::IDS_NO_CODER_FILES, box_style::exclamation);
        return false;
    }
    return true;
}

}  // namespace oc_ui
