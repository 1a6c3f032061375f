#pragma once

#include <QString>
#include <exception>
#include <functional>

// Modal message boxes behind an interface, so that windows can be driven headless: the
// program shows real boxes, tests install a scripted fake.
namespace msg {

enum class Icon { None, Stop, Warning, Information };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual Answer show(const QString& text, const QString& caption, Icon icon,
                        Buttons buttons) = 0;
};

// The boxes in use; the real QMessageBox ones unless replaced.
MessageBoxes& boxes();
// Replaces the boxes (tests); nullptr restores the real ones.
void setBoxes(MessageBoxes* boxes);

// A message with an OK button and no icon.
void inform(const QString& text, const QString& caption);
// A Yes/No question without an icon; true for Yes.
bool ask(const QString& text, const QString& caption);

// The error box of the application: the text with a period added when its last character
// sorts after ".", the program's name as caption, an OK button and the stop icon.
QString errorText(const QString& text);
QString applicationTitle();
void showError(const QString& text);
void showError(const std::exception& error);

// Runs a handler; an error escaping it is shown in the error box and ends only the handler.
void reportErrors(const std::function<void()>& handler);

}  // namespace msg
