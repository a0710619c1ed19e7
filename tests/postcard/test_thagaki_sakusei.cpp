#include "composition.h"
#include "detail_store.h"
#include "dm.h"
#include "label_sheets.h"
#include "page_renderer.h"
#include "postal_dictionary.h"
#include "preview_window.h"
#include "recipient_filter_bar.h"
#include "recorded_boxes.h"
#include "string_grid.h"
#include "test_database.h"
#include "thagaki_sakusei.h"
#include "when_shown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace velta;
using velta::test::TestDatabase;

namespace {

class PostcardWindow : public ::testing::Test {
protected:
    PostcardWindow() : dm(database.connect()), window(*dm) {
        window.prepare();
        window.show();
        TfrxReport::setPreviewer(
            [this](const QVector<PreparedPage>& pages, const QStringList& warnings) {
                previewed = pages;
                previewWarnings = warnings;
                ++previews;
                return printedByPreview; // what the user printed from it
            });
    }
    ~PostcardWindow() override { TfrxReport::setPreviewer({}); }

    void add(const QString& surname, const QString& given, const QString& reading,
             const QString& postal, const QString& address1 = "東京都", const QString& joint1 = "",
             const QString& joint2 = "") {
        TIBQuery& q = dm->IBQuery1;
        q.Clear();
        q.Add("insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, RENMEI1, "
              "RENMEI2, MEMO)");
        q.Add("values (0, :N, :G, :H, :P, :J, :R1, :R2, 'メモ')");
        q.setString("N", surname);
        q.setString("G", given);
        q.setString("H", reading);
        q.setString("P", postal);
        q.setString("J", address1);
        q.setString("R1", joint1);
        q.setString("R2", joint2);
        q.ExecSQL();
        dm->close();
    }
    QStringList column(int c) const {
        QStringList cells;
        for (int r = 1; r < window.SGrid1->RowCount(); ++r)
            if (!window.SGrid1->cell(0, r).isEmpty())
                cells.append(window.SGrid1->cell(c, r));
        return cells;
    }
    static TextBox box(const PreparedPage& page, const QString& name) {
        for (const TextBox& b : page.boxes())
            if (b.Name == name)
                return b;
        throw std::runtime_error("no box");
    }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        const QRect cell = window.SGrid1->visualRect(window.SGrid1->model()->index(row, 5));
        QTest::mouseClick(window.SGrid1->viewport(), button, {}, cell.center());
    }

    velta::test::RecordedBoxes boxes;
    TestDatabase database;
    std::unique_ptr<TDM> dm;
    Thagaki_sakusei window;
    QVector<PreparedPage> previewed;
    QStringList previewWarnings;
    int previews = 0;
    QList<int> printedByPreview;
};

} // namespace

