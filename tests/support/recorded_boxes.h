#pragma once

#include "input_method.h"
#include "message_service.h"

#include <vector>

namespace velta::test {

// Records every message box and gives the answer set in `answer` (OK unless told otherwise).
class RecordedBoxes {
public:
    RecordedBoxes() {
        MessageService::setResponder([this](const MessageService::Shown& box) {
            shown.push_back(box);
            return box.kind == MessageService::Kind::Confirmation ? answer : QMessageBox::Ok;
        });
    }
    ~RecordedBoxes() { MessageService::setResponder({}); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    QStringList texts() const {
        QStringList result;
        for (const auto& box : shown)
            result.append(box.text);
        return result;
    }

    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<MessageService::Shown> shown;
};

// Records the requests fields make of the input-method layer.
class RecordedImeRequests {
public:
    RecordedImeRequests() {
        InputMethodLayer::setObserver([this](const InputMethodLayer::Request& request) {
            requests.push_back({request.widget->objectName(), request.what});
        });
    }
    ~RecordedImeRequests() { InputMethodLayer::setObserver({}); }
    RecordedImeRequests(const RecordedImeRequests&) = delete;
    RecordedImeRequests& operator=(const RecordedImeRequests&) = delete;

    std::vector<std::pair<QString, QString>> requests;
};

} // namespace velta::test

#include <QInputMethodEvent>
#include <QTest>

namespace velta::test {

// Types text key by key, as a user would; characters beyond ASCII arrive as key text.
inline void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// What Mozc sends while a word is typed in romaji and converted: the kana as they build up (a
// letter that waits shows full width), the conversion, then its commit.
inline void typeThroughMozc(QWidget* field, const QStringList& preedits, const QString& commit) {
    field->setFocus();
    for (const QString& preedit : preedits) {
        QInputMethodEvent composing(preedit, {});
        QCoreApplication::sendEvent(field, &composing);
    }
    QInputMethodEvent committed;
    committed.setCommitString(commit);
    QCoreApplication::sendEvent(field, &committed);
}

} // namespace velta::test
