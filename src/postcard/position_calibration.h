#pragma once

#include "card_layouts.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace velta {

// 位置調整: a correction per print queue (0.1 mm steps) that moves printed cards onto the card,
// found with a test sheet printed on plain paper. Kept in the user's own settings; PDF 出力 is
// never moved.
class PositionCalibrationDialog : public QDialog {
    Q_OBJECT
public:
    explicit PositionCalibrationDialog(QWidget* parent = nullptr,
                                       CardLayout layout = CardLayout::Type1);

    QComboBox *queueBox, *layoutBox;
    QDoubleSpinBox *rightBox, *downBox;
    QLabel* sheetView; // the test sheet as it will print
    QPushButton *printButton, *saveButton, *closeButton;

    QString queue() const;
    CardLayout layout() const;
    QPointF offset() const;
    // Prints the test sheet with the correction now in the boxes; the job's number.
    int printSheet();
    // Keeps the correction for the queue.
    void save();

private:
    void loadQueue();
    void drawSheet();
};

} // namespace velta
