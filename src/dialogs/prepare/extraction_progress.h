// The progress window of a coder file extraction: how many questions and
// respondents are done, repainted while the engine works (it runs on the
// user-interface thread). It has no Cancel button: a run cannot be stopped
// half way without losing the coder list's consistency.
#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

#include "engines/extract/extract_engine.h"

namespace oc_ui {

class extraction_progress {
public:
    // `questions`: how many the run walks. The window appears once a run has
    // taken `show_after_ms`; short runs never show it.
    explicit extraction_progress(int questions, int show_after_ms = 400);

    // The engine's callback: question being walked (from 0) and respondent
    // calls made for it.
    oc::extract_progress callback();

    // Hides the window, e.g. while the user is asked something; the next
    // report starts timing afresh.
    void pause();

    const QProgressDialog& dialog() const { return dialog_; }

    // "Question 2 of 3: 1200 respondents read"
    static QString text(int question, int questions, long respondents);

private:
    void report(int question, long respondents);

    QProgressDialog dialog_;
    QElapsedTimer running_;
    QElapsedTimer since_repaint_;
    int questions_;
    int show_after_ms_;
};

}  // namespace oc_ui
