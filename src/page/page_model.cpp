#include "page_model.h"

namespace velta {
namespace {

std::function<void(const QVector<PreparedPage>&)>& previewer() {
    static std::function<void(const QVector<PreparedPage>&)> instance;
    return instance;
}

} // namespace

TextBox* TfrxReport::FindObject(const QString& name) {
    for (TextBox& box : boxes)
        if (box.Name == name)
            return &box;
    return nullptr;
}

void TfrxReport::PrepareReport(bool clearLastReport) {
    if (clearLastReport)
        pages_.clear();
    pages_.append(PreparedPage{Page1, boxes});
}

void TfrxReport::ShowPreparedReport() {
    if (previewer())
        previewer()(pages_);
}

void TfrxReport::setPreviewer(std::function<void(const QVector<PreparedPage>&)> value) {
    previewer() = std::move(value);
}

} // namespace velta