TEST_F(PostcardWindow, VisitSetsTheDefaults) {
    EXPECT_EQ(window.windowTitle(), "ハガキ作成");
    EXPECT_EQ(window.size(), QSize(884, 682)); // the form and the filters below it
    EXPECT_EQ(window.ComboBox1->currentText(), "20");
    EXPECT_EQ(window.ComboBox2->currentText(), "10");
    EXPECT_EQ(window.ComboBox3->currentText(), "HGP明朝E");
    EXPECT_EQ(window.ComboBox6->currentText(), "7");
    EXPECT_EQ(window.ComboBox8->currentText(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(window.ComboBox1->count(), 19);
    EXPECT_EQ(window.ComboBox1->itemText(0), "7");
    EXPECT_EQ(window.SGrid1->RowCount(), 30);
    EXPECT_TRUE(window.RadioButton1->isChecked());
}

TEST_F(PostcardWindow, FillCountsSpacingAndOrder) {
    window.Button2->click();
    EXPECT_EQ(window.SGrid1->RowCount(), 30);
    add("山田", "太郎", "やまだ", "100-0001", "");
    add("佐藤", "", "さとう", "123");
    add("無読み", "", "", "1000001");
    add("", "無姓", "むせい", "1000001");
    add("佐藤二", "", "さとう", "");
    window.Button2->click();
    QStringList equalReadings = column(5).mid(0, 2);
    equalReadings.sort();
    EXPECT_EQ(equalReadings,
              QStringList({"佐藤", "佐藤二"})); // equal readings adjacent, either order
    EXPECT_EQ(column(10), QStringList({"さとう", "さとう", "やまだ"}));
    EXPECT_EQ(window.SGrid1->cell(2, 3), " 1  0  0  0  0  0  1 ");
    EXPECT_EQ(window.SGrid1->cell(3, 3), "　");
    window.RadioButton2->setChecked(true);
    window.Button2->click();
    EXPECT_TRUE(column(2).contains(" 　  　  　  　  　  .   "));
    for (int i = 0; i < 20; ++i)
        add(QString("人%1").arg(i), "", QString("ひと%1").arg(i), "");
    window.RadioButton1->setChecked(true);
    window.Edit1->setText("人");
    window.Button2->click();
    EXPECT_EQ(window.SGrid1->RowCount(), 22);
    window.Edit1->setText("人1");
    window.Button2->click();
    EXPECT_EQ(window.SGrid1->RowCount(), 30); // 11 found
}

TEST_F(PostcardWindow, MarksFollowLeftClicksOnlyWithTheCheckBox) {
    add("山田", "太郎", "やまだ", "1000001");
    add("佐藤", "花子", "さとう", "1000002");
    window.Button2->click();
    clickRow(1);
    EXPECT_FALSE(window.SGrid1->marked(0, 1));
    window.CheckBox1->setChecked(true);
    clickRow(1);
    EXPECT_TRUE(window.SGrid1->marked(6, 1));
    EXPECT_FALSE(window.SGrid1->marked(7, 1));
    clickRow(2, Qt::RightButton);
    EXPECT_FALSE(window.SGrid1->marked(0, 2));
    window.hide();
    window.prepare();
    window.show();
    EXPECT_TRUE(window.SGrid1->marked(0, 1)); // marks survive a new visit
    clickRow(1);
    EXPECT_FALSE(window.SGrid1->marked(0, 1));
    clickRow(2);
    window.Button2->click();
    EXPECT_FALSE(window.SGrid1->marked(0, 2)); // a fill clears the marks
}

TEST_F(PostcardWindow, SteppersAndDigitFilters) {
    window.SpeedButton1->click();
    EXPECT_EQ(window.Edit2->text(), "-1");
    window.SpeedButton3->click();
    EXPECT_EQ(window.Edit3->text(), "1");
    window.Edit4->clear();
    velta::test::typeText(window.Edit4, "1-a2");
    EXPECT_EQ(window.Edit4->text(), "12");
    window.ComboBox1->setEditText("");
    velta::test::typeText(window.ComboBox1->lineEdit(), "a1b5");
    EXPECT_EQ(window.ComboBox1->currentText(), "15");
    velta::test::typeText(window.ComboBox3->lineEdit(), "x");
    EXPECT_TRUE(window.ComboBox3->currentText().endsWith("x"));
}

TEST_F(PostcardWindow, CompositionPlacesNamesJointNamesAndDigits) {
    add("山田", "太郎", "あ", "100-0001", "東京都1-2-3", "花子", "");
    add("佐藤", "", "い", "", "大阪府");
    add("鈴木", "一郎", "う", "1234567", "京都府", "", "次郎");
    add("田中", "", "え", "7654321", "奈良県", "連名1", "");
    database.execute("insert into MST_SASIDASI (KEY1, NAMAE, NAMAE2, YUBINNO, JYUSYO, RENMEI1) "
                     "values (1, '差出', 'ﾀﾛｳ', '530-0001', '大阪府1-1', '妻')");
    window.RadioButton2->setChecked(true);
    window.Button2->click();
    window.Edit2->setText("4");
    window.Edit3->setText("-4");
    window.CheckBox2->setChecked(true);
    window.ComboLayout->setCurrentIndex(1); // 従来の配置: the template's places
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 4);
    const PreparedPage& first = previewed[0];
    EXPECT_EQ(box(first, "Memo4").Left, 170);
    // 姓, 名 and 様 share the right edge their columns start from: one axis.
    auto rightEdge = [&](const char* name) {
        const TextBox b = box(first, name);
        return b.Left + b.Width - b.GapX;
    };
    EXPECT_DOUBLE_EQ(rightEdge("Memo5"), rightEdge("Memo4"));
    EXPECT_DOUBLE_EQ(rightEdge("Memo6"), rightEdge("Memo4"));
    EXPECT_DOUBLE_EQ(rightEdge("Memo14"), rightEdge("Memo12"));
    EXPECT_EQ(box(first, "Memo12").Text, "花子");
    EXPECT_TRUE(box(first, "Memo14").Visible);
    EXPECT_FALSE(box(first, "Memo15").Visible);
    EXPECT_EQ(box(first, "Memo2").Text, "東京都１ー２ー３");
    EXPECT_EQ(box(first, "Memo1").Text, "1");
    EXPECT_EQ(box(first, "Memo24").Text, "1");
    EXPECT_EQ(box(first, "Memo1").Left, 152 + 4);
    EXPECT_EQ(box(first, "Memo1").Top, 10 - 4);
    EXPECT_EQ(box(first, "Memo8").Left, 4); // sender digits stay
    EXPECT_EQ(box(first, "Memo4").FontName, "@HGP明朝E");
    EXPECT_EQ(box(first, "Memo4").fontSize(), 20);
    // Joint names and their honorifics take the addressee's face and size.
    for (const char* joint : {"Memo12", "Memo14"}) {
        EXPECT_EQ(box(first, joint).FontName, box(first, "Memo4").FontName);
        EXPECT_EQ(box(first, joint).fontSize(), box(first, "Memo4").fontSize());
    }
    // Sender: the stored hyphen takes no box, the hyphen box follows CheckBox2.
    QString senderDigits;
    for (const char* name : {"Memo8", "Memo25", "Memo26", "Memo27", "Memo28", "Memo29", "Memo30"})
        senderDigits += box(first, name).Text;
    EXPECT_EQ(senderDigits, "5300001");
    EXPECT_EQ(box(first, "Memo31").Text, "-");
    EXPECT_EQ(box(first, "Memo18").Text, "タロウ");
    EXPECT_EQ(box(first, "Memo9").Text, "大阪府１ー１");
    EXPECT_TRUE(box(first, "Memo16").Visible);
    EXPECT_FALSE(box(first, "Memo17").Visible);

    const PreparedPage& second = previewed[1]; // no given name, no postal code, no joint names
    EXPECT_EQ(box(second, "Memo4").Text, "佐藤");
    EXPECT_EQ(box(second, "Memo5").Text, "");
    EXPECT_EQ(box(second, "Memo4").Left, 130);
    EXPECT_FALSE(box(second, "Memo14").Visible);
    for (const char* name : {"Memo1", "Memo19", "Memo20", "Memo21", "Memo22", "Memo23", "Memo24"})
        EXPECT_EQ(box(second, name).Text, "") << name; // never the placeholder's "."

    const PreparedPage& third = previewed[2]; // joint name 2 only
    EXPECT_EQ(box(third, "Memo12").Text, "");
    EXPECT_FALSE(box(third, "Memo14").Visible);
    EXPECT_EQ(box(third, "Memo13").Text, "次郎");
    EXPECT_TRUE(box(third, "Memo15").Visible);
    EXPECT_EQ(box(third, "Memo4").Left, 170);
    EXPECT_EQ(box(previewed[3], "Memo4").Left, 130); // "連名1" is no joint name

    // TYPE2 differs only where the layouts do.
    window.Edit2->setText("0");
    window.Edit3->setText("0");
    window.Button3->click();
    const QVector<PreparedPage> type1 = previewed;
    window.Button4->click();
    QStringList differing;
    for (int i = 0; i < type1[0].boxCount(); ++i) {
        const TextBox a = type1[0].box(i);
        const TextBox b = previewed[0].box(i);
        if (!a.Visible && !b.Visible)
            continue; // a hidden box keeps whatever an earlier run left
        if (a.Left != b.Left || a.Top != b.Top || a.Text != b.Text || a.Visible != b.Visible)
            differing.append(a.Name);
    }
    differing.sort();
    // The sender's block sits on each layout's own code row.
    EXPECT_EQ(differing,
              QStringList({"Memo1", "Memo10", "Memo11", "Memo16", "Memo18", "Memo19", "Memo20",
                           "Memo22", "Memo23", "Memo24", "Memo25", "Memo26", "Memo27", "Memo28",
                           "Memo29", "Memo30", "Memo31", "Memo8", "Memo9"}));
}

TEST_F(PostcardWindow, TypesettingChoicesReachTheCards) {
    add("山田", "太郎", "やまだ", "1000001", "東京都1-14-3", "", "花子");
    window.Button2->click();
    EXPECT_EQ(window.ComboLayout->currentText(), "標準の配置");
    EXPECT_FALSE(window.ComboKanjiDash->isEnabled());
    window.ComboNumbers->setCurrentText("漢数字");
    EXPECT_TRUE(window.ComboKanjiDash->isEnabled());
    window.ComboKanjiDash->setCurrentText("の");
    window.ComboNameSpacing->setCurrentText("均等割付");
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 1);
    const PreparedPage& card = previewed[0];
    EXPECT_EQ(box(card, "Memo2").Text, "東京都一の十四の三");
    // 連名2 alone takes the first 連名 column; its given name begins where the main one does.
    EXPECT_EQ(box(card, "Memo12").Text, "花子");
    EXPECT_DOUBLE_EQ(box(card, "Memo12").Top, box(card, "Memo5").Top);
    EXPECT_GT(box(card, "Memo4").CharSpacing, 0); // 均等割付 spreads 姓 over its segment
    // A barcode needs the dictionary: without it the card says why it has none.
    window.CheckBarcode->setChecked(true);
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_TRUE(previewed[0].paths.isEmpty());
    EXPECT_TRUE(previewWarnings.join("\n").contains(
        "郵便番号 1000001 は辞書にありません（バーコードは印刷しません）"))
        << previewWarnings.join("\n").toStdString();
    window.CheckBarcode->setChecked(false);
    window.ComboLayout->setCurrentText("従来の配置");
    EXPECT_FALSE(window.ComboNameSpacing->isEnabled());
    window.Button3->click();
    EXPECT_EQ(box(previewed[0], "Memo13").Text, "花子");
    EXPECT_EQ(box(previewed[0], "Memo4").CharSpacing, 0);

    // An envelope: either button makes it, on its paper; its sender only when asked for.
    EXPECT_EQ(window.ComboPaper->count(), 8);
    EXPECT_EQ(window.ComboPaper->itemText(0), "はがき");
    EXPECT_FALSE(window.CheckSenderOnEnvelope->isEnabled());
    window.ComboPaper->setCurrentText("封筒 長形3号");
    ASSERT_TRUE(window.CheckSenderOnEnvelope->isEnabled());
    window.Button4->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_EQ(previewed[0].page.PaperWidth, 120);
    EXPECT_EQ(previewed[0].page.PaperHeight, 235);
    EXPECT_EQ(box(previewed[0], "Memo4").Text, "山田");
    EXPECT_FALSE(box(previewed[0], "Memo9").Visible);
    window.CheckSenderOnEnvelope->setChecked(true);
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_TRUE(box(previewed[0], "Memo9").Visible);
    EXPECT_EQ(previewed[0].page.PaperWidth, 120);

    // A label sheet instead of cards: either button makes the sheet.
    window.ComboPaper->setCurrentText("A4 24面（70 × 33.9 mm）");
    window.Button4->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_EQ(previewed[0].page.PaperWidth, 210);
    EXPECT_EQ(previewed[0].page.PaperHeight, 297);
    EXPECT_EQ(box(previewed[0], "Label1Code").Text, "〒100-0001");
    EXPECT_EQ(box(previewed[0], "Label1Name").Text, "山田　太郎　様\n　　　花子　様");
}

