#include "spreadsheet_export.h"
#include "xlsx_spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace velta;

namespace {

// Records the automation calls in order.
class RecordingSpreadsheet : public SpreadsheetApplication {
public:
    explicit RecordingSpreadsheet(QStringList& calls) : calls_(calls) {}
    void Application() override { calls_ << "Application"; }
    void setVisible(bool v) override { calls_ << QString("Visible=%1").arg(v); }
    void WorkBooksAdd() override { calls_ << "WorkBooks.Add"; }
    void setDisplayAlerts(bool v) override { calls_ << QString("DisplayAlerts=%1").arg(v); }
    void setScreenUpdating(bool v) override { calls_ << QString("ScreenUpdating=%1").arg(v); }
    void setRangeValue(const QString& range, const SheetBlock& block) override {
        calls_ << QString("Range(%1).Value=block[%2]").arg(range).arg(block.size());
    }
    void setRangeValue(const QString& cell, const QString& text) override {
        calls_ << QString("Range(%1).Value=%2").arg(cell, text);
    }
    void CellsEntireColumnAutoFit() override { calls_ << "Cells.EntireColumn.AutoFit"; }
    void setCellsFontSize(int size) override { calls_ << QString("Cells.Font.Size=%1").arg(size); }
    void release() override { calls_ << "release"; }

private:
    QStringList& calls_;
};

QList<QStringList> grid(int rowCount) {
    QList<QStringList> rows(rowCount, QStringList(10));
    rows[0] = {"KEY",      "MKEY",  "姓（苗字）", "名（名前）", "ふりがな",
               "郵便番号", "住所1", "住所2",      "メモ",       "TEL"};
    return rows;
}

QString unzipped(const QString& file, const QString& member) {
    QProcess unzip;
    unzip.start("unzip", {"-p", file, member});
    unzip.waitForFinished();
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

// Cell texts and the font size of their style, read back from the written workbook.
struct Workbook {
    QMap<QString, QString> cells;
    QMap<QString, int> styles;
    QList<int> fontSizes;
    QMap<int, double> widths;
};

// Exports go to .xlsx files in `folder`; `opened` names the one handed to the spreadsheet
// program.
void writeWorkbooksInto(const QTemporaryDir& folder, QString& opened) {
    setSpreadsheetFactory([&](const QString&) {
        return std::make_unique<XlsxSpreadsheet>(folder.path(), [&](const QString& file) {
            opened = file;
            return true;
        });
    });
}

Workbook readBack(const QString& file) {
    Workbook book;
    QStringList shared;
    QXmlStreamReader strings(unzipped(file, "xl/sharedStrings.xml"));
    while (!strings.atEnd())
        if (strings.readNext() == QXmlStreamReader::StartElement && strings.name() == u"t")
            shared.append(strings.readElementText());
    QXmlStreamReader sheet(unzipped(file, "xl/worksheets/sheet1.xml"));
    QString cell;
    while (!sheet.atEnd()) {
        if (sheet.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (sheet.name() == u"c") {
            cell = sheet.attributes().value("r").toString();
            book.styles[cell] = sheet.attributes().value("s").toInt();
        } else if (sheet.name() == u"v") {
            book.cells[cell] = shared.value(sheet.readElementText().toInt());
        } else if (sheet.name() == u"t") { // an inline string, as a long book is written
            book.cells[cell] = sheet.readElementText();
        } else if (sheet.name() == u"col") {
            book.widths[sheet.attributes().value("min").toInt()] =
                sheet.attributes().value("width").toDouble();
        }
    }
    QXmlStreamReader styles(unzipped(file, "xl/styles.xml"));
    while (!styles.atEnd())
        if (styles.readNext() == QXmlStreamReader::StartElement && styles.name() == u"sz")
            book.fontSizes.append(styles.attributes().value("val").toInt());
    return book;
}

} // namespace

TEST(SpreadsheetExport, MakesTheAutomationCallsInOrder) {
    QStringList calls;
    QString createdFrom;
    setSpreadsheetFactory([&](const QString& classId) {
        createdFrom = classId;
        return std::make_unique<RecordingSpreadsheet>(calls);
    });
    exportToSpreadsheet(grid(30));
    setSpreadsheetFactory({});
    EXPECT_EQ(createdFrom, "Excel.Application");
    EXPECT_EQ(calls, QStringList({"Application", "Visible=1", "WorkBooks.Add", "DisplayAlerts=0",
                                  "ScreenUpdating=1", "Range(B2:Q30).Value=block[30]",
                                  "Range(A1).Value=宛名一覧", "Range(B2).Value=　　",
                                  "Range(C2).Value=姓（苗字）", "Range(D2).Value=名（名前）",
                                  "Range(E2).Value=ふりがな", "Range(F2).Value=郵便番号",
                                  "Range(G2).Value=住所1", "Range(H2).Value=住所2",
                                  "Range(I2).Value=メモ", "Range(J2).Value=TEL",
                                  "Cells.EntireColumn.AutoFit", "Cells.Font.Size=8", "release"}));
}

TEST(SpreadsheetExport, LongListsGoInPartsAndAStopLeavesNoWorkbook) {
    QStringList calls;
    setSpreadsheetFactory(
        [&](const QString&) { return std::make_unique<RecordingSpreadsheet>(calls); });
    EXPECT_TRUE(exportToSpreadsheet(grid(4500)));
    // Each part's range holds all its rows; only the grid's last (blank) row stays out.
    EXPECT_EQ(calls.filter("block["), QStringList({"Range(B2:Q2001).Value=block[2000]",
                                                   "Range(B2002:Q4001).Value=block[2000]",
                                                   "Range(B4002:Q4500).Value=block[500]"}));
    calls.clear();
    QList<qint64> told;
    EXPECT_FALSE(exportToSpreadsheet(grid(4500), [&](qint64 done, qint64 total) {
        told.append(done);
        EXPECT_EQ(total, 4500);
        return done < 2000;
    }));
    setSpreadsheetFactory({});
    EXPECT_EQ(told, QList<qint64>({0, 2000}));
    EXPECT_EQ(calls.filter("block[").size(), 1);
    EXPECT_FALSE(calls.contains("release")); // nothing written
}

TEST(SpreadsheetExport, BlockTakesRowsWithASurnameOnly) {
    QList<QStringList> rows = grid(5);
    rows[1] = {"7", "", "山田", "太郎", "やまだ", "1000001", "東京都", "", "メモ", "03"};
    rows[3] = {"9", "", "", "名", "よみ", "", "", "", "", ""};
    const SheetBlock block = exportBlock(rows);
    ASSERT_EQ(block.size(), 5);
    EXPECT_FALSE(block[0][1].has_value());
    EXPECT_EQ(block[1][0], QString(""));
    EXPECT_EQ(block[1][1], QString("山田"));
    EXPECT_EQ(block[1][8], QString("03"));
    EXPECT_EQ(block[1][9], QString(""));
    EXPECT_FALSE(block[1][10].has_value());
    EXPECT_FALSE(block[3][2].has_value());
}

TEST(SpreadsheetExport, WrittenWorkbookHoldsTheSheetLayoutAsTextInSizeEight) {
    QTemporaryDir folder;
    QString opened;
    writeWorkbooksInto(folder, opened);
    QList<QStringList> rows = grid(6);
    rows[1] = {
        "7",     "",     "山田",   "太郎", "やまだ", "0010001", "東京都千代田区千代田一丁目一番地",
        "1-2-3", "メモ", "03-1234"};
    rows[2] = {"8", "", "", "", "なし", "", "", "", "", ""};
    rows[3] = {"9", "", "佐藤", "", "さとう", "", "大阪", "", "", ""};
    exportToSpreadsheet(rows);
    setSpreadsheetFactory({});
    ASSERT_FALSE(opened.isEmpty());
    ASSERT_TRUE(QFile::exists(opened));
    const Workbook book = readBack(opened);
    EXPECT_EQ(book.cells["A1"], "宛名一覧");
    EXPECT_EQ(book.cells["B2"], "　　");
    EXPECT_EQ(book.cells["C2"], "姓（苗字）");
    EXPECT_EQ(book.cells["J2"], "TEL");
    EXPECT_EQ(book.cells["C3"], "山田");
    EXPECT_EQ(book.cells["F3"], "0010001"); // text, leading zeros kept
    EXPECT_EQ(book.cells["H3"], "1-2-3");   // text, not a date
    EXPECT_EQ(book.cells["J3"], "03-1234");
    EXPECT_FALSE(book.cells.contains("C4")); // a row without surname stays empty
    EXPECT_FALSE(book.cells.contains("E4"));
    EXPECT_EQ(book.cells["C5"], "佐藤");
    EXPECT_FALSE(book.cells.contains("A3"));
    for (int size : book.fontSizes.mid(1)) // the first font is the workbook's default
        EXPECT_EQ(size, 8);
    EXPECT_GT(book.widths.value(7), book.widths.value(3)); // G holds the long address
    // libxlsxwriter stores the width with Excel's padding added.
    EXPECT_NEAR(book.widths.value(7),
                XlsxSpreadsheet::fittedWidth("東京都千代田区千代田一丁目一番地"), 1.0);
}

TEST(SpreadsheetExport, EveryRowOfALongListIsInTheWorkbook) {
    QTemporaryDir folder;
    QString opened;
    writeWorkbooksInto(folder, opened);
    QList<QStringList> rows = grid(4203); // 4,201 recipients and the blank last row
    for (int i = 1; i < rows.size() - 1; ++i)
        rows[i] = {QString::number(i),
                   "",
                   QString("姓%1").arg(i),
                   QString("名%1").arg(i),
                   "よみ",
                   QString("%1").arg(i, 7, 10, QChar('0')),
                   QString("住所%1").arg(i),
                   "",
                   "",
                   ""};
    ASSERT_TRUE(exportToSpreadsheet(rows));
    setSpreadsheetFactory({});
    const Workbook book = readBack(opened);
    int missing = 0;
    for (int i = 1; i < rows.size() - 1; ++i)
        for (int c = 0; c < 5; ++c) {
            const QString cell = QString(QChar('C' + c)) + QString::number(i + 2);
            if (book.cells.value(cell) != rows[i][c + 2]) {
                ADD_FAILURE() << cell.toStdString() << " holds "
                              << book.cells.value(cell).toStdString();
                if (++missing > 10)
                    return;
            }
        }
    EXPECT_FALSE(book.cells.contains(QString("C%1").arg(rows.size() + 1)));
}

TEST(SpreadsheetExport, NothingToOpenTheWorkbookSaysWhereItIs) {
    QTemporaryDir folder;
    XlsxSpreadsheet sheet(folder.path(), [](const QString&) { return false; });
    sheet.setVisible(true);
    sheet.WorkBooksAdd();
    sheet.setRangeValue("A1", "宛名一覧");
    try {
        sheet.release();
        FAIL() << "no error without a spreadsheet program";
    } catch (const std::exception& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(sheet.filePath()));
    }
    EXPECT_TRUE(QFile::exists(sheet.filePath()));
}

TEST(SpreadsheetExport, WorkbooksHandedToTheSpreadsheetProgramGoWhenTheProgramEnds) {
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    try {
        exportToSpreadsheet(grid(3)); // no spreadsheet program here: it says where the file is
    } catch (const std::exception&) {
    }
    qputenv("TMPDIR", oldTemp);
    const QStringList made = QDir(temp.path()).entryList({"velta-export-*"}, QDir::Dirs);
    ASSERT_EQ(made.size(), 1);
    EXPECT_FALSE(QDir(temp.filePath(made.first())).entryList({"*.xlsx"}, QDir::Files).isEmpty());
    removeExportedWorkbooks();
    EXPECT_TRUE(QDir(temp.path()).entryList({"velta-export-*"}, QDir::Dirs).isEmpty());
}
