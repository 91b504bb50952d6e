// The list of a record's takes, shown when Play finds more than one: the
// coder plays, stops and deletes takes here and picks one with OK.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace oc_ui {

class CSelectSoundFile : public QDialog {
    Q_OBJECT
public:
    explicit CSelectSoundFile(QWidget* parent = nullptr);

    void OnSoundSelChange();
    void OnPlaySound();
    void OnStopSound();
    void OnDeleteSound();
    // With a row selected sets g_soundChosenNo from its take number; ends
    // the dialog with OK either way.
    void OnOK();

private:
    // File names (without directory) of the record's takes, sorted as text.
    void fill_list();
    // The selected row's text; empty when no row is selected.
    QString selected_name() const;
    void set_buttons_enabled(bool enabled);

    QListWidget* m_list = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_delete = nullptr;
};

}  // namespace oc_ui
