// The exported entry points of libopencoder.so and the library's start-up.
#include "frame/opencoder_api.h"

#include "frame/coder_file_lists.h"
#include "frame/library_state.h"
#include "frame/messages.h"
#include "status/status_report.h"

namespace {

// Runs when the library is loaded. The sound values need nothing here:
// their own definitions make them empty and 0 at load (library_state.cpp),
// and another file's objects must not be touched from a static constructor.
struct library_start_up {
    library_start_up() { oc_ui::install_error_reporter(); }
};
const library_start_up g_start_up;

void show_not_available(const char* command) {
    oc_ui::show_text(QStringLiteral("The %1 command is not available yet.").arg(QLatin1String(command)),
                     oc_ui::box_style::information);
}

void run_examine() { show_not_available("Examine"); }
void run_prepare() { show_not_available("Prepare"); }
void run_coding() { show_not_available("Code"); }
void run_merge() { show_not_available("Merge"); }

}  // namespace

extern "C" {

void ExamineOpenends(const QString&, const QString&, const QString&, const QString&, const QString&,
                     const QString&) {
    run_examine();
}

void PrepareCoderSpecs(const QString&, const QString&, const QString&, const QString&, const QString&,
                       const QString&) {
    run_prepare();
}

void CodeOpenendResponses(const QString&, const QString&, const QString&) { run_coding(); }

void MergeCodesIntoDataFile(const QString&, const QString&, const QString&, const QString&) { run_merge(); }

void GetStatusCoderSpecFiles(const QString& coderListPath) { oc_ui::run_status_report(coderListPath); }

int GetXxxFileAndStatusLists(const QString& coderListPath, QStringList& names, QByteArray& statuses) {
    return oc_ui::fill_file_and_status_lists(coderListPath, names, statuses);
}

const char* OcGetSoundDir(void) { return oc_ui::g_soundDir.c_str(); }
void OcSetSoundDir(const char* directory) { oc_ui::g_soundDir = directory ? directory : ""; }
const char* OcGetSoundPrefix(void) { return oc_ui::g_soundPrefix.c_str(); }
void OcSetSoundPrefix(const char* prefix) { oc_ui::g_soundPrefix = prefix ? prefix : ""; }
int OcGetSoundFoundNo(void) { return oc_ui::g_soundFoundNo; }
int OcGetSoundChosenNo(void) { return oc_ui::g_soundChosenNo; }
void OcSetSoundNumbers(int foundNo, int chosenNo) {
    oc_ui::g_soundFoundNo = foundNo;
    oc_ui::g_soundChosenNo = chosenNo;
}

}  // extern "C"
