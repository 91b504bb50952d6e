#include "library_loader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace menu {

namespace {

const QString kLibraryFile = QStringLiteral("libopencoder.so");

template <typename Function>
bool resolve_one(QLibrary& library, const char* symbol, Function& target, QStringList& missing) {
    target = reinterpret_cast<Function>(library.resolve(symbol));
    if (!target) missing.append(QString::fromLatin1(symbol));
    return target != nullptr;
}

}  // namespace

QStringList library_candidates(const QString& executable_dir) {
    const QDir dir(executable_dir);
    QStringList candidates;
#ifdef OPENCODER_LIBRARY_RELATIVE_DIR
    candidates.append(QDir::cleanPath(dir.filePath(QStringLiteral(OPENCODER_LIBRARY_RELATIVE_DIR)) + u'/' + kLibraryFile));
#endif
    candidates.append(dir.filePath(kLibraryFile));
    candidates.append(QDir::cleanPath(dir.filePath(QStringLiteral("../lib/") + kLibraryFile)));
    candidates.append(QDir::cleanPath(dir.filePath(QStringLiteral("../lib/opencoder/") + kLibraryFile)));
    candidates.removeDuplicates();
    return candidates;
}

bool library_loader::load(const QString& explicit_path, const QString& executable_dir) {
    QString path = explicit_path;
    if (path.isEmpty()) {
        const QStringList candidates = library_candidates(executable_dir);
        for (const QString& candidate : candidates) {
            if (QFileInfo(candidate).isFile()) {
                path = candidate;
                break;
            }
        }
        if (path.isEmpty()) {
            error_ = QStringLiteral("The coder library %1 was not found. Looked in:\n%2\n\nUse --library PATH to name it.")
                         .arg(kLibraryFile, candidates.join(u'\n'));
            return false;
        }
    }
    library_.setFileName(path);
    if (!library_.load()) {
        error_ = QStringLiteral("The coder library %1 could not be loaded:\n%2").arg(path, library_.errorString());
        return false;
    }
    return resolve();
}

bool library_loader::resolve() {
    QStringList missing;
    resolve_one(library_, "ExamineOpenends", functions_.examine, missing);
    resolve_one(library_, "PrepareCoderSpecs", functions_.prepare, missing);
    resolve_one(library_, "CodeOpenendResponses", functions_.code, missing);
    resolve_one(library_, "MergeCodesIntoDataFile", functions_.merge, missing);
    resolve_one(library_, "GetStatusCoderSpecFiles", functions_.status, missing);
    resolve_one(library_, "EditCodeFrame", functions_.frame, missing);
    resolve_one(library_, "ExportStudy", functions_.export_study, missing);
    resolve_one(library_, "GetXxxFileAndStatusLists", functions_.file_lists, missing);
    resolve_one(library_, "OcSetSoundDir", functions_.set_sound_dir, missing);
    if (missing.isEmpty()) return true;
    error_ = QStringLiteral("The coder library %1 lacks: %2").arg(library_.fileName(), missing.join(QStringLiteral(", ")));
    library_.unload();
    functions_ = {};
    return false;
}

bool library_loader::set_sound_directory(const QString& directory) {
    if (!functions_.set_sound_dir) {
        error_ = QStringLiteral("No coder library is loaded to take the sound-file directory.");
        return false;
    }
    constexpr int kMaxDirectory = 255;
    QByteArray bytes = QFile::encodeName(directory);
    if (bytes.size() > kMaxDirectory) {
        error_ = QStringLiteral("The sound-file directory is longer than %1 characters:\n%2").arg(kMaxDirectory).arg(directory);
        return false;
    }
    if (!bytes.isEmpty() && !bytes.endsWith('/') && !bytes.endsWith('\\')) bytes.append('/');
    functions_.set_sound_dir(bytes.constData());
    return true;
}

}  // namespace menu
