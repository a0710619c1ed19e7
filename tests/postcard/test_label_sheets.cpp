#include "errors.h"
#include "label_sheets.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velta;

TEST(LabelSheets, TheCommonSheetsFitA4AndLieSideBySide) {
    const QVector<LabelSheet> sheets = builtInLabelSheets();
    QList<int> counts;
    for (const LabelSheet& sheet : sheets) {
        counts.append(sheet.perSheet());
        EXPECT_EQ(labelSheetProblem(sheet), "") << sheet.name.toStdString();
        EXPECT_TRUE(QRectF(0, 0, 210, 297).contains(sheet.labelRect(sheet.perSheet() - 1)));
        EXPECT_FALSE(sheet.labelRect(0).intersects(sheet.labelRect(1).adjusted(0.01, 0, 0, 0)));
    }
    EXPECT_EQ(counts, QList<int>({12, 18, 21, 24}));
    LabelSheet wide = sheets[0];
    wide.left = 40;
    EXPECT_EQ(labelSheetProblem(wide), wide.name + ": ラベルが用紙からはみ出します");
    LabelSheet tight = sheets[3];
    tight.pitchY = 30;
    EXPECT_EQ(labelSheetProblem(tight),
              tight.name + ": ラベルの間隔がラベルより小さく、ラベルが重なります");
}

TEST(LabelSheets, TheUsersFileIsWrittenOnceReadAsEditedAndABrokenOneIsRefused) {
    QTemporaryDir folder;
    const QString file = folder.filePath("VELTA/label-sheets.json");
    EXPECT_EQ(loadLabelSheets(file), builtInLabelSheets()); // first use: written, to edit
    ASSERT_TRUE(QFile::exists(file));
    QVector<LabelSheet> edited = builtInLabelSheets();
    edited[3].top = 13.5;
    edited[3].name = "うちのラベル 24面";
    saveLabelSheets(edited, file);
    EXPECT_EQ(loadLabelSheets(file), edited);

    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("[{\"name\": \"A4\", \"columns\": 3, \"rows\": 8, \"labelWidth\": 70, "
                 "\"labelHeight\": 40, \"pitchX\": 70, \"pitchY\": 40, \"top\": 0}]");
    broken.close();
    try {
        loadLabelSheets(file);
        ADD_FAILURE() << "a sheet running off the paper was read";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().contains("A4: ラベルが用紙からはみ出します"))
            << error.message().toStdString();
        EXPECT_TRUE(error.message().contains(file)) << error.message().toStdString();
    }
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{not json");
    broken.close();
    EXPECT_THROW(loadLabelSheets(file), DbError);
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "{not json"); // nothing replaced
}