TEST_F(PostcardWindow, TextsThatDoNotFitAreShrunkOrListedForThePreview) {
    add("鈴木", "美智子", "すずき", "1000001", QString("東京都千代田区千代田一丁目").repeated(6));
    window.Button2->click();
    EXPECT_TRUE(window.CheckBoxFit->isChecked());
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_TRUE(previewWarnings.isEmpty()) << previewWarnings.join("\n").toStdString();
    EXPECT_TRUE(box(previewed[0], "Memo2").FitText);

    // Cut, the card would lose characters: it is left out, and the preview says so.
    window.CheckBoxFit->setChecked(false);
    window.Button3->click();
    EXPECT_TRUE(previewed.isEmpty());
    EXPECT_EQ(previewWarnings, QStringList({"鈴木 美智子 様: 住所1 が枠に収まりません"
                                            "（このはがきは作成していません）"}));
    TfrxPreviewWindow preview(previewed, previewWarnings);
    EXPECT_FALSE(preview.warningLabel->isHidden());
    EXPECT_TRUE(preview.warningLabel->text().contains("住所1 が枠に収まりません"));
    window.prepare();
    EXPECT_TRUE(window.CheckBoxFit->isChecked());
}

TEST_F(PostcardWindow, MarkedRowsOnlyAndTheEmptyCases) {
    add("山田", "", "やまだ", "1000001");
    add("佐藤", "花子", "さとう", "1000002");
    window.Button2->click();
    window.CheckBox1->setChecked(true);
    window.Button3->click();
    EXPECT_TRUE(previewed.isEmpty()); // nothing marked
    clickRow(2);
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_EQ(box(previewed[0], "Memo4").Text, "山田"); // a card without given name prints too
    // No sender row: empty sender boxes, hidden sender joint names.
    EXPECT_EQ(box(previewed[0], "Memo11").Text, "");
    EXPECT_FALSE(box(previewed[0], "Memo16").Visible);
    EXPECT_EQ(box(previewed[0], "Memo31").Text, " ");
}

