// One question's codes from the study's code frame, for picking a code
// without knowing its number: the codes under their nets, a filter box
// (words narrow by label, digits pick the code of that number) and "New
// code…", which adds a code to the frame file at once.
//
// The panel only offers codes; whoever shows it decides what a chosen code
// does (code_chosen) and where the focus goes when the coder leaves the
// filter (left).
#pragma once

#include <QHash>
#include <QString>
#include <QVector>
#include <QWidget>
#include <string>

#include "engines/frame/code_frame.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace oc_ui {

class frame_panel : public QWidget {
    Q_OBJECT
public:
    explicit frame_panel(QWidget* parent = nullptr);

    // Reads the frame of study `base` (DIR/NAME) and shows `question`'s
    // codes. `command` names the writer in the study's lock while a new
    // code is added. An empty `base` shows no frame and offers no New code.
    void show_question(const std::string& base, const std::string& question, const QString& command);

    // The question has at least one code in the frame.
    bool has_codes() const { return !labels_.isEmpty(); }
    // The label of `code`; null when the frame does not hold it.
    const QString* label_of(int code) const;

    // The panel's controls in tab order: the filter, the codes, New code….
    QLineEdit* filter() const { return filter_; }
    QWidget* codes_view() const;
    QPushButton* new_code_button() const { return new_code_; }
    // Puts the focus in the filter with its text selected.
    void focus_filter();

signals:
    // Return or a double click on a code, or a code just added.
    void code_chosen(int code);
    // Escape in the filter or the list: the coder goes back to the codes.
    void left();
    // The frame was read again (after New code…).
    void frame_changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void apply_filter(const QString& text);
    void step(int delta);
    void choose_current();
    void add_code();

    std::string base_;
    std::string question_;
    QString command_;
    oc::code_frame frame_;
    QHash<int, QString> labels_;
    QStringList nets_;  // in order of first appearance, for the New code dialog

    // Every code's item with what the filter compares: its code and its
    // label folded to lower case once, not per keystroke.
    struct entry {
        QTreeWidgetItem* item;
        int code;
        QString folded;
        bool shown;
        int net;  // index into nets_items_; -1 under no net
    };
    QVector<entry> entries_;
    QVector<QTreeWidgetItem*> nets_items_;
    QVector<bool> nets_shown_;
    QVector<int> visible_;  // indices into entries_, in list order

    QLabel* note_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPushButton* new_code_ = nullptr;
};

}  // namespace oc_ui
