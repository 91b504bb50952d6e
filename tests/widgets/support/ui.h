// Helpers of the dialog tests: named children, deferred work, images, and
// real key presses to the focused widget (focus moves only in the active window).
#pragma once

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

// Readable QStrings in failure reports.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace octest {

template <typename Widget = QWidget>
Widget* child(const QWidget& parent, const QString& name) {
    auto* widget = parent.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}
template <typename Widget = QWidget>
Widget* child(const QWidget& parent, const char* name) {
    return child<Widget>(parent, QString::fromLatin1(name));
}

// Runs what the pages deferred (validation after a selection change).
inline void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline QImage icon_image(const QIcon& icon) { return icon.pixmap(QSize(16, 16), 1.0).toImage(); }
inline bool same_image(const QIcon& a, const QIcon& b) { return icon_image(a) == icon_image(b); }

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
