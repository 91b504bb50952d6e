// Real key presses for the dialog tests, sent to whatever has the focus, as
// a user's keys are. Focus moves for real only in the active window.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace octest {

// Makes `window` the active window; false when it does not become so.
inline bool activate(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Presses `key` in the widget that has the focus.
inline void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// Presses Tab until `target` has the focus; false when it never gets it.
inline bool tab_to(const QWidget* target) {
    for (int i = 0; i < 50 && QApplication::focusWidget() != target; ++i) press(Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

}  // namespace octest
