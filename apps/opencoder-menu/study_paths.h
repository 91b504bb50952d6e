// The paths of one study as the host hands them to the library: a base path
// DIR/NAME and the files named after it.
#pragma once

#include <QString>

namespace menu {

struct study_paths {
    QString base;       // DIR/NAME
    QString directory;  // DIR (absolute)
    QString name;       // NAME

    QString label() const { return base + QStringLiteral(".lbl"); }
    QString data() const { return base + QStringLiteral(".DAT"); }    // study file A
    QString index() const { return base + QStringLiteral(".idx"); }   // study file B
    QString coder_list() const { return base + QStringLiteral(".cdl"); }
    QString coder_list_backup() const { return base + QStringLiteral(".cdb"); }
    QString add_file() const { return base + QStringLiteral(".add"); }
};

// From a base path DIR/NAME (made absolute against the current directory).
// A base path that names the label file itself ("DIR/NAME.lbl") is accepted.
study_paths study_from_base(const QString& base_path);

// True when the study's label file exists.
bool study_exists(const study_paths& study);

}  // namespace menu
