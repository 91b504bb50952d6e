#include "dialogs/prepare/cati_coder_params_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/frame/dialog_units.h"
#include "ui/frame/library_state.h"
#include "ui/frame/path_text.h"
#include "ui/widgets/browse_edit.h"

namespace oc_ui {

namespace {

constexpr int kMaxDirectoryChars = 255;

}  // namespace

CCatiCoderParamsPage::CCatiCoderParamsPage(QWidget* parent) : property_page(QStringLiteral("Sound Files"), parent) {
    setObjectName(QStringLiteral("catiCoderParamsPage"));
    auto* note = new QLabel(QStringLiteral("This option is currently only available for CATI customers.  Please type "
                                           "in a directory for the sound files that you are coding.  (A browse button "
                                           "is available next to the edit box)."),
                            this);
    note->setObjectName(QStringLiteral("catiNote"));
    note->setWordWrap(true);
    edit_ = new SECBrowseDirEdit(this);
    edit_->setObjectName(QStringLiteral("soundDirEdit"));
    // Typing stops at the limit, as in any edit box with one; the page is
    // never left to refuse the text afterwards.
    edit_->setMaxLength(kMaxDirectoryChars);
    edit_->SetOptions(2);
    auto* label = new QLabel(QStringLiteral("&CATI SOUND FILES DIRECTORY"), this);
    label->setObjectName(QStringLiteral("soundDirLabel"));
    label->setBuddy(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addSpacing(dialog_units(*this, 0, 8).height());
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addStretch();
    setMinimumWidth(dialog_units(*this, 310, 0).width());
}

void CCatiCoderParamsPage::OnInitDialog() {
    m_strSoundDir = from_native_bytes(g_soundDir);
    edit_->setText(m_strSoundDir);
    edit_->setFocus(Qt::OtherFocusReason);
}

bool CCatiCoderParamsPage::OnKillActive() {
    m_strSoundDir = with_trailing_separator(edit_->text());
    g_soundDir = to_native_bytes(m_strSoundDir);
    return true;
}

}  // namespace oc_ui
