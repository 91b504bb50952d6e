// Paths and names cross between Qt strings and the core's byte strings in
// the file system's own encoding.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace oc_ui {

inline std::string to_native_bytes(const QString& text) { return QFile::encodeName(text).toStdString(); }

inline QString from_native_bytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace oc_ui
