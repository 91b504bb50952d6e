#include <QList>
#include <QStringList>
#include <gtest/gtest.h>

#include "ui/widgets/openend_question_list.h"
#include "test_support.h"

namespace {

TEST(OpenendQuestionList, NamesAndSignExtendedTypesInLabelOrder) {
    octest::ScratchDir dir;
    octest::write_bytes(dir.file("S.lbl"), "Q4\t1\t1\tWhere?\r\nQ1\t7\t0\tWhy?\r\nQ2\t2\t0\tWhich?\r\n");
    QStringList names{QStringLiteral("stale")};
    QList<quint16> types{99};
    EXPECT_EQ(1, oc_ui::GetOpenendQuestionList(QString::fromStdString(dir.file("S.lbl")), names, types));
    EXPECT_EQ((QStringList{QStringLiteral("Q4"), QStringLiteral("Q1")}), names);
    EXPECT_EQ((QList<quint16>{1, 7}), types);

    EXPECT_EQ(1, oc_ui::GetOpenendQuestionList(QString::fromStdString(dir.file("missing.lbl")), names, types));
    EXPECT_TRUE(names.isEmpty());
    EXPECT_TRUE(types.isEmpty());
}

}  // namespace
