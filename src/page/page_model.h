#pragma once

#include <QColor>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>
#include <functional>
#include <memory>

namespace velta {

// Page units are 1/96 inch; paper and margins are in millimetres.
constexpr double kUnitsPerMm = 96.0 / 25.4;
constexpr double kMinimumFitScale = 0.6;
inline double mmToUnits(double mm) {
    return mm * kUnitsPerMm;
}

// A text box of a report page, positioned relative to the printable area.
struct TextBox {
    QString Name;
    double Left = 0, Top = 0, Width = 0, Height = 0; // units
    bool Visible = true;
    QString Text;
    QString FontName;     // "@" in front: the vertical-writing variant of the face
    int FontHeight = -13; // pixels at 96 dpi, stored negative
    int FontCharset = 1;  // DEFAULT 1, SHIFTJIS 128, ANSI 0
    bool UseDefaultCharset = false;
    int Rotation = 0;       // 0 or 270
    double CharSpacing = 0; // units after every character
    double LineSpacing = 2; // units added to every line's height
    double GapX = 2, GapY = 1;
    bool HideZeros = false; // affects computed values only; text is never changed
    // Overflow: a text that does not fit is drawn smaller, down to kMinimumFitScale of its size;
    // at most MaxLines lines (0: as many as fit); the rest may go on in the box named ContinueIn
    // when that box is blank.
    bool FitText = false;
    int MaxLines = 0;
    QString ContinueIn;
    // Boxes of one group are drawn at one size, the smallest their texts fit at (a name's 姓, 名,
    // 連名 and 敬称 never in three sizes); a fitted text of one column keeps its column's axis.
    QString FitGroup;
    // 長体: a vertical text's glyphs and advances narrowed down the column (1: as designed).
    double Condense = 1;
    // A fitted vertical text narrows down the column to this (長体) before it is drawn smaller.
    double CondenseFloor = 1;
    // 縦中横: a run of exactly two digits in a vertical box is set side by side in one em.
    bool DigitPairs = false;

    int fontSize() const {
        return static_cast<int>(std::lround(std::abs(FontHeight) * 72.0 / 96.0));
    }
    void setFontSize(int points) {
        FontHeight = -static_cast<int>(std::lround(points * 96.0 / 72.0));
    }
    bool operator==(const TextBox&) const = default;
};

struct PageSetup {
    bool operator==(const PageSetup&) const = default;
    double PaperWidth = 100.0, PaperHeight = 148.0; // mm
    int PaperSize = 256;                            // custom size
    double LeftMargin = 5.0, RightMargin = 5.0, TopMargin = 10.0, BottomMargin = 2.0;
};

// A line drawing on a page (a test sheet's frames, a barcode's bars): millimetres from the
// card's top-left corner.
struct PagePath {
    QPolygonF points;
    bool closed = false;
    bool filled = false;
    double widthMm = 0.2;
    QColor colour = Qt::black;
    bool operator==(const PagePath&) const = default;
};

// A finished page: the boxes as they were when it was prepared. Kept compactly (pages of a
// run share one copy of the boxes' frames, each page holds only its texts), so a run of
// 100,000 cards stays small.
class PreparedPage {
public:
    PageSetup page;
    QString title;           // how lists name the page (the card's recipient); empty: its number
    QVector<PagePath> paths; // drawn over the boxes (a card's barcode)

    PreparedPage() = default;
    // `previous` lends the texts it shares with these boxes; frames alike are kept once.
    PreparedPage(const PageSetup& setup, const QVector<TextBox>& boxes, const QString& title = {},
                 const PreparedPage* previous = nullptr);

    qsizetype boxCount() const { return frames_ ? frames_->size() : 0; }
    const QString& text(qsizetype index) const { return texts_[index]; }
    const TextBox& frame(qsizetype index) const { return frames_->at(index); } // without its text
    TextBox box(qsizetype index) const;
    QVector<TextBox> boxes() const;

private:
    std::shared_ptr<const QVector<TextBox>> frames_; // the boxes without their texts
    QStringList texts_; // shared with the previous page where they are the same
};

// A report template: one page of boxes, and the list of pages prepared from it.
class TfrxReport {
public:
    PageSetup Page1;
    QVector<TextBox> boxes; // drawing order
    QStringList Warnings;   // shown with the prepared pages (texts that do not fit)

    // The box of that name; nullptr when the template has none.
    TextBox* FindObject(const QString& name);
    const QVector<PreparedPage>& PreviewPages() const { return pages_; }
    void PreviewPagesClear() {
        pages_.clear();
        Warnings.clear();
    }
    // Appends one finished page with the boxes as they are now.
    void PrepareReport(bool clearLastReport, const QString& title = {});
    // The boxes as they are now as a page (sharing `previous`'s texts where they are the same).
    PreparedPage currentPage(const QString& title = {},
                             const PreparedPage* previous = nullptr) const {
        return PreparedPage(Page1, boxes, title, previous);
    }
    void appendPage(const PreparedPage& page) { pages_.append(page); }
    // Opens the preview over the prepared pages; returns when it closes, with the pages that
    // were sent to a printer meanwhile (0-based, ascending).
    QList<int> ShowPreparedReport();
    // The window that shows prepared pages (set by the program; tests may record instead).
    using Previewer = std::function<QList<int>(const QVector<PreparedPage>&, const QStringList&)>;
    static void setPreviewer(Previewer previewer);

private:
    QVector<PreparedPage> pages_;
};

} // namespace velta
