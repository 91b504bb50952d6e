#include "study_paths.h"

#include <QDir>
#include <QFileInfo>

namespace menu {

study_paths study_from_base(const QString& base_path) {
    QString base = QDir::cleanPath(QDir::current().absoluteFilePath(base_path));
    if (base.endsWith(QStringLiteral(".lbl"), Qt::CaseInsensitive)) base.chop(4);
    const QFileInfo info(base);
    return {base, info.absolutePath(), info.fileName()};
}

bool study_exists(const study_paths& study) { return QFileInfo(study.label()).isFile(); }

}  // namespace menu
