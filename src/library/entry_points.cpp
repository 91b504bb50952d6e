// The exported entry points of libopencoder.so and the library's start-up.
#include "library/opencoder_api.h"

#include "ui/frame/coder_file_lists.h"
#include "ui/frame/library_state.h"
#include "ui/frame/messages.h"
#include "dialogs/coding/code_command.h"
#include "dialogs/merge/merge_command.h"
#include "dialogs/prepare/prepare_command.h"
#include "dialogs/examine/examine_command.h"
#include "dialogs/export/export_command.h"
#include "dialogs/frame/frame_command.h"
#include "dialogs/status/status_report.h"

namespace {

// Runs when the library is loaded. The sound values need nothing here:
// their own definitions make them empty and 0 at load (library_state.cpp),
// and another file's objects must not be touched from a static constructor.
struct library_start_up {
    library_start_up() { oc_ui::install_error_reporter(); }
};
const library_start_up g_start_up;

}  // namespace

// No exception leaves an entry point: the host, calling through C, could
// not catch it and would end. Each call reports it and returns normally.
extern "C" {

void ExamineOpenends(const QString& labelPath, const QString& studyFileA, const QString& studyFileB,
                     const QString& coderListPath, const QString& coderListBackup, const QString& studyBasePath) {
    oc_ui::run_reporting_failures([&] {
        oc_ui::run_examine(labelPath, studyFileA, studyFileB, coderListPath, coderListBackup, studyBasePath);
    });
}

void PrepareCoderSpecs(const QString& labelPath, const QString& studyFileA, const QString& studyFileB,
                       const QString& coderListPath, const QString& coderListBackup, const QString& studyBasePath) {
    oc_ui::run_reporting_failures([&] {
        oc_ui::run_prepare(labelPath, studyFileA, studyFileB, coderListPath, coderListBackup, studyBasePath);
    });
}

void CodeOpenendResponses(const QString& coderListPath, const QString&, const QString&) {
    oc_ui::run_reporting_failures([&] { oc_ui::run_coding(coderListPath); });
}

void MergeCodesIntoDataFile(const QString& indexPath, const QString& dataPath, const QString& coderListPath,
                            const QString& addPath) {
    oc_ui::run_reporting_failures([&] { oc_ui::run_merge(indexPath, dataPath, coderListPath, addPath); });
}

void GetStatusCoderSpecFiles(const QString& coderListPath) {
    // A disagreement in the agreement view opens in the coding dialog.
    oc_ui::run_reporting_failures([&] {
        oc_ui::run_status_report(coderListPath, [&](const QString& coder_path, const oc::answer_key& record) {
            oc_ui::code_record(coderListPath, coder_path, record);
        });
    });
}

void EditCodeFrame(const QString& studyBasePath) {
    oc_ui::run_reporting_failures([&] { oc_ui::run_frame_editor(studyBasePath); });
}

void ExportStudy(const QString& studyBasePath) {
    oc_ui::run_reporting_failures([&] { oc_ui::run_export(studyBasePath); });
}

int GetXxxFileAndStatusLists(const QString& coderListPath, QStringList& names, QByteArray& statuses) {
    int filled = 0;
    oc_ui::run_reporting_failures([&] { filled = oc_ui::fill_file_and_status_lists(coderListPath, names, statuses); });
    return filled;
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
