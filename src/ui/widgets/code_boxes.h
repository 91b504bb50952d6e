// A question's code boxes: one per code the question takes, in columns of up
// to ten, each as "N:", the box and the label of the code in it. A box takes
// digits only, up to the question's code width and 1..9999; anything else is
// refused with a beep, as in the coding dialog.
#pragma once

#include <QString>
#include <QVector>
#include <QWidget>
#include <cstdint>
#include <vector>

class QLineEdit;

namespace oc_ui {

// What a code box's text amounts to: nothing, a code 1..9999 (spaces
// before it and leading zeros aside), a number that is no code, or
// something other than digits (`digits` keeps its digits alone).
struct code_text {
    enum verdict { empty, code, out_of_range, not_digits } what = empty;
    int value = 0;
    QString digits;
};
code_text judge_code_text(const QString& text);

// Judges `box`'s text and mends a refused one with a beep: a number that is
// no code is cleared, other text keeps only its digits (a change of its own,
// judged again). The verdict on the text as it was.
code_text mend_code_box(QLineEdit& box);

// Codes as a coder reads them in a message or a list: "3, 9".
QString codes_text(const std::vector<std::int16_t>& codes);

class elided_label;
class frame_panel;

class code_boxes : public QWidget {
    Q_OBJECT
public:
    // `max_codes` boxes (0..30) of `code_width` digits (1..4).
    code_boxes(int max_codes, int code_width, QWidget* parent = nullptr);

    // Labels come from `panel`; a code chosen there goes into the first
    // empty box, and leaving the panel comes back to the boxes.
    void attach(frame_panel& panel);

    // The codes in the boxes, in box order, empty boxes left out.
    std::vector<std::int16_t> codes() const;
    // Shows `codes` from box 1 on, the other boxes empty.
    void set_codes(const std::vector<std::int16_t>& codes);

    // `code` into the first empty box, then the focus on the next empty
    // one. A code wider than the question's width, or no empty box, beeps.
    void put_code(int code);

    int count() const { return static_cast<int>(boxes_.size()); }
    QLineEdit* box(int index) const { return boxes_[index]; }
    // The first empty box, or box 1 when all hold a code.
    void focus_empty();
    // Box 1 with its text selected.
    void focus_first();

private:
    void judge(int slot);
    void show_meaning(int slot);

    int width_;
    frame_panel* panel_ = nullptr;
    QVector<QLineEdit*> boxes_;
    QVector<elided_label*> meanings_;
};

}  // namespace oc_ui
