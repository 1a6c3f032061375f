#include "MessageBoxes.h"

#include "MessageBoxWindow.h"
#include "platform/Error.h"
#include "platform/Hive.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace msg {
namespace {

class WidgetBoxes final : public MessageBoxes {
public:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons) override {
        MessageBoxWindow box(buttons == Buttons::YesNo);
        box.setWindowTitle(caption);
        box.setText(text);
        switch (icon) {
            case Icon::None:
                box.setIcon(QMessageBox::NoIcon);
                break;
            case Icon::Stop:
                box.setIcon(QMessageBox::Critical);
                break;
            case Icon::Warning:
                box.setIcon(QMessageBox::Warning);
                break;
            case Icon::Information:
                box.setIcon(QMessageBox::Information);
                break;
        }
        if (buttons == Buttons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Answer::Ok;
    }
};

MessageBoxes*& current() {
    static MessageBoxes* boxes = nullptr;
    return boxes;
}

}  // namespace

MessageBoxes& boxes() {
    static WidgetBoxes real;
    return current() != nullptr ? *current() : real;
}

void setBoxes(MessageBoxes* replacement) {
    current() = replacement;
}

void inform(const QString& text, const QString& caption) {
    boxes().show(text, caption, Icon::None, Buttons::Ok);
}

bool ask(const QString& text, const QString& caption) {
    return boxes().show(text, caption, Icon::None, Buttons::YesNo) == Answer::Yes;
}

QString errorText(const QString& text) {
    if (!text.isEmpty() && text.back() > QChar(u'.')) {
        return text + u'.';
    }
    return text;
}

QString applicationTitle() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void showError(const QString& text) {
    boxes().show(errorText(text), applicationTitle(), Icon::Stop, Buttons::Ok);
}

void showError(const std::exception& error) {
    if (const auto* e = dynamic_cast<const Error*>(&error)) {
        showError(e->message());
    } else {
        showError(QString::fromUtf8(error.what()));
    }
}

void reportErrors(const std::function<void()>& handler) {
    try {
        // A handler is one action of the user's: a hive found unusable is waited on once.
        const HiveAction action(HiveAction::Kind::Handler);
        handler();
    } catch (const std::exception& e) {
        showError(e);
    }
}

}  // namespace msg
