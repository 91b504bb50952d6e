// opencoder-menu: the host of the coder library.
//   opencoder-menu [--library PATH] [--list] [DIR/NAME]
// Without DIR/NAME the window opens the study opened last (else the demo).
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "library_loader.h"
#include "menu_window.h"

namespace {

// --list: the study's coder files and status bytes, one per line, for
// scripts; no window.
int print_coder_files(menu::library_loader& library, const QString& base_path) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!library.loaded()) {
        err << library.error() << Qt::endl;
        return 2;
    }
    const menu::study_paths study = menu::study_from_base(base_path);
    if (!menu::study_exists(study)) {
        err << "No study at " << study.base << ": its label file " << study.label() << " does not exist." << Qt::endl;
        return 1;
    }
    if (!QFileInfo(study.coder_list()).isFile()) return 0;
    QDir::setCurrent(study.directory);
    QStringList names;
    QByteArray statuses;
    if (library.functions().file_lists(study.coder_list(), names, statuses) == 0) return 1;
    for (qsizetype i = 0; i < names.size(); ++i)
        out << names[i] << '\t' << int(static_cast<unsigned char>(statuses[i])) << Qt::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("opencoder-menu"));
    QApplication::setApplicationDisplayName(QStringLiteral("Coder Main Menu"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Coder Main Menu: prepare, code, merge and report open ends."));
    parser.addHelpOption();
    const QCommandLineOption library_option(QStringLiteral("library"),
                                            QStringLiteral("Load the coder library from PATH."),
                                            QStringLiteral("PATH"));
    const QCommandLineOption list_option(QStringLiteral("list"),
                                         QStringLiteral("Print the study's coder files and their status, then exit."));
    const QCommandLineOption sound_option(QStringLiteral("sound-dir"),
                                          QStringLiteral("Start with DIR as the CATI sound-file directory, as if "
                                                         "typed on the Sound Files page of Prepare."),
                                          QStringLiteral("DIR"));
    parser.addOption(library_option);
    parser.addOption(list_option);
    parser.addOption(sound_option);
    parser.addPositionalArgument(QStringLiteral("study"), QStringLiteral("Study base path DIR/NAME."),
                                 QStringLiteral("[DIR/NAME]"));
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    const QString base_path = positional.isEmpty() ? QStringLiteral(OPENCODER_DEMO_STUDY) : positional.first();

    menu::library_loader library;
    library.load(parser.value(library_option), QCoreApplication::applicationDirPath());

    if (parser.isSet(list_option)) return print_coder_files(library, base_path);

    menu::menu_window window(library);
    window.show();
    if (!library.loaded())
        window.report_problem(library.error());
    else if (parser.isSet(sound_option) && !library.set_sound_directory(parser.value(sound_option)))
        window.report_problem(library.error());
    // Each morning the study of the day before, when it is still there.
    const QStringList recent = menu::recent_studies();
    if (positional.isEmpty() && !recent.isEmpty() && menu::study_exists(menu::study_from_base(recent.first())))
        window.open_study(recent.first());
    else
        window.open_study(base_path);
    return QApplication::exec();
}
