#include "page_model.h"

namespace velta {
namespace {

TfrxReport::Previewer& previewer() {
    static TfrxReport::Previewer instance;
    return instance;
}

} // namespace

PreparedPage::PreparedPage(const PageSetup& setup, const QVector<TextBox>& boxes,
                           const QString& pageTitle, const PreparedPage* previous)
    : page(setup), title(pageTitle) {
    QVector<TextBox> frames = boxes;
    textEnds_.reserve(boxes.size());
    for (TextBox& frame : frames) {
        texts_ += frame.Text;
        textEnds_.append(static_cast<quint32>(texts_.size()));
        frame.Text.clear();
    }
    texts_.squeeze();
    if (previous && previous->frames_ && *previous->frames_ == frames)
        frames_ = previous->frames_;
    else
        frames_ = std::make_shared<const QVector<TextBox>>(std::move(frames));
}

QString PreparedPage::text(qsizetype index) const {
    const qsizetype start = index == 0 ? 0 : textEnds_[index - 1];
    return texts_.mid(start, textEnds_[index] - start);
}

TextBox PreparedPage::box(qsizetype index) const {
    TextBox box = frames_->at(index);
    box.Text = text(index);
    return box;
}

QVector<TextBox> PreparedPage::boxes() const {
    QVector<TextBox> result;
    result.reserve(boxCount());
    for (qsizetype i = 0; i < boxCount(); ++i)
        result.append(box(i));
    return result;
}

TextBox* TfrxReport::FindObject(const QString& name) {
    for (TextBox& box : boxes)
        if (box.Name == name)
            return &box;
    return nullptr;
}

void TfrxReport::PrepareReport(bool clearLastReport, const QString& title) {
    if (clearLastReport) {
        pages_.clear();
        Warnings.clear();
    }
    pages_.append(currentPage(title, pages_.isEmpty() ? nullptr : &pages_.last()));
}

void TfrxReport::ShowPreparedReport() {
    if (previewer())
        previewer()(pages_, Warnings);
}

void TfrxReport::setPreviewer(Previewer value) {
    previewer() = std::move(value);
}

} // namespace velta
