#include "import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velta {

ImportDialog::ImportDialog(const ImportTable& table, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("宛名の取り込み"));
    auto* layout = new QVBoxLayout(this);
    summary = new QLabel(
        QStringLiteral("%1、%2 行。各列の上で、取り込み先を選んでください（最初の %3 行を表示）。")
            .arg(table.kind)
            .arg(table.rowCount)
            .arg(std::min<qsizetype>(kPreviewRows, table.rows.size())),
        this);
    summary->setWordWrap(true);
    layout->addWidget(summary);

    const QVector<Target> matched = matchHeaders(table.headers);
    const int rows = static_cast<int>(std::min<qsizetype>(kPreviewRows, table.rows.size()));
    preview = new QTableWidget(rows + 1, static_cast<int>(table.headers.size()), this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setHorizontalHeaderLabels(table.headers);
    preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList rowLabels{QStringLiteral("取り込み先")};
    for (int r = 0; r < rows; ++r)
        rowLabels.append(QStringLiteral("%1 行目").arg(table.rows[r].line));
    preview->setVerticalHeaderLabels(rowLabels);
    for (int c = 0; c < table.headers.size(); ++c) {
        auto* box = new QComboBox(preview);
        box->setObjectName(QStringLiteral("target%1").arg(c));
        for (const auto& [target, caption] : targetCaptions())
            box->addItem(caption, static_cast<int>(target));
        if (matched[c] == Target::OtherColumn)
            box->addItem(table.headers[c], static_cast<int>(Target::OtherColumn));
        box->setCurrentIndex(box->findData(static_cast<int>(matched[c])));
        preview->setCellWidget(0, c, box);
        targetBoxes.append(box);
        for (int r = 0; r < rows; ++r)
            preview->setItem(r + 1, c, new QTableWidgetItem(table.rows[r].fields.value(c)));
    }
    preview->resizeColumnsToContents();
    layout->addWidget(preview, 1);
    suggestReadings = new QCheckBox(
        QStringLiteral("ふりがなのない行は、読みを推定して取り込む（取り込む前に一覧で示します）"),
        this);
    suggestReadings->setObjectName(QStringLiteral("suggestReadings"));
    suggestReadings->setChecked(true);
    layout->addWidget(suggestReadings);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("取り込む"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 360);
}

QVector<Target> ImportDialog::targets() const {
    QVector<Target> result;
    for (const QComboBox* box : targetBoxes)
        result.append(static_cast<Target>(box->currentData().toInt()));
    return result;
}

} // namespace velta
