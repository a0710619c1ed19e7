#include "position_calibration.h"

#include "calibration_sheet.h"
#include "message_service.h"
#include "print_calibration.h"
#include "print_queue.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace velta {
namespace {

QDoubleSpinBox* offsetBox(QWidget* parent, const char* name, const QString& prefix) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(-kMaxPrintOffsetMm, kMaxPrintOffsetMm);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setPrefix(prefix);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

} // namespace

PositionCalibrationDialog::PositionCalibrationDialog(QWidget* parent, CardLayout layout)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PositionCalibration"));
    setWindowTitle(QStringLiteral("位置調整"));
    setModal(true);
    auto* columns = new QHBoxLayout(this);
    columns->setSizeConstraint(QLayout::SetFixedSize); // a fixed-size window, as every other
    auto* controls = new QVBoxLayout;
    columns->addLayout(controls);

    auto* intro =
        new QLabel(QStringLiteral("プリンターごとに、印刷の位置を 0.1 mm 単位で直します。\n"
                                  "テスト用紙を普通紙に印刷して本物のはがきに重ね、\n"
                                  "目盛りで読んだずれを足してください。PDF 出力は動きません。"),
                   this);
    controls->addWidget(intro);
    auto* form = new QFormLayout;
    controls->addLayout(form);
    queueBox = new QComboBox(this);
    queueBox->setObjectName(QStringLiteral("queueBox"));
    for (const PrintQueue& queue : printQueues())
        queueBox->addItem(queue.description.isEmpty() || queue.description == queue.name
                              ? queue.name
                              : QStringLiteral("%1（%2）").arg(queue.name, queue.description),
                          queue.name);
    form->addRow(QStringLiteral("プリンター"), queueBox);
    layoutBox = new QComboBox(this);
    layoutBox->setObjectName(QStringLiteral("layoutBox"));
    // Named by where each layout puts the sender's code, measured from the card's top edge.
    layoutBox->addItem(QStringLiteral("TYPE1（差出人の郵便番号：上端から 138.6 mm）"),
                       int(CardLayout::Type1));
    layoutBox->addItem(QStringLiteral("TYPE2（差出人の郵便番号：上端から 123.5 mm）"),
                       int(CardLayout::Type2));
    layoutBox->setCurrentIndex(layout == CardLayout::Type1 ? 0 : 1);
    form->addRow(QStringLiteral("レイアウト"), layoutBox);
    rightBox = offsetBox(this, "rightBox", QStringLiteral("右へ "));
    downBox = offsetBox(this, "downBox", QStringLiteral("下へ "));
    form->addRow(QStringLiteral("横の補正"), rightBox);
    form->addRow(QStringLiteral("縦の補正"), downBox);
    controls->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    printButton =
        buttons->addButton(QStringLiteral("テスト用紙を印刷"), QDialogButtonBox::ActionRole);
    printButton->setObjectName(QStringLiteral("printButton"));
    saveButton = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    closeButton = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* button : {printButton, saveButton, closeButton})
        button->setAutoDefault(false);
    controls->addWidget(buttons);

    sheetView = new QLabel(this);
    sheetView->setObjectName(QStringLiteral("sheetView"));
    sheetView->setFrameShape(QFrame::Box);
    columns->addWidget(sheetView);

    const bool printers = queueBox->count() > 0;
    if (!printers)
        intro->setText(intro->text() + QStringLiteral("\n\nプリンターが見つかりません。"));
    for (QWidget* needsPrinter :
         {static_cast<QWidget*>(printButton), static_cast<QWidget*>(saveButton),
          static_cast<QWidget*>(rightBox), static_cast<QWidget*>(downBox)})
        needsPrinter->setEnabled(printers);

    connect(queueBox, &QComboBox::currentIndexChanged, this, [this] { loadQueue(); });
    connect(layoutBox, &QComboBox::currentIndexChanged, this, [this] { drawSheet(); });
    for (QDoubleSpinBox* box : {rightBox, downBox})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { drawSheet(); });
    connect(printButton, &QPushButton::clicked, this, [this] { printSheet(); });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        save();
        accept();
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    loadQueue();
}

QString PositionCalibrationDialog::queue() const {
    return queueBox->currentData().toString();
}

CardLayout PositionCalibrationDialog::layout() const {
    return CardLayout(layoutBox->currentData().toInt());
}

QPointF PositionCalibrationDialog::offset() const {
    return QPointF(rightBox->value(), downBox->value());
}

void PositionCalibrationDialog::loadQueue() {
    const QPointF stored = printOffset(queue());
    rightBox->setValue(stored.x());
    downBox->setValue(stored.y());
    drawSheet();
}

void PositionCalibrationDialog::drawSheet() {
    const CalibrationSheet sheet = calibrationSheet(layout(), queue(), offset());
    constexpr double kPixelsPerMm = 3.0;
    QImage image(QSize(300, 444), QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(int(kPixelsPerMm * 1000));
    image.setDotsPerMeterY(int(kPixelsPerMm * 1000));
    QPainter painter(&image);
    // The sheet as the printer is told to put it: moved by the correction.
    painter.translate(offset() * kPixelsPerMm);
    painter.save();
    painter.scale(kPixelsPerMm / kUnitsPerMm, kPixelsPerMm / kUnitsPerMm);
    paintPaths(painter, sheet.paths);
    painter.restore();
    renderPage(painter, sheet.page);
    painter.end();
    sheetView->setPixmap(QPixmap::fromImage(image));
}

int PositionCalibrationDialog::printSheet() {
    const int job = printCalibrationSheet(layout(), queue(), offset());
    MessageService::information(
        this, QStringLiteral("テスト用紙をプリンター「%1」に送りました。").arg(queue()));
    return job;
}

void PositionCalibrationDialog::save() {
    setPrintOffset(queue(), offset());
}

} // namespace velta
