// The extraction's progress window: what it says and when it shows.
#include <QLabel>
#include <QProgressDialog>

#include "dialogs/prepare/extraction_progress.h"
#include "prepare_test_support.h"

namespace {

using oc_ui::extraction_progress;

TEST(ExtractionProgress, CountsQuestionsAndRespondentsDone) {
    extraction_progress progress(3, 0);
    EXPECT_FALSE(progress.dialog().isVisible());
    EXPECT_EQ(3, progress.dialog().maximum());
    progress.callback()(1, 250);
    EXPECT_TRUE(progress.dialog().isVisible());
    EXPECT_EQ(1, progress.dialog().value());
    EXPECT_EQ(QStringLiteral("Question 2 of 3: 250 respondents read"), progress.dialog().labelText());
    progress.pause();
    EXPECT_FALSE(progress.dialog().isVisible());
}

TEST(ExtractionProgress, ShortRunsShowNothing) {
    extraction_progress progress(1, 60000);
    for (long respondent = 1; respondent <= 100; ++respondent) progress.callback()(0, respondent);
    EXPECT_FALSE(progress.dialog().isVisible());
    EXPECT_EQ(QStringLiteral("Question 1 of 1: 1 respondents read"), progress.dialog().labelText());
}

}  // namespace