TEST_F(PostcardWindow, CancelledFillOrCompositionKeepsTheGridAndShowsNoPreview) {
    add("山田", "太郎", "やまだ", "1000001");
    window.Button2->click();
    const QStringList before = column(5);
    add("佐藤", "花子", "さとう", "1000002");
    {
        velta::test::PressCancel cancel;
        window.Button2->click();
        EXPECT_TRUE(cancel.pressed());
    }
    EXPECT_EQ(column(5), before);
    {
        velta::test::PressCancel cancel;
        window.Button3->click();
        EXPECT_TRUE(cancel.pressed());
    }
    EXPECT_EQ(previews, 0);
    EXPECT_TRUE(window.frxReport1.PreviewPages().isEmpty());
    window.Button2->click();
    window.Button3->click();
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(previewed.size(), 2);
}

TEST_F(PostcardWindow, CardsAreCheckedAgainstThePostalDictionaryWithoutStoppingThePrint) {
    add("山田", "太郎", "やまだ", "1000005", "東京都千代田区丸の内1-1");
    add("佐藤", "花子", "さとう", "1000005", "大阪府大阪市北区梅田");
    add("鈴木", "", "すずき", "9999999", "東京都千代田区");
    add("田中", "", "たなか", "", "東京都千代田区");
    window.Button2->click();
    window.Button3->click();
    EXPECT_TRUE(previewWarnings.filter("郵便番号").isEmpty()); // no dictionary: nothing to say
    storePostalTowns(*dm, {{"1000005", "東京都", "千代田区", "丸の内", "丸の内"}});
    window.Button2->click();
    window.Button3->click();
    EXPECT_EQ(previewed.size(), 4);
    EXPECT_EQ(previewWarnings.filter("郵便番号"),
              QStringList({"佐藤 花子 様: 郵便番号と住所が一致しません",
                           "鈴木 様: 郵便番号 9999999 は辞書にありません"}));
}

TEST_F(PostcardWindow, InvalidOptionsStopBeforeTheFirstPage) {
    add("山田", "太郎", "やまだ", "1000001");
    window.Button2->click();
    window.ComboBox5->setEditText("");
    QTest::mouseClick(window.Button3, Qt::LeftButton); // through the top-level handler
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("差出人の氏名サイズ"));
    EXPECT_TRUE(previewed.isEmpty());
    window.ComboBox5->setEditText("8");
    window.ComboBox1->setEditText("");
    QTest::mouseClick(window.Button3, Qt::LeftButton);
    EXPECT_EQ(window.ComboBox1->currentText(), "20");
    EXPECT_EQ(previewed.size(), 1);
    // Sizes and shifts a card cannot take are refused before the first page.
    for (const auto& [edit, value] : {std::pair{window.Edit2, "999"}, {window.Edit3, "-201"}}) {
        boxes.shown.clear();
        previewed.clear();
        edit->setText(value);
        QTest::mouseClick(window.Button3, Qt::LeftButton);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(boxes.shown[0].text.contains("-200 から 200"))
            << boxes.shown[0].text.toStdString();
        EXPECT_TRUE(previewed.isEmpty());
        edit->setText("0");
    }
    boxes.shown.clear();
    window.ComboBox2->setEditText("0");
    QTest::mouseClick(window.Button3, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("4 から 72"));
}

TEST_F(PostcardWindow, SizeBoxesFilterKeysSentToTheComboBoxItself) {
    for (QComboBox* size :
         {window.ComboBox1, window.ComboBox2, window.ComboBox5, window.ComboBox6}) {
        size->setEditText("");
        QTest::keyClicks(size, "a14");
        EXPECT_EQ(size->currentText(), "14") << size->objectName().toStdString();
        QInputMethodEvent commit;
        commit.setCommitString("x");
        QCoreApplication::sendEvent(size->lineEdit(), &commit);
        EXPECT_EQ(size->currentText(), "14");
    }
}

