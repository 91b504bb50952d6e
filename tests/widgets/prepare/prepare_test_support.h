// Helpers of the prepare dialog tests: finding named controls, letting
// deferred work run, comparing images.
#pragma once

#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace preptest {

template <typename Widget>
Widget* child(const QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Runs what the pages deferred (validation after a selection change).
inline void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline bool same_image(const QIcon& a, const QIcon& b) {
    return a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
}

// Q1 and Q3 open ends (type 7), Q2 a closed question of type 0 with OTHER
// answers.
inline const QStringList kNames{QStringLiteral("Q1"), QStringLiteral("Q2"), QStringLiteral("Q3")};
inline const QList<quint16> kTypes{7, 0, 7};

}  // namespace preptest
