#pragma once

#include "book_exchange.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

namespace velta {

// Shows what a file holds before it is imported: the first rows under the file's own headers,
// with a box above each column saying what it fills (matched by its header, changeable).
class ImportDialog : public QDialog {
public:
    ImportDialog(const ImportTable& table, QWidget* parent = nullptr);
    static constexpr int kPreviewRows = 5;

    QTableWidget* preview;
    QVector<QComboBox*> targetBoxes; // one per column of the file
    QLabel* summary;
    // Rows without a reading take a suggested one, shown for review before anything is written.
    QCheckBox* suggestReadings;

    QVector<Target> targets() const;
};

} // namespace velta
