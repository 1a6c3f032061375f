#include "Accessibility.h"

#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QTextBrowser>

namespace accessibility {

void nameByPageTitle(QTextBrowser* browser, const QString& fallback) {
    const auto name = [browser, fallback] {
        const QString title = browser->documentTitle().simplified();
        browser->setAccessibleName(title.isEmpty() ? fallback : title);
    };
    name();
    QObject::connect(browser, &QTextEdit::textChanged, browser, name);
}

void onEscape(QWidget* window, std::function<void()> action) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(shortcut, &QShortcut::activated, window, std::move(action));
}

void nameField(QWidget* field, const QString& caption, const QString& part, const QString& hint) {
    const bool required = caption.startsWith(u'*');
    const QString name = caption.mid(required ? 1 : 0).simplified();
    field->setAccessibleName(part.isEmpty() ? name : QStringLiteral("%1（%2）").arg(name, part));
    QStringList description;
    if (required) {
        description << QStringLiteral("必填");
    }
    if (!hint.isEmpty()) {
        description << hint;
    }
    field->setAccessibleDescription(description.join(QStringLiteral("。")));
}

void labelList(QLabel* label, QWidget* list) {
    label->setBuddy(list);
    label->setAccessibleName(list->accessibleName());
}

}  // namespace accessibility