TEST_F(PostcardWindow, PostalCodesAndTheMemoLabelAreReadWhole) {
    add("山田", "", "やまだ", "０２０－０００４");
    window.Button2->click();
    const QString spaced = window.SGrid1->cell(2, 1);
    EXPECT_GE(window.SGrid1->columnWidth(2),
              window.SGrid1->fontMetrics().horizontalAdvance(spaced));
    EXPECT_GE(window.RadioButton3->width(), window.RadioButton3->sizeHint().width());
}

TEST_F(PostcardWindow, ReopeningKeepsEveryRowAndMark) {
    for (int i = 0; i < 40; ++i)
        add(QString("山%1").arg(i), "", QString("やま%1").arg(i, 2, 10, QChar('0')), "1000001");
    window.Button2->click();
    window.CheckBox1->setChecked(true);
    clickRow(35);
    ASSERT_TRUE(window.SGrid1->marked(0, 35));
    window.prepare();
    EXPECT_GE(window.SGrid1->RowCount(), 41);
    EXPECT_TRUE(window.SGrid1->marked(0, 35));
    EXPECT_EQ(column(5).size(), 40);
}

TEST(VeltaCards, RunsForAnUnprivilegedUserOnTheirOwnDatabase) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start a process as another user";
    QTemporaryDir work(QDir::tempPath() + "/velta-user-XXXXXX");
    QFile::setPermissions(work.path(),
                          QFile::permissions(work.path()) | QFile::ReadOther | QFile::ExeOther);
    velta::test::makeWorkingFolder(work.path());
    {
        TDM dm(work.path());
        dm.IBQuery1.Add(
            "insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, '山田', 'やまだ')");
        dm.IBQuery1.ExecSQL();
        dm.close();
    }
    // The user's own copy of the program, where the build folder may be closed to them.
    ASSERT_TRUE(QFile::copy(VELTA_CARDS_PATH, work.filePath("velta-cards")));
    QProcess::execute("chown", {"-R", "nobody", work.path()});
    QProcess cards;
    cards.setWorkingDirectory(work.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.remove("FIREBIRD_LOCK");
    environment.insert("HOME", work.path());
    cards.setProcessEnvironment(environment);
    cards.start("runuser", {"-u", "nobody", "--", work.filePath("velta-cards"), "--type", "1", "-o",
                            "cards.pdf"});
    ASSERT_TRUE(cards.waitForFinished(60000));
    EXPECT_EQ(cards.exitCode(), 0) << cards.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(work.filePath("cards.pdf")));
}

