#include "Accessibility.h"

#include "Guard.h"
#include "THoverLabel.h"

#include <QAccessibleWidget>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QTextBrowser>

namespace {

// A hot area is read as a push button that can be pressed; any other hover label as text.
class HoverLabelAccessible final : public QAccessibleWidget {
public:
    explicit HoverLabelAccessible(THoverLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return label()->isButton() ? QAccessible::Button : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) {
            return label()->text().simplified();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (label()->isButton()) {
            names.prepend(pressAction());
        }
        return names;
    }

    void doAction(const QString& name) override {
        if (label()->isButton() && name == pressAction()) {
            label()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (label()->isButton() && name == pressAction()) {
            return {QStringLiteral("Space")};
        }
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    THoverLabel* label() const { return static_cast<THoverLabel*>(widget()); }
};

QAccessibleInterface* hoverLabelAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("THoverLabel") && object != nullptr && object->isWidgetType()) {
        return new HoverLabelAccessible(static_cast<THoverLabel*>(object));
    }
    return nullptr;
}

// The windows are plain widgets, which a screen reader would take for a filler; they are
// windows named by their title.
QAccessibleInterface* windowAccessible(const QString& className, QObject* object) {
    if (!object->isWidgetType() || className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    if (widget->isWindow() && object->metaObject()->superClass() == &QWidget::staticMetaObject) {
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    return nullptr;
}

}  // namespace

namespace accessibility {

void installInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(&hoverLabelAccessible);
        QAccessible::installFactory(&windowAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

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
    QObject::connect(shortcut, &QShortcut::activated, window, guard::handler(std::move(action)));
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
