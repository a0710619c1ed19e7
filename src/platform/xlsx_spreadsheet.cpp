#include "xlsx_spreadsheet.h"

#include "errors_platform.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>

namespace velta {

XlsxSpreadsheet::XlsxSpreadsheet(QString folder, Opener opener)
    : folder_(std::move(folder)), opener_(std::move(opener)) {}

QString XlsxSpreadsheet::filePath() const {
    return QDir(folder_).filePath(QStringLiteral("宛名一覧.xlsx"));
}

void XlsxSpreadsheet::setRangeValue(const QString& range, const SheetBlock& block) {
    const auto [column, row] = cellPosition(range.section(QLatin1Char(':'), 0, 0));
    const auto [lastColumn, lastRow] = cellPosition(range.section(QLatin1Char(':'), 1, 1));
    if (column < 0 || lastColumn < column || lastRow < row)
        throw PlatformError(QStringLiteral("範囲「%1」は正しくありません。").arg(range));
    // Like an automation range, values outside the range are not written.
    for (int r = 0; r < block.size() && row + r <= lastRow; ++r)
        for (int c = 0; c < block[r].size() && column + c <= lastColumn; ++c)
            if (block[r][c])
                cells_[{row + r, column + c}] = *block[r][c];
}

void XlsxSpreadsheet::setRangeValue(const QString& cell, const QString& text) {
    const auto [column, row] = cellPosition(cell);
    if (column < 0)
        throw PlatformError(QStringLiteral("セル「%1」は正しくありません。").arg(cell));
    cells_[{row, column}] = text;
}

double XlsxSpreadsheet::fittedWidth(const QString& text) {
    double units = 0;
    for (QChar c : text)
        units +=
            (c.unicode() < 0x80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)) ? 1.0 : 2.0;
    return units + 1.0;
}

void XlsxSpreadsheet::CellsEntireColumnAutoFit() {
    widths_.clear();
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it)
        widths_[it.key().second] =
            std::max(widths_.value(it.key().second, 0.0), fittedWidth(it.value()));
}

void XlsxSpreadsheet::release() {
    if (!visible_)
        return;
    // Written under a temporary name and renamed only when whole.
    const QString file = filePath();
    const QString partial = file + QStringLiteral(".part");
    const QByteArray fileName = QFile::encodeName(partial);
    // Rows go out in order, each as it is written, its strings inline: a book of 100,000
    // recipients costs as much a row as one of 1,000 (a shared-string table grows by a tree).
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(fileName.constData(), &options);
    if (!workbook)
        throw PlatformError(QStringLiteral("ブックを作成できません。\n%1").arg(file));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_format* format = workbook_add_format(workbook);
    format_set_font_size(format, fontSize_);
    format_set_num_format(format, "@"); // text: postal codes and 1-2-3 stay as typed
    for (auto it = widths_.cbegin(); it != widths_.cend(); ++it)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(it.key()),
                             static_cast<lxw_col_t>(it.key()), it.value(), nullptr);
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it)
        worksheet_write_string(sheet, static_cast<lxw_row_t>(it.key().first),
                               static_cast<lxw_col_t>(it.key().second),
                               it.value().toUtf8().constData(), format);
    if (workbook_close(workbook) != LXW_NO_ERROR) {
        QFile::remove(partial);
        throw PlatformError(QStringLiteral("ブックを書き出せませんでした。\n%1").arg(file));
    }
    QFile::remove(file);
    if (!QFile::rename(partial, file)) {
        QFile::remove(partial);
        throw PlatformError(QStringLiteral("ブックを書き出せませんでした。\n%1").arg(file));
    }
    if (!opener_(file))
        throw PlatformError(QStringLiteral("表計算ソフトでブックを開けませんでした。\nファイルは次"
                                           "の場所に保存されています。\n%1")
                                .arg(file));
}

} // namespace velta
