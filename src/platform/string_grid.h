#pragma once

#include <QAbstractTableModel>
#include <QTableView>

namespace velta {

// A grid of text cells addressed as (column, row), with fixed leading rows and columns drawn
// as headers, like the string grids the windows are laid out with.
class TStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    int RowCount() const;
    void setRowCount(int rows);
    int ColCount() const;
    void setColCount(int columns);
    int FixedRows() const { return fixedRows_; }
    void setFixedRows(int rows);
    int FixedCols() const { return fixedCols_; }
    void setFixedCols(int columns);

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    QStringList rowCells(int row) const;
    void setRowCells(int row, const QStringList& cells);
    // Empties every cell and clears every mark, whatever the row count.
    void clearCells();

    // A set/clear mark beside every cell's text; marked cells of rows with a KEY (column 0)
    // are drawn in the system highlight colours.
    bool marked(int column, int row) const;
    void setMarked(int column, int row, bool on);

    // Shows a column at another place on screen; its number (cell, setCell) stays as it is.
    void moveColumnOnScreen(int column, int position);
    // The (column, row) under a point of the viewport; (-1, -1) outside the cells.
    QPoint cellAt(const QPoint& viewportPosition) const;
    int selectedRow() const;

signals:
    // A double-click, with the cell under the pointer.
    void cellDoubleClicked(int column, int row);
    // A mouse button pressed, after the press has moved the selection.
    void mousePressed(Qt::MouseButton button);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The fixed rows stand in a view of their own above the scrolled rows, so they stay on
    // screen however far the grid is scrolled.
    void layOutFixedRows();
    class Model;
    Model* model_;
    QTableView* fixedRowsView_;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
};

} // namespace velta