TEST(VeltaCards, WritesTheAddressBookToAPdf) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    {
        TDM dm(work.path());
        for (const char* row : {"'山田','やまだ','東京都1-2-3'", "'佐藤','さとう','大阪府'",
                                "'鈴木','すずき','京都府'"}) {
            dm.IBQuery1.Clear();
            dm.IBQuery1.Add(
                QString("insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA, JYUSYO) values (0, %1)")
                    .arg(row));
            dm.IBQuery1.ExecSQL();
        }
        dm.IBQuery1.Clear();
        dm.IBQuery1.Add(
            "insert into MST_SASIDASI (KEY1, NAMAE, JYUSYO) values (1, '差出', '奈良県')");
        dm.IBQuery1.ExecSQL();
        dm.close();
    }
    QProcess cards;
    cards.setWorkingDirectory(work.path());
    cards.start(VELTA_CARDS_PATH, {"--type", "1", "-o", "cards.pdf", "--hyphen"});
    ASSERT_TRUE(cards.waitForFinished(60000));
    EXPECT_EQ(cards.exitCode(), 0) << cards.readAllStandardError().toStdString();
    QProcess text;
    text.start("pdftotext", {work.filePath("cards.pdf"), "-"});
    text.waitForFinished();
    const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected : {"鈴", "佐", "東", "１", "奈"})
        EXPECT_TRUE(extracted.contains(QString::fromUtf8(expected)))
            << expected << extracted.toStdString();
    QProcess info;
    info.start("pdfinfo", {work.filePath("cards.pdf")});
    info.waitForFinished();
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression("Pages:\\s+3")));

    // The same book on one A4 sheet of 24 labels, the sheets kept in the settings folder.
    QProcess labels;
    labels.setWorkingDirectory(work.path());
    labels.start(VELTA_CARDS_PATH, {"--labels", "24", "-o", "labels.pdf"});
    ASSERT_TRUE(labels.waitForFinished(60000));
    EXPECT_EQ(labels.exitCode(), 0) << labels.readAllStandardError().toStdString();
    info.start("pdfinfo", {work.filePath("labels.pdf")});
    info.waitForFinished();
    const QString labelInfo = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(labelInfo.contains(QRegularExpression("Pages:\\s+1"))) << labelInfo.toStdString();
    EXPECT_TRUE(labelInfo.contains("(A4)")) << labelInfo.toStdString();
    EXPECT_TRUE(QFile::exists(labelSheetsFile()));
    labels.start(VELTA_CARDS_PATH, {"--labels", "30", "-o", "labels.pdf"});
    ASSERT_TRUE(labels.waitForFinished(60000));
    EXPECT_EQ(labels.exitCode(), 2); // a sheet there is not: bad usage
    EXPECT_TRUE(
        QString::fromUtf8(labels.readAllStandardError()).contains("用紙「30」がありません"));

    // Envelopes: on their own paper, and the tool names them.
    labels.start(VELTA_CARDS_PATH, {"--paper", "角形2号", "-o", "envelopes.pdf"});
    ASSERT_TRUE(labels.waitForFinished(60000));
    EXPECT_EQ(labels.exitCode(), 0) << labels.readAllStandardError().toStdString();
    EXPECT_TRUE(QString::fromUtf8(labels.readAllStandardOutput()).contains("3 枚の封筒を"));
    info.start("pdfinfo", {work.filePath("envelopes.pdf")});
    info.waitForFinished();
    const QString envelopeInfo = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(envelopeInfo.contains("680.315 x 941.102 pts")) << envelopeInfo.toStdString();
    // --paper names a card too: TYPE2's fixed places, as --type 2.
    labels.start(VELTA_CARDS_PATH, {"--paper", "TYPE2", "--classic", "-o", "type2.pdf"});
    ASSERT_TRUE(labels.waitForFinished(60000));
    EXPECT_EQ(labels.exitCode(), 0) << labels.readAllStandardError().toStdString();
    labels.start(VELTA_CARDS_PATH, {"--type", "2", "--classic", "-o", "type2-by-type.pdf"});
    ASSERT_TRUE(labels.waitForFinished(60000));
    auto layoutText = [&](const char* file) {
        QProcess text;
        text.start("pdftotext", {"-layout", work.filePath(file), "-"});
        text.waitForFinished();
        return QString::fromUtf8(text.readAllStandardOutput());
    };
    EXPECT_FALSE(layoutText("type2.pdf").trimmed().isEmpty());
    EXPECT_EQ(layoutText("type2.pdf"), layoutText("type2-by-type.pdf"));

    QProcess bad;
    bad.setWorkingDirectory(work.path());
    bad.start(VELTA_CARDS_PATH, {"--type", "1", "-o", "/no/such/folder/cards.pdf"});
    bad.waitForFinished(60000);
    EXPECT_NE(bad.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(bad.readAllStandardError()).contains("書き込めません"));
    // A full disk (a small tmpfs where the machine allows it): exit 1 with a message, the old
    // file kept whole; so too for an empty selection.
    QTemporaryDir small;
    const bool mounted =
        geteuid() == 0 &&
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=40k", "tmpfs", small.path()}) == 0;
    const QString oldFile = (mounted ? small.path() : work.path()) + "/old.pdf";
    QFile old(oldFile);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous cards");
    old.close();
    QList<QStringList> runs = {
        {"--type", "1", "-o", "/dev/full"},
        {"--type", "1", "-o", oldFile, "--search", "name", "--text", "該当なし"}};
    if (mounted)
        runs.append({"--type", "1", "-o", oldFile});
    for (const QStringList& run : runs) {
        QProcess full;
        full.setWorkingDirectory(work.path());
        full.start(VELTA_CARDS_PATH, run);
        ASSERT_TRUE(full.waitForFinished(60000));
        EXPECT_EQ(full.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(full.exitCode(), 1) << run.join(' ').toStdString();

        const QString message = QString::fromUtf8(full.readAllStandardError());
        EXPECT_TRUE(message.contains("書き出せませんでした") ||
                    message.contains("該当する宛名がありません"))
            << message.toStdString();
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "previous cards");
        old.close();
    }
    // No temporary file is left behind.
    EXPECT_EQ(QDir(QFileInfo(oldFile).path()).entryList(QDir::Files), QStringList{"old.pdf"});
    if (mounted)
        QProcess::execute("umount", {small.path()});

    QProcess noDatabase;
    QTemporaryDir empty;
    noDatabase.setWorkingDirectory(empty.path());
    noDatabase.start(VELTA_CARDS_PATH, {"--type", "2", "-o", "x.pdf"});
    noDatabase.waitForFinished(60000);
    EXPECT_NE(noDatabase.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(noDatabase.readAllStandardError()).contains("データベース名"));
}

namespace {

YearMarks marksOf(TDM& dm, qint64 key, int year) {
    UnitOfWork work(dm);
    return DetailStore(dm).read(key).marksFor(year);
}

void setDetails(TDM& dm, qint64 key, const RecipientDetails& details) {
    ensureDetailTables(dm);
    UnitOfWork work(dm);
    DetailStore(dm).write(key, details);
    work.commit();
}

} // namespace

TEST_F(PostcardWindow, YearFiltersAndGroupsChooseTheRowsAndShowTheirMarks) {
    add("相田", "一", "あいだ", "1000001");   // 1: sent this year
    add("井上", "二", "いのうえ", "1000001"); // 2: in mourning this year
    add("上野", "三", "うえの", "1000001");   // 3: sent us one, not yet answered
    add("遠藤", "四", "えんどう", "1000001"); // 4: nothing yet, a relative
    RecipientDetails sent, mourning, received, relative;
    sent.setMarks({2027, true, false, false, false, false, {}});
    mourning.setMarks({2027, false, false, false, false, true, "祖母"});
    received.setMarks({2027, false, true, false, false, false, {}});
    relative.groups = {"親戚"};
    setDetails(*dm, 1, sent);
    setDetails(*dm, 2, mourning);
    setDetails(*dm, 3, received);
    setDetails(*dm, 4, relative);
    window.prepare();
    window.FilterBar->SpinFilterYear->setValue(2027);

    auto shown = [&] {
        window.Button2->click();
        return column(5);
    };
    EXPECT_EQ(shown(), QStringList({"相田", "井上", "上野", "遠藤"}));
    EXPECT_EQ(column(11), QStringList({"出", "喪中", "受", ""}));
    window.FilterBar->CheckUnsent->setChecked(true);
    EXPECT_EQ(shown(), QStringList({"井上", "上野", "遠藤"}));
    window.FilterBar->CheckSkipMourning->setChecked(true);
    EXPECT_EQ(shown(), QStringList({"上野", "遠藤"}));
    window.FilterBar->CheckUnsent->setChecked(false);
    window.FilterBar->CheckSkipMourning->setChecked(false);
    window.FilterBar->CheckReceivedUnsent->setChecked(true);
    EXPECT_EQ(shown(), QStringList({"上野"}));
    window.FilterBar->CheckReceivedUnsent->setChecked(false);
    window.FilterBar->ComboGroup->setCurrentText("親戚");
    EXPECT_EQ(shown(), QStringList({"遠藤"}));
    window.FilterBar->SpinFilterYear->setValue(2026);
    window.FilterBar->ComboGroup->setCurrentIndex(0);
    window.FilterBar->CheckUnsent->setChecked(true); // last year nobody was sent one
    EXPECT_EQ(shown().size(), 4);
    EXPECT_EQ(column(11), QStringList({"", "", "", ""}));
}

