// The functions libopencoder.so exports by name, with C linkage. The host
// loads the library at run time and resolves them; it includes this header
// only for the function types and symbol names.
//
// Every call is modal: it runs on the GUI thread of a QApplication, shows
// its dialogs and message boxes, and returns when the last one closes.
// Before the list-based calls (Code, Merge, Status, GetXxx...) the host makes
// the study's directory the current directory: coder data files are opened
// by their bare names.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#if defined(OPENCODER_LIBRARY_BUILD)
#define OPENCODER_API __attribute__((visibility("default")))
#else
#define OPENCODER_API
#endif

extern "C" {

// Examine command: list the open-ended answers of chosen questions.
OPENCODER_API void ExamineOpenends(const QString& labelPath, const QString& studyFileA, const QString& studyFileB,
                                   const QString& coderListPath, const QString& coderListBackup,
                                   const QString& studyBasePath);

// Prepare command: create a coder data file and register it in the coder list.
OPENCODER_API void PrepareCoderSpecs(const QString& labelPath, const QString& studyFileA,
                                     const QString& studyFileB, const QString& coderListPath,
                                     const QString& coderListBackup, const QString& studyBasePath);

// Coding of one coder data file; the second and third arguments are not used.
OPENCODER_API void CodeOpenendResponses(const QString& coderListPath, const QString& unused2,
                                        const QString& unused3);

// Merge of a coder data file's codes into the study's data.
OPENCODER_API void MergeCodesIntoDataFile(const QString& indexPath, const QString& dataPath,
                                          const QString& coderListPath, const QString& addPath);

// Status report of every coder data file of the study.
OPENCODER_API void GetStatusCoderSpecFiles(const QString& coderListPath);

// The code frame editor of the study DIR/NAME: its frame NAME.cfr is
// edited in memory and saved whole on OK; Cancel writes nothing. The study
// directory must be current, as for the list-based calls (deleting a code
// counts the coder files' records that use it).
OPENCODER_API void EditCodeFrame(const QString& studyBasePath);

// The export of the study DIR/NAME as an SPSS, Stata, SAS transport or CSV
// file: format, file, questions and codes only chosen in a dialog, then a
// progress window. Cancel, in either, writes nothing; the study's files are
// never written.
OPENCODER_API void ExportStudy(const QString& studyBasePath);

// The study's coder data files that exist and their status bytes (0 not
// coded, 1 partly, 2 complete, 3 merged). 1 with both lists replaced; 0
// after a message box (710 or 709), both lists left unchanged.
OPENCODER_API int GetXxxFileAndStatusLists(const QString& coderListPath, QStringList& names,
                                           QByteArray& statuses);

// The library-wide sound values, for the host and for tests. The returned
// text stays valid until the next call that sets the value or the unload.
OPENCODER_API const char* OcGetSoundDir(void);
OPENCODER_API void OcSetSoundDir(const char* directory);
OPENCODER_API const char* OcGetSoundPrefix(void);
OPENCODER_API void OcSetSoundPrefix(const char* prefix);
OPENCODER_API int OcGetSoundFoundNo(void);
OPENCODER_API int OcGetSoundChosenNo(void);
OPENCODER_API void OcSetSoundNumbers(int foundNo, int chosenNo);

}  // extern "C"

namespace opencoder_api {

using ExamineOpenendsFn = decltype(&ExamineOpenends);
using PrepareCoderSpecsFn = decltype(&PrepareCoderSpecs);
using CodeOpenendResponsesFn = decltype(&CodeOpenendResponses);
using MergeCodesIntoDataFileFn = decltype(&MergeCodesIntoDataFile);
using GetStatusCoderSpecFilesFn = decltype(&GetStatusCoderSpecFiles);
using EditCodeFrameFn = decltype(&EditCodeFrame);
using ExportStudyFn = decltype(&ExportStudy);
using GetXxxFileAndStatusListsFn = decltype(&GetXxxFileAndStatusLists);
using GetTextFn = decltype(&OcGetSoundDir);
using SetTextFn = decltype(&OcSetSoundDir);
using GetNumberFn = decltype(&OcGetSoundFoundNo);
using SetNumbersFn = decltype(&OcSetSoundNumbers);

}  // namespace opencoder_api
