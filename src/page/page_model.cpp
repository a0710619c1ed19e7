#include "page_model.h"

#include <QHash>

namespace velta {
namespace {

TfrxReport::Previewer& previewer() {
    static TfrxReport::Previewer instance;
    return instance;
}

// The digits of postal codes are texts of one character: each kept once.
const QString& oneCharacter(QChar c) {
    static QHash<QChar, QString> kept;
    auto found = kept.find(c);
    if (found == kept.end())
        found = kept.insert(c, QString(c));
    return *found;
}

// Pages of a composed run differ in where their name boxes stand, in a few hundred ways:
// frames alike are kept once, found by a hash of where the boxes stand and how large they
// draw (the rest, names of faces among it, is compared when the hash is found).
std::shared_ptr<const QVector<TextBox>> sharedFrames(QVector<TextBox>&& frames) {
    constexpr qsizetype kMostKept = 8192;
    thread_local QHash<size_t, std::weak_ptr<const QVector<TextBox>>> kept;
    size_t hash = 0;
    for (const TextBox& b : frames)
        hash = qHashMulti(hash, b.Left, b.Top, b.Width, b.Height, b.FontHeight, b.Visible,
                          b.CharSpacing, b.Condense);
    auto found = kept.find(hash);
    if (found != kept.end())
        if (auto same = found->lock(); same && *same == frames)
            return same;
    if (kept.size() >= kMostKept)
        kept.removeIf([](const auto& entry) { return entry.value().expired(); });
    if (kept.size() >= kMostKept)
        kept.clear();
    // Not make_shared: a weak pointer here must not keep a dropped page's frames in memory.
    std::shared_ptr<const QVector<TextBox>> made(new QVector<TextBox>(std::move(frames)));
    kept.insert(hash, made);
    return made;
}

} // namespace

PreparedPage::PreparedPage(const PageSetup& setup, const QVector<TextBox>& boxes,
                           const QString& pageTitle, const PreparedPage* previous)
    : page(setup), title(pageTitle) {
    QVector<TextBox> frames = boxes;
    texts_.reserve(boxes.size());
    for (qsizetype i = 0; i < frames.size(); ++i) {
        QString& text = frames[i].Text;
        if (previous && i < previous->texts_.size() && previous->texts_[i] == text)
            texts_.append(previous->texts_[i]); // the sender, 様: one copy for the whole run
        else if (text.size() == 1)
            texts_.append(oneCharacter(text.front()));
        else
            texts_.append(text);
        text.clear();
    }
    frames_ = sharedFrames(std::move(frames));
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

QList<int> TfrxReport::ShowPreparedReport() {
    return previewer() ? previewer()(pages_, Warnings) : QList<int>();
}

void TfrxReport::setPreviewer(Previewer value) {
    previewer() = std::move(value);
}

} // namespace velta