TEST_F(PostcardWindow, PrintedRecipientsAreMarkedSentOnlyWhenTheUserSaysSoAndOneUndoTakesItBack) {
    add("相田", "一", "あいだ", "1000001");
    add("井上", "二", "いのうえ", "1000001");
    add("上野", "三", "うえの", "1000001");
    RecipientDetails received;
    received.setMarks({2027, false, true, false, false, false, {}});
    setDetails(*dm, 2, received);
    window.prepare();
    window.FilterBar->SpinFilterYear->setValue(2027);
    window.Button2->click();

    // Only previewed: nothing is asked, nothing recorded.
    window.Button3->click();
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(marksOf(*dm, 1, 2027).nengaSent);

    // Pages 1 and 2 printed, the question answered No.
    printedByPreview = {0, 1};
    boxes.answer = QMessageBox::No;
    window.Button3->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageService::Kind::Confirmation);
    EXPECT_TRUE(boxes.shown[0].text.startsWith("印刷した 2 人を、2027 年の年賀状を出した人として"))
        << boxes.shown[0].text.toStdString();
    EXPECT_FALSE(marksOf(*dm, 1, 2027).nengaSent);
    EXPECT_FALSE(window.ButtonUndoMarks->isEnabled());

    boxes.answer = QMessageBox::Yes;
    window.Button4->click();
    EXPECT_TRUE(marksOf(*dm, 1, 2027).nengaSent);
    EXPECT_EQ(marksOf(*dm, 2, 2027), (YearMarks{2027, true, true, false, false, false, {}}));
    EXPECT_FALSE(marksOf(*dm, 3, 2027).nengaSent); // not printed
    EXPECT_EQ(column(11), QStringList({"出", "出 受", ""}));
    ASSERT_TRUE(window.ButtonUndoMarks->isEnabled());

    window.ButtonUndoMarks->click();
    EXPECT_FALSE(marksOf(*dm, 1, 2027).nengaSent);
    EXPECT_EQ(marksOf(*dm, 2, 2027), received.marksFor(2027)); // 受 kept
    EXPECT_EQ(column(11), QStringList({"", "受", ""}));
    EXPECT_FALSE(window.ButtonUndoMarks->isEnabled());
    // Undoing touches the marks only: the window keeps one set of its controls.
    EXPECT_EQ(window.findChildren<QComboBox*>("ComboLayout").size(), 1);
    EXPECT_EQ(window.findChildren<QCheckBox*>("CheckFamilyTogether").size(), 1);

    // 寒中見舞い printed for the one who sent us a card.
    window.ComboCardKind->setCurrentIndex(1);
    printedByPreview = {1};
    window.Button3->click();
    EXPECT_TRUE(marksOf(*dm, 2, 2027).kanchuSent);
    EXPECT_FALSE(marksOf(*dm, 2, 2027).nengaSent);
}

TEST(VeltaCards, FiltersByGroupAndYearAndMarksWhatItWroteOnlyWhenAsked) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    {
        TDM dm(work.path());
        for (const char* row : {"'相田','あいだ'", "'井上','いのうえ'", "'上野','うえの'"}) {
            dm.IBQuery1.Clear();
            dm.IBQuery1.Add(
                QString("insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, %1)").arg(row));
            dm.IBQuery1.ExecSQL();
        }
        dm.close();
        RecipientDetails mourning, relative;
        mourning.setMarks({2027, false, true, false, false, true, "祖母"});
        relative.groups = {"親戚"};
        setDetails(dm, 2, mourning);
        setDetails(dm, 3, relative);
    }
    auto run = [&](const QStringList& arguments, QString* out = nullptr) {
        QProcess cards;
        cards.setWorkingDirectory(work.path());
        cards.start(VELTA_CARDS_PATH, QStringList{"--type", "1", "-o", "cards.pdf"} + arguments);
        cards.waitForFinished(60000);
        if (out)
            *out = QString::fromUtf8(cards.readAllStandardOutput() + cards.readAllStandardError());
        return cards.exitCode();
    };
    auto printedNames = [&] {
        QProcess text;
        text.start("pdftotext", {work.filePath("cards.pdf"), "-"});
        text.waitForFinished();
        const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
        QStringList names;
        for (const char* name : {"相", "井", "野"}) // one character of each surname only
            if (extracted.contains(QString::fromUtf8(name)))
                names.append(QString::fromUtf8(name));
        return names;
    };
    QString out;
    ASSERT_EQ(run({"--skip-mourning", "2027"}, &out), 0) << out.toStdString();
    EXPECT_EQ(printedNames(), QStringList({"相", "野"}));
    ASSERT_EQ(run({"--group", "親戚"}), 0);
    EXPECT_EQ(printedNames(), QStringList({"野"}));
    ASSERT_EQ(run({"--received-unsent", "2027", "--mark-sent", "2027"}, &out), 0);
    EXPECT_EQ(printedNames(), QStringList({"井"}));
    EXPECT_TRUE(out.contains("1 人を 2027 年の年賀状を出した人として記録しました。"))
        << out.toStdString();
    {
        TDM dm(work.path());
        EXPECT_EQ(marksOf(dm, 2, 2027), (YearMarks{2027, true, true, false, false, true, "祖母"}));
        EXPECT_FALSE(marksOf(dm, 1, 2027).nengaSent);
    }
    ASSERT_EQ(run({"--unsent", "2027"}), 0);
    EXPECT_EQ(printedNames(), QStringList({"相", "野"}));
    EXPECT_EQ(run({"--unsent", "二〇二七"}, &out), 2);
    EXPECT_TRUE(out.contains("--unsent には年を 4 桁の数で指定します")) << out.toStdString();
}

