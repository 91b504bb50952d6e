// Finds and loads libopencoder.so at run time and resolves its entry points.
#pragma once

#include <QLibrary>
#include <QString>
#include <QStringList>

#include "library/opencoder_api.h"

namespace menu {

struct entry_points {
    opencoder_api::ExamineOpenendsFn examine = nullptr;
    opencoder_api::PrepareCoderSpecsFn prepare = nullptr;
    opencoder_api::CodeOpenendResponsesFn code = nullptr;
    opencoder_api::MergeCodesIntoDataFileFn merge = nullptr;
    opencoder_api::GetStatusCoderSpecFilesFn status = nullptr;
    opencoder_api::EditCodeFrameFn frame = nullptr;
    opencoder_api::ExportStudyFn export_study = nullptr;
    opencoder_api::GetXxxFileAndStatusListsFn file_lists = nullptr;
    opencoder_api::SetTextFn set_sound_dir = nullptr;
};

// Where to look, in order, for a program in `executable_dir`: the build
// tree's library folder, the program's own folder, ../lib and
// ../lib/opencoder (an installed layout).
QStringList library_candidates(const QString& executable_dir);

class library_loader {
public:
    // Loads `explicit_path` when given, else the first candidate that
    // exists. False with `error()` describing what was tried.
    bool load(const QString& explicit_path, const QString& executable_dir);

    bool loaded() const { return library_.isLoaded(); }
    const entry_points& functions() const { return functions_; }
    QString file_name() const { return library_.fileName(); }
    const QString& error() const { return error_; }

    // Sets the library's sound-file directory as its CATI page would: at
    // most 255 characters, with a '/' appended when it ends in neither '/'
    // nor '\\'. False, with `error()` set, when it is too long or the
    // library is not loaded.
    bool set_sound_directory(const QString& directory);

private:
    bool resolve();

    QLibrary library_;
    entry_points functions_;
    QString error_;
};

}  // namespace menu
