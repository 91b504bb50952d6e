#include "ui/frame/choose_coder_file_name.h"

#include <QDir>
#include <QStringList>
#include <filesystem>

#include "coderfile/naming.h"
#include "engines/extract/output_paths.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/resources/ui_strings.h"
#include "ui/tools/file_dlg.h"

namespace oc_ui {

namespace {

// Don't change the current directory: the one chosen above must stay.
constexpr std::uint32_t OFN_NOCHANGEDIR = 0x00000008;

bool pattern_safe(QChar c) {
    if (c.unicode() > 0x7F) return false;
    return c.isLetterOrNumber() || QStringLiteral("_.#@{}!$%&=^~+-").contains(c);
}

QString pattern_name(const QString& study_name) {
    QString name = study_name;
    for (QChar& c : name)
        if (!pattern_safe(c)) c = u'?';
    return name;
}

}  // namespace

QString coder_file_filter(int filter_string, const QString& study_name) {
    QStringList fields = ui_string(filter_string).split(u'|');
    // Fields alternate: description, patterns, description, patterns, ...
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i % 2 == 0) {
            fields[i].replace(QLatin1String("%1"), study_name);
        } else {
            QStringList pieces = fields[i].split(QLatin1String("%1"));
            for (QString& piece : pieces) piece = piece.toUpper();
            fields[i] = pieces.join(pattern_name(study_name));
        }
    }
    return fields.join(u'|') + u'|';
}

int choose_coder_file_name(int filter_string, const QString& base_path, QString& path, bool listing) {
    const std::string base = to_native_bytes(base_path);
    // Taken before the current directory changes below.
    const std::string absolute_base = std::filesystem::absolute(base).string();
    oc::base_path_parts parts = oc::split_base_path(base);
    if (parts.directory.empty() && !base.empty() && base.front() == '/') parts.directory = "/";
    const QString study = from_native_bytes(parts.study);
    // Its result is not used: the dialog lets the user go anywhere anyway.
    if (!parts.directory.empty()) QDir::setCurrent(from_native_bytes(parts.directory));
    const QString proposed = study + u'.' + from_native_bytes(oc::next_free_extension(base, listing));
    const oc::output_kind kind = listing ? oc::output_kind::listing : oc::output_kind::coder_file;
    // The dialog asks before an existing file is replaced; a file of the
    // study, typed by hand, is refused and the dialog shown again.
    for (;;) {
        CFileDlg dialog(false, QString(), QString(), proposed,
                        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, coder_file_filter(filter_string, study));
        if (dialog.DoModal() != IDOK) return 0;
        const QString chosen = dialog.GetPathName();
        if (chosen.isEmpty()) return 0;
        oc::output_refusal refusal = oc::output_path_refusal(absolute_base, to_native_bytes(chosen), kind, true);
        if (!refusal) {
            path = chosen;
            return 1;
        }
        show_text(from_native_bytes(refusal.text), box_style::exclamation);
    }
}

}  // namespace oc_ui