TEST_F(PostcardWindow, ABookFromAnOlderBuildFillsAndPrintsAsBeforeAndGainsNoTable) {
    add("山田", "太郎", "やまだ", "1000001", "東京都", "花子");
    window.prepare();
    window.Button2->click();
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_EQ(box(previewed[0], "Memo6").Text, "様");
    EXPECT_EQ(box(previewed[0], "Memo14").Text, "様");
    EXPECT_EQ(column(11), QStringList({""}));
    EXPECT_EQ(window.FilterBar->ComboGroup->count(), 5); // すべて and the groups a book starts with
    EXPECT_EQ(database.scalar("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME "
                              "starting with 'VELTA_'"),
              0);
}

TEST(VeltaCards, LeavesOutCardsThatWouldPrintCutAndExitsThreeUnlessAllowed) {
    QTemporaryDir work;
    velta::test::makeWorkingFolder(work.path());
    {
        TDM dm(work.path());
        for (const char* row :
             {"'パブロ・ディエゴ・ホセ・フランシスコ・デ・パウラ・ホアン・ネポムセーノ','ぱぶろ'",
              "'佐藤','さとう'"}) {
            dm.IBQuery1.Clear();
            dm.IBQuery1.Add(
                QString("insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA) values (0, %1)").arg(row));
            dm.IBQuery1.ExecSQL();
        }
        dm.close();
    }
    auto run = [&](const QStringList& arguments, QString* err) {
        QProcess cards;
        cards.setWorkingDirectory(work.path());
        cards.start(VELTA_CARDS_PATH, QStringList{"--type", "1", "-o", "cards.pdf"} + arguments);
        cards.waitForFinished(60000);
        *err = QString::fromUtf8(cards.readAllStandardError());
        return cards.exitCode();
    };
    auto pages = [&] {
        QProcess info;
        info.start("pdfinfo", {work.filePath("cards.pdf")});
        info.waitForFinished();
        const auto match = QRegularExpression("Pages:\\s+(\\d+)")
                               .match(QString::fromUtf8(info.readAllStandardOutput()));
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    QString err;
    EXPECT_EQ(run({}, &err), 3);
    // Even in 長体 at the smallest size the name is longer than the card: refused, never cut.
    const QString name =
        "パブロ・ディエゴ・ホセ・フランシスコ・デ・パウラ・ホアン・ネポムセーノ 様: ";
    EXPECT_TRUE(err.contains(name + "名前が長すぎてはがきに収まりません（このはがきは作成して"
                                    "いません）"))
        << err.toStdString();
    EXPECT_TRUE(err.contains("1 枚のはがきは")) << err.toStdString();
    EXPECT_EQ(pages(), 1);
    EXPECT_EQ(run({"--allow-overflow"}, &err), 0) << err.toStdString();
    EXPECT_EQ(pages(), 2);
    EXPECT_EQ(run({"--text", "パブロ"}, &err), 3);
    EXPECT_TRUE(err.contains("作成できるはがきがありません")) << err.toStdString();
    EXPECT_EQ(pages(), 2); // the file of the last run stays as it was
}

TEST_F(PostcardWindow, APageLeftOutByTheCheckDoesNotShiftWhoIsMarkedAsSent) {
    add("相田", "一", "あいだ", "1000001");
    add("井上", "", "いのうえ", "1000001");
    add("上野", "三", "うえの", "1000001");
    database.execute("update MST_KOKYAKU set NAMAE = "
                     "'パブロ・ディエゴ・ホセ・フランシスコ・デ・パウラ・ホアン・ネポムセーノ' "
                     "where KEY1 = 2"); // cannot be printed whole: left out
    window.prepare();
    window.FilterBar->SpinFilterYear->setValue(2027);
    window.Button2->click();
    printedByPreview = {1}; // the second page: 上野's card
    window.Button3->click();
    ASSERT_EQ(previewed.size(), 2);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.startsWith("印刷した 1 人を"))
        << boxes.shown.back().text.toStdString();
    EXPECT_TRUE(marksOf(*dm, 3, 2027).nengaSent);
    EXPECT_FALSE(marksOf(*dm, 2, 2027).nengaSent);
    EXPECT_FALSE(marksOf(*dm, 1, 2027).nengaSent);
}
