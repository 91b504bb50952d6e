#include "dialogs/coding/select_sound_file_dlg.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <unistd.h>

#include <algorithm>

#include "dialogs/coding/sound_files.h"
#include "dialogs/coding/sound_player.h"
#include "ui/frame/dialog_style.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/library_state.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "engines/texts/string_table.h"

namespace oc_ui {

namespace {

QRect dialog_rect(const QWidget& widget, int x, int y, int width, int height) {
    const QSize origin = dialog_units(widget, x, y);
    return QRect(QPoint(origin.width(), origin.height()), dialog_units(widget, width, height));
}

QPushButton* make_button(QWidget* parent, const QString& text, const char* name, int y) {
    QPushButton* button = make_push_button(parent, text, QLatin1String(name));
    button->setGeometry(dialog_rect(*parent, 172, y, 50, 14));
    return button;
}

}  // namespace

CSelectSoundFile::CSelectSoundFile(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("selectSoundFileDialog"));
    setWindowTitle(from_native_bytes(g_soundDir));
    setFixedSize(dialog_units(*this, 228, 150));

    m_list = new QListWidget(this);
    use_dialog_style(*m_list);
    m_list->setObjectName(QStringLiteral("soundFileList"));
    m_list->setGeometry(dialog_rect(*this, 6, 6, 160, 138));
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* label = new QLabel(QStringLiteral("Select a &File to Play"), this);
    label->setWordWrap(true);
    label->setBuddy(m_list);
    label->setGeometry(dialog_rect(*this, 172, 6, 50, 16));

    m_play = make_button(this, QStringLiteral("&Play"), "playButton", 58);
    m_stop = make_button(this, QStringLiteral("&Stop"), "stopButton", 76);
    m_delete = make_button(this, QStringLiteral("&Delete"), "deleteButton", 94);
    auto* ok = make_button(this, QStringLiteral("OK"), "okButton", 112);
    ok->setDefault(true);
    auto* cancel = make_button(this, QStringLiteral("Cancel"), "cancelButton", 130);
    m_play->setToolTip(QStringLiteral("Play the selected take (F5)"));
    m_stop->setToolTip(QStringLiteral("Stop playing (F6)"));
    m_play->setShortcut(Qt::Key_F5);
    m_stop->setShortcut(Qt::Key_F6);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &CSelectSoundFile::OnSoundSelChange);
    connect(m_play, &QPushButton::clicked, this, &CSelectSoundFile::OnPlaySound);
    connect(m_stop, &QPushButton::clicked, this, &CSelectSoundFile::OnStopSound);
    connect(m_delete, &QPushButton::clicked, this, &CSelectSoundFile::OnDeleteSound);
    connect(ok, &QPushButton::clicked, this, &CSelectSoundFile::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    set_buttons_enabled(false);
    fill_list();
    m_list->setFocus(Qt::OtherFocusReason);
}

void CSelectSoundFile::fill_list() {
    const QString prefix = from_native_bytes(g_soundPrefix);
    // Only the prefix followed by a take number: a roster's takes share the
    // start of their name with roster 0's and must not show among them.
    const QRegularExpression take_name(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(prefix) + QStringLiteral("[0-9]+\\.wav")));
    QStringList names;
    const QDir directory(from_native_bytes(g_soundDir));
    for (const QString& name : directory.entryList({prefix + QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden))
        if (take_name.match(name).hasMatch()) names.append(name);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    m_list->addItems(names);
    m_list->setCurrentRow(-1, QItemSelectionModel::Clear);
}

QString CSelectSoundFile::selected_name() const {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void CSelectSoundFile::set_buttons_enabled(bool enabled) {
    for (QPushButton* b : {m_stop, m_play, m_delete}) b->setEnabled(enabled);
}

void CSelectSoundFile::OnSoundSelChange() { set_buttons_enabled(!selected_name().isEmpty()); }

void CSelectSoundFile::OnPlaySound() {
    const QString name = selected_name();
    if (name.isEmpty()) return;
    current_sound_player().play(from_native_bytes(g_soundDir) + name);
}

void CSelectSoundFile::OnStopSound() { current_sound_player().stop(); }

void CSelectSoundFile::OnDeleteSound() {
    const QString name = selected_name();
    if (name.isEmpty()) return;
    const QString directory = from_native_bytes(g_soundDir);
    if (show_message(oc::IDS_DELETE_FILE, {directory, name}, box_style::ok_cancel) != box_answer::ok) return;
    if (::unlink(to_native_bytes(directory + name).c_str()) != 0)
        show_message(oc::IDS_DELETE_FAILED, box_style::none);
    // The row goes whether or not the file did.
    delete m_list->selectedItems().first();
    m_list->setCurrentRow(-1, QItemSelectionModel::Clear);
    set_buttons_enabled(false);
}

void CSelectSoundFile::OnOK() {
    const QString name = selected_name();
    if (!name.isEmpty()) g_soundChosenNo = take_number_of(to_native_bytes(name), g_soundPrefix.size());
    accept();
}

}  // namespace oc_ui
