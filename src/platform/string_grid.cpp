#include "string_grid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>

#include <vector>

namespace velta {

class TStringGrid::Model : public QAbstractTableModel {
public:
    explicit Model(TStringGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : columns_;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return text(index.column(), index.row());
        const bool highlighted =
            isMarked(index.column(), index.row()) && !text(0, index.row()).isEmpty();
        if (role == Qt::BackgroundRole && highlighted)
            return grid_->palette().color(QPalette::Highlight);
        if (role == Qt::ForegroundRole && highlighted)
            return grid_->palette().color(QPalette::HighlightedText);
        if (role == Qt::BackgroundRole && isFixed(index))
            return grid_->palette().color(QPalette::Button);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return isFixed(index) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    QString text(int column, int row) const {
        if (row < 0 || column < 0 || static_cast<size_t>(row) >= cells_.size())
            return {};
        return cells_[static_cast<size_t>(row)].value(column);
    }
    void setText(int column, int row, const QString& value) {
        if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
            return;
        QStringList& line = cells_[static_cast<size_t>(row)];
        while (line.size() <= column)
            line.append(QString());
        line[column] = value;
        emit dataChanged(index(row, column), index(row, column));
    }
    // A whole row at once: one change signal, not one per cell (grids of 100,000 rows).
    void setLine(int row, const QStringList& values) {
        if (row < 0 || row >= rows_ || values.isEmpty())
            return;
        QStringList& line = cells_[static_cast<size_t>(row)];
        const qsizetype count = std::min<qsizetype>(values.size(), columns_);
        if (line.isEmpty() && count == values.size()) {
            line = values;
        } else {
            while (line.size() < count)
                line.append(QString());
            for (qsizetype c = 0; c < count; ++c)
                line[c] = values[c];
        }
        emit dataChanged(index(row, 0), index(row, static_cast<int>(count) - 1));
    }
    QStringList line(int row) const {
        QStringList values = row >= 0 && static_cast<size_t>(row) < cells_.size()
                                 ? cells_[static_cast<size_t>(row)].mid(0, columns_)
                                 : QStringList();
        while (values.size() < columns_)
            values.append(QString());
        return values;
    }
    bool isMarked(int column, int row) const {
        return row >= 0 && static_cast<size_t>(row) < marks_.size() &&
               marks_[static_cast<size_t>(row)].contains(column);
    }
    void setMark(int column, int row, bool on) {
        if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
            return;
        QSet<int>& line = marks_[static_cast<size_t>(row)];
        if (on)
            line.insert(column);
        else
            line.remove(column);
        emit dataChanged(index(row, column), index(row, column));
    }
    void setRows(int rows) {
        beginResetModel();
        rows_ = std::max(rows, 0);
        cells_.resize(static_cast<size_t>(rows_)); // cells of rows that go are gone
        marks_.resize(static_cast<size_t>(rows_));
        endResetModel();
    }
    void setColumns(int columns) {
        beginResetModel();
        columns_ = std::max(columns, 0);
        endResetModel();
    }
    void clear() {
        for (QStringList& line : cells_)
            line.clear();
        for (QSet<int>& line : marks_)
            line.clear();
        emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    }
    void refresh() { emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1)); }

private:
    bool isFixed(const QModelIndex& index) const {
        return index.row() < grid_->FixedRows() || index.column() < grid_->FixedCols();
    }
    TStringGrid* grid_;
    int rows_ = 0;
    int columns_ = 0;
    std::vector<QStringList> cells_;
    std::vector<QSet<int>> marks_;
};

TStringGrid::TStringGrid(QWidget* parent)
    : QTableView(parent), model_(new Model(this)), fixedRowsView_(new QTableView(this)) {
    setModel(model_);
    for (QTableView* view : {static_cast<QTableView*>(this), fixedRowsView_}) {
        view->horizontalHeader()->hide();
        view->horizontalHeader()->setMinimumSectionSize(1); // 1-pixel columns hide their cells
        view->verticalHeader()->hide();
        view->verticalHeader()->setDefaultSectionSize(24);
        view->setEditTriggers(NoEditTriggers);
        view->setWordWrap(false);
    }
    setSelectionBehavior(SelectItems);
    setSelectionMode(SingleSelection);

    fixedRowsView_->setModel(model_);
    fixedRowsView_->setFocusPolicy(Qt::NoFocus);
    fixedRowsView_->setSelectionMode(NoSelection);
    fixedRowsView_->setFrameShape(QFrame::NoFrame);
    fixedRowsView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fixedRowsView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, fixedRowsView_->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { fixedRowsView_->setColumnWidth(column, width); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { layOutFixedRows(); });
    layOutFixedRows();
}

void TStringGrid::layOutFixedRows() {
    const int fixed = std::min(fixedRows_, RowCount());
    int height = 0;
    // Rows past the first few were never hidden (a reset shows every row again).
    for (int r = 0; r < std::min(RowCount(), std::max(fixed, 4)); ++r) {
        setRowHidden(r, r < fixed);
        if (r < fixed)
            height += verticalHeader()->defaultSectionSize();
    }
    for (int c = 0; c < ColCount(); ++c)
        fixedRowsView_->setColumnWidth(c, columnWidth(c));
    setViewportMargins(0, height, 0, 0);
    fixedRowsView_->setGeometry(frameWidth(), frameWidth(), viewport()->width(), height);
    fixedRowsView_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    fixedRowsView_->setVisible(height > 0);
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    layOutFixedRows();
}

int TStringGrid::RowCount() const {
    return model_->rowCount();
}
void TStringGrid::setRowCount(int rows) {
    QList<int> widths;
    for (int c = 0; c < ColCount(); ++c)
        widths.append(columnWidth(c));
    model_->setRows(rows);
    for (int c = 0; c < widths.size(); ++c)
        setColumnWidth(c, widths[c]);
}
int TStringGrid::ColCount() const {
    return model_->columnCount();
}
void TStringGrid::setColCount(int columns) {
    model_->setColumns(columns);
}
void TStringGrid::setFixedRows(int rows) {
    fixedRows_ = rows;
    model_->refresh();
    layOutFixedRows();
}
void TStringGrid::setFixedCols(int columns) {
    fixedCols_ = columns;
    model_->refresh();
}

QString TStringGrid::cell(int column, int row) const {
    return model_->text(column, row);
}
void TStringGrid::setCell(int column, int row, const QString& text) {
    model_->setText(column, row, text);
}

QStringList TStringGrid::rowCells(int row) const {
    return model_->line(row);
}

void TStringGrid::setRowCells(int row, const QStringList& cells) {
    model_->setLine(row, cells);
}

void TStringGrid::clearCells() {
    model_->clear();
}

bool TStringGrid::marked(int column, int row) const {
    return model_->isMarked(column, row);
}
void TStringGrid::setMarked(int column, int row, bool on) {
    model_->setMark(column, row, on);
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    emit mousePressed(event->button());
}

QPoint TStringGrid::cellAt(const QPoint& viewportPosition) const {
    const QModelIndex index = indexAt(viewportPosition);
    return index.isValid() ? QPoint(index.column(), index.row()) : QPoint(-1, -1);
}

int TStringGrid::selectedRow() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    const QPoint cell = cellAt(event->position().toPoint());
    emit cellDoubleClicked(cell.x(), cell.y());
}

void TStringGrid::moveColumnOnScreen(int column, int position) {
    for (QTableView* view : {static_cast<QTableView*>(this), fixedRowsView_})
        view->horizontalHeader()->moveSection(view->horizontalHeader()->visualIndex(column),
                                              position);
}

} // namespace velta
