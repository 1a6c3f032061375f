#pragma once

#include <QString>
#include <functional>

class QLabel;
class QTextBrowser;
class QWidget;

// Keyboard and screen-reader helpers shared by the windows.
namespace accessibility {

// Hover labels and the windows get their screen-reader interfaces; once, before any window is
// read.
void installInterfaces();

// The page's own title names the browser to a screen reader; `fallback` while it has none.
void nameByPageTitle(QTextBrowser* browser, const QString& fallback);

// Escape anywhere in the window runs its cancel or close action, guarded.
void onEscape(QWidget* window, std::function<void()> action);

// Names a field after its caption, and one of several fields of a caption after its part too
// ("電話（區碼）"). The caption's leading "*" marks a required field, which the description
// says before the hint.
void nameField(QWidget* field, const QString& caption, const QString& part = QString(),
               const QString& hint = QString());

// A list is read by its selected item, and a screen reader finds its name on the label that
// the list says labels it; that label then carries the list's name.
void labelList(QLabel* label, QWidget* list);

}  // namespace accessibility
