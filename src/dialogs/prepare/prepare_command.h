// The Prepare command: the user chooses questions with their coding
// parameters, respondents and the CATI sound folder on a property sheet, and
// a new coder data file is extracted and listed in the coder list file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "engines/extract/drivers.h"

namespace oc_ui {

// PrepareCoderSpecs. Paths as the host passes them: study label file, study
// files A (.DAT) and B (.idx), coder list file, its backup name, study base
// path DIR/NAME. Every outcome and failure is shown to the user (messages
// 745, 754, 712, 743, 708, 740, or the error library's message); nothing is
// thrown.
void run_prepare(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list,
                 const QString& coder_list_backup, const QString& base_path);

// Names the new coder data file and extracts it from the job's choices,
// asking (712) before answers already in coder files are extracted again;
// shows 743 or 708 on failure. 1 when a file was created and listed, 0
// otherwise (also when the user cancels the naming or declines 712).
// Throws CHalvexException for the data library's errors and lack of memory.
int CreateCoderDataFile(oc::prepare_job& job, const QString& file_a, const QString& file_b, const QString& coder_list,
                        const QString& coder_list_backup, const QString& base_path);

}  // namespace oc_ui
