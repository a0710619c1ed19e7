#include "page_model.h"

namespace velta {
namespace {

TfrxReport::Previewer& previewer() {
    static TfrxReport::Previewer instance;
    return instance;
}

} // namespace

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
    pages_.append(PreparedPage{Page1, boxes, title});
}

void TfrxReport::ShowPreparedReport() {
    if (previewer())
        previewer()(pages_, Warnings);
}

void TfrxReport::setPreviewer(Previewer value) {
    previewer() = std::move(value);
}

} // namespace velta
