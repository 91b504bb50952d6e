#include "prepare/cati_coder_params_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "frame/library_state.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "widgets/browse_edit.h"

namespace oc_ui {

namespace {
constexpr int kMaxDirectoryChars = 255;
}

CCatiCoderParamsPage::CCatiCoderParamsPage(QWidget* parent) : property_page(QStringLiteral("Sound Files"), parent) {
    setObjectName(QStringLiteral("catiCoderParamsPage"));
    auto* note = new QLabel(QStringLiteral("This option is currently only available for CATI customers.  Please type "
                                           "in a directory for the sound files that you are coding.  (A browse button "
                                           "is available next to the edit box)."),
                            this);
    note->setWordWrap(true);
    edit_ = new SECBrowseDirEdit(this);
    edit_->SetOptions(2);
    auto* label = new QLabel(QStringLiteral("&CATI SOUND FILES DIRECTORY"), this);
    label->setBuddy(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addStretch();
}

void CCatiCoderParamsPage::showEvent(QShowEvent* event) {
    property_page::showEvent(event);
    edit_->setText(from_native_bytes(g_soundDir));
}

bool CCatiCoderParamsPage::OnKillActive() {
    QString directory = edit_->text();
    if (directory.size() > kMaxDirectoryChars) {
        show_text(QStringLiteral("Enter no more than 255 characters."), box_style::exclamation);
        edit_->setFocus();
        return false;
    }
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/')) && !directory.endsWith(QLatin1Char('\\')))
        directory += QLatin1Char('/');
    g_soundDir = to_native_bytes(directory);
    return true;
}

}  // namespace oc_ui
