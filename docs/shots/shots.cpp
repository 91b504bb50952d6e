// Screenshots of the README: the coding dialog with and without a code frame,
// the Coder Main Menu, the group view and the agreement of two coders, drawn on the offscreen
// platform from a copy of the demo study (which is left as it was).
//   opencoder-shots DEMO_DIR LIBRARY OUT_DIR OPENCODER EXAMPLES_DIR
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "coderfile/cursor.h"
#include "coderfile/discovery.h"
#include "dialogs/coding/coding_response_dlg.h"
#include "dialogs/coding/group_view_dlg.h"
#include "dialogs/status/agreement_dlg.h"
#include "engines/groups/answer_groups.h"
#include "engines/groups/code_writes.h"
#include "library_loader.h"
#include "menu_window.h"

namespace {

namespace fs = std::filesystem;

bool save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Record 2 of Q1 ("caffeine!", an answer eight records give) with a code
// typed and the frame filtered by a word.
bool shoot_coding(const QString& out, bool filtered) {
    oc::loaded_coder_file file;
    if (!oc::load_coder_questions("DEMO.001", file) || file.questions.empty()) return false;
    oc::quest_spec& q1 = file.questions[0];
    oc::cursor_ptr cursor(oc::open_coder_cursor("DEMO.001", q1.name));
    if (!cursor) return false;
    oc_ui::CCodingResponseDlg dialog(*cursor, 2, q1, {QStringLiteral("DEMO.001"), "DEMO"});
    if (!dialog.loaded()) return false;
    dialog.resize(980, 600);
    dialog.show();
    QApplication::processEvents();
    dialog.findChild<QLineEdit*>(QStringLiteral("codeBox1"))->setText(QStringLiteral("82"));
    if (filtered) {
        auto* filter = dialog.findChild<QLineEdit*>(QStringLiteral("frameFilter"));
        if (!filter) return false;
        QTest::keyClicks(filter, QStringLiteral("caff"));
    }
    const bool saved = save(dialog, out);
    dialog.reject();  // nothing is saved: the shot only types
    return saved;
}

// Q1's groups with the two largest coded, one record of the fourth coded
// before (partly coded) and a code typed for the third.
bool shoot_groups(const QString& out) {
    oc::loaded_coder_file file;
    if (!oc::load_coder_questions("DEMO.001", file) || file.questions.empty()) return false;
    oc::quest_spec& q1 = file.questions[0];
    auto records = oc::read_question_records("DEMO.001", q1.name);
    if (!records) return false;
    const oc::question_groups grouped = oc::group_answers(*records);
    oc::cursor_ptr cursor(oc::open_coder_cursor("DEMO.001", q1.name));
    std::vector<oc::record_codes> before;
    if (!cursor || grouped.groups.size() < 4 ||
        oc::write_codes(*cursor, q1, {{grouped.groups[3].records.front(), {40}}}, before))
        return false;
    oc_ui::CGroupViewDlg view(*cursor, q1, {QStringLiteral("DEMO.001"), "DEMO"});
    if (!view.loaded()) return false;
    view.resize(980, 600);
    view.show();
    QApplication::processEvents();
    auto* box = view.findChild<QLineEdit*>(QStringLiteral("codeBox1"));
    for (const char* code : {"20", "10"}) {
        box->setText(QLatin1String(code));
        view.apply();
    }
    box->setText(QStringLiteral("50"));
    const bool saved = save(view, out);
    view.reject();
    return saved;
}

// Two coders' files of Q1, coded by answer from the demo's two coding
// files as the README shows, compared in the agreement view.
bool shoot_agreement(const QString& out, const QString& opencoder, const QString& examples) {
    const QList<QStringList> runs = {
        {"prepare", "--study", "DEMO", "--question", "Q1:append:3:3", "--data", "all", "--yes", "--out", "DEMO.002"},
        {"prepare", "--study", "DEMO", "--question", "Q1:append:3:3", "--data", "all", "--yes", "--out", "DEMO.003"},
        {"code", "--study", "DEMO", "--file", "DEMO.002", "--by-answer", examples + "/demo/q1_coder_a.csv"},
        {"code", "--study", "DEMO", "--file", "DEMO.003", "--by-answer", examples + "/demo/q1_coder_b.csv"}};
    for (const QStringList& args : runs)
        if (QProcess::execute(opencoder, args) != 0) return false;
    oc_ui::CAgreementDlg view({QStringLiteral("DEMO.002"), QStringLiteral("DEMO.003")}, "DEMO", {});
    auto* files = view.findChild<QListWidget*>(QStringLiteral("fileChecks"));
    for (int i = 0; i < files->count(); ++i) files->item(i)->setCheckState(Qt::Checked);
    view.findChild<QComboBox*>(QStringLiteral("questionCombo"))->setCurrentText(QStringLiteral("Q1"));
    view.findChild<QPushButton*>(QStringLiteral("compareButton"))->click();
    view.resize(960, 640);
    return save(view, out);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The shots leave the user's own settings (sizes, recent studies) alone.
    QStandardPaths::setTestModeEnabled(true);
    if (argc != 6) {
        std::fprintf(stderr, "usage: opencoder-shots DEMO_DIR LIBRARY OUT_DIR OPENCODER EXAMPLES_DIR\n");
        return 2;
    }
    const fs::path demo = fs::absolute(argv[1]), out = fs::absolute(argv[3]);
    QTemporaryDir scratch;
    for (const auto& entry : fs::directory_iterator(demo))
        if (entry.path().extension() != ".lck") fs::copy_file(entry.path(), fs::path(scratch.path().toStdString()) / entry.path().filename());
    QDir::setCurrent(scratch.path());
    fs::create_directories(out);
    const QString images = QString::fromStdString(out.string());

    bool ok = shoot_coding(images + "/coding-with-frame.png", true);
    menu::library_loader library;
    library.load(QString::fromLocal8Bit(argv[2]), QString());
    menu::menu_window window(library);
    window.resize(900, 420);
    ok = window.open_study(scratch.filePath(QStringLiteral("DEMO"))) && ok;
    settle(1500);  // the progress of each coder file is read in the background
    ok = save(window, images + "/main-menu.png") && ok;

    fs::rename("DEMO.cfr", "DEMO.cfr.aside");
    ok = shoot_coding(images + "/coding-without-frame.png", false) && ok;
    fs::rename("DEMO.cfr.aside", "DEMO.cfr");
    // Last: it writes codes into the copy.
    ok = shoot_groups(images + "/group-view.png") && ok;
    ok = shoot_agreement(images + "/agreement.png", QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5])) && ok;
    return ok ? 0 : 1;
}
