#include "dialogs/prepare/extraction_progress.h"

#include <QCoreApplication>

namespace oc_ui {

namespace {

// Repainting more often than this only slows the extraction down.
constexpr qint64 kRepaintIntervalMs = 50;

}  // namespace

extraction_progress::extraction_progress(int questions, int show_after_ms)
    : questions_(questions), show_after_ms_(show_after_ms) {
    dialog_.setObjectName(QStringLiteral("extractionProgress"));
    dialog_.setWindowTitle(QStringLiteral("Prepare Coder Data"));
    dialog_.setCancelButton(nullptr);
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    // Shown by report() when the run lasts, not by QProgressDialog's own guess.
    dialog_.setMinimumDuration(INT_MAX);
    dialog_.setRange(0, questions);
    dialog_.setValue(0);
    dialog_.hide();
}

QString extraction_progress::text(int question, int questions, long respondents) {
    return QStringLiteral("Question %1 of %2: %3 respondents read").arg(question + 1).arg(questions).arg(respondents);
}

oc::extract_progress extraction_progress::callback() {
    return [this](int question, long respondents) { report(question, respondents); };
}

void extraction_progress::pause() {
    dialog_.hide();
    running_.invalidate();
}

void extraction_progress::report(int question, long respondents) {
    if (!running_.isValid()) {
        running_.start();
        since_repaint_.invalidate();
    }
    if (since_repaint_.isValid() && since_repaint_.elapsed() < kRepaintIntervalMs) return;
    since_repaint_.start();
    dialog_.setLabelText(text(question, questions_, respondents));
    dialog_.setValue(question);
    if (!dialog_.isVisible() && running_.elapsed() >= show_after_ms_) dialog_.show();
    // Repaint only: clicks and keys wait until the run is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace oc_ui
