#include "TestEnvironment.h"
#include "controls/TBig5Edit.h"
#include "core/Cp950.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

// Key presses and releases that carry the text, as a keyboard or an input method delivers
// them; QTest::keyClicks takes Latin-1 only.
void type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// What an input method commits (a Chinese word, an emoji) arrives in one event.
void commit(QWidget* w, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(w, &event);
}

struct Field {
    TBig5Edit edit;
    explicit Field(int maxBytes = 0, TBig5Edit::CharCase c = TBig5Edit::Normal) {
        edit.setMaxBytes(maxBytes);
        edit.setCharCase(c);
        edit.show();
        edit.activateWindow();
        if (!QTest::qWaitForWindowActive(&edit)) {
            qWarning("the field's window did not become active");
        }
        edit.setFocus();
    }
};

}  // namespace

class TestBig5Edit : public QObject {
    Q_OBJECT
private slots:
    void limitsBytesAndCaseAsTyped() {
        TestEnvironment env;
        {
            Field f(10, TBig5Edit::Upper);
            QTest::keyClicks(&f.edit, QStringLiteral("ab1c"));
            QCOMPARE(f.edit.text(), QStringLiteral("AB1C"));
            // Typed into the middle: converted, caret after it.
            f.edit.setCursorPosition(1);
            QTest::keyClicks(&f.edit, QStringLiteral("x"));
            QCOMPARE(f.edit.text(), QStringLiteral("AXB1C"));
            QCOMPARE(f.edit.cursorPosition(), 2);
        }
        {
            Field f(4);
            type(&f.edit, QStringLiteral("一二三"));
            QCOMPARE(f.edit.text(), QStringLiteral("一二"));
            f.edit.clear();
            type(&f.edit, QStringLiteral("a一b二"));
            QCOMPARE(f.edit.text(), QStringLiteral("a一b"));
            // Replacing a selection makes room again.
            f.edit.selectAll();
            QTest::keyClicks(&f.edit, QStringLiteral("5"));
            QCOMPARE(f.edit.text(), QStringLiteral("5"));
        }
        {
            // Text the program set stays as it is; only what is typed is lower-cased.
            Field f(35, TBig5Edit::Lower);
            f.edit.setText(QStringLiteral("ABC@X.TW"));
            f.edit.end(false);
            QTest::keyClicks(&f.edit, QStringLiteral("D"));
            QCOMPARE(f.edit.text(), QStringLiteral("ABC@X.TWd"));
        }
        QCOMPARE(env.boxes.count(), 0);
    }

    void programTextIsTakenAsItIs() {
        TestEnvironment env;
        Field f(2, TBig5Edit::Upper);
        f.edit.setText(QStringLiteral("abc12"));
        QCOMPARE(f.edit.text(), QStringLiteral("abc12"));
        // Typing cannot make an over-long text longer.
        f.edit.end(false);
        QTest::keyClicks(&f.edit, QStringLiteral("3"));
        QCOMPARE(f.edit.text(), QStringLiteral("abc12"));
        QCOMPARE(env.boxes.count(), 0);
    }

    // Observers of the text (the form's product slots) must never see a text the field does
    // not end up holding.
    void changesAreReportedOnlyWithTheCorrectedText() {
        TestEnvironment env;
        Field f(4, TBig5Edit::Upper);
        QStringList changed;
        QStringList edited;
        connect(&f.edit, &QLineEdit::textChanged, [&](const QString& t) { changed << t; });
        connect(&f.edit, &QLineEdit::textEdited, [&](const QString& t) { edited << t; });
        QTest::keyClicks(&f.edit, QStringLiteral("ab"));
        type(&f.edit, QStringLiteral("堃"));
        QTest::keyClicks(&f.edit, QStringLiteral("cde"));
        QCOMPARE(f.edit.text(), QStringLiteral("ABCD"));
        QCOMPARE(changed, QStringList({"A", "AB", "ABC", "ABCD"}));
        QCOMPARE(edited, changed);
        // Setting the text it already holds is no change.
        f.edit.setText(QStringLiteral("ABCD"));
        QCOMPARE(changed.size(), 4);
    }

    void refusesWhatBig5CannotHold() {
        TestEnvironment env;
        Field f;
        type(&f.edit, QStringLiteral("a堃b"));
        QCOMPARE(f.edit.text(), QStringLiteral("ab"));
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(env.boxes.last().text, TBig5Edit::refusalText(QStringLiteral("堃")));
        QCOMPARE(env.boxes.last().caption, TBig5Edit::refusalCaption());
        QCOMPARE(env.boxes.last().icon, msg::Icon::None);
        QVERIFY(f.edit.hasFocus());

        // A committed word keeps what Big5 holds and names each refused character once.
        f.edit.clear();
        env.boxes.clear();
        commit(&f.edit, QStringLiteral("黃堃明😀堃简"));
        QCOMPARE(f.edit.text(), QStringLiteral("黃明"));
        QCOMPARE(env.boxes.count(), 1);
        const QString text = env.boxes.last().text;
        QVERIFY2(text.contains(QStringLiteral("堃")) && text.contains(QStringLiteral("😀")) &&
                     text.contains(QStringLiteral("简")),
                 qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("堃")), 1);

        // Never half an emoji.
        f.edit.clear();
        commit(&f.edit, QStringLiteral("😀"));
        QCOMPARE(f.edit.text(), QString());
        QVERIFY(cp950::tryEncode(f.edit.text()).has_value());
    }

    void pastingIsCheckedLikeTyping() {
        TestEnvironment env;
        Field f(6, TBig5Edit::Upper);
        QApplication::clipboard()->setText(QStringLiteral("ab堃一二三"));
        QTest::keyClick(&f.edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.edit.text(), QStringLiteral("AB一二"));
        QCOMPARE(env.boxes.count(), 1);

        // The context menu's paste runs after the menu has closed.
        f.edit.clear();
        env.boxes.clear();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2),
                                    f.edit.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&f.edit, &menuEvent);
        QMenu* menu = f.edit.findChild<QMenu*>();
        QVERIFY(menu != nullptr);
        QAction* paste = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text().startsWith(QLineEdit::tr("&Paste"))) {
                paste = action;
            }
        }
        QVERIFY(paste != nullptr);
        menu->close();
        paste->trigger();
        QCOMPARE(f.edit.text(), QStringLiteral("AB一二"));
        QCOMPARE(env.boxes.count(), 1);
    }

    // With nothing of an edit left the field keeps its text, selection and undo history; what
    // is left of an edit undoes in one step.
    void refusalKeepsWhatTheFieldHeld() {
        const struct {
            int selStart, selLength;
            QString pasted, after, selected, undone;
        } cases[] = {
            {0, 2, QStringLiteral("😀"), QStringLiteral("ab"), QStringLiteral("ab"), QString()},
            {1, 1, QStringLiteral("x😀y"), QStringLiteral("axy"), QString(), QStringLiteral("ab")},
            {2, 0, QStringLiteral("😀c"), QStringLiteral("abc"), QString(), QStringLiteral("ab")},
        };
        for (const auto& c : cases) {
            TestEnvironment env;
            Field f;
            QTest::keyClicks(&f.edit, QStringLiteral("ab"));
            f.edit.setSelection(c.selStart, c.selLength);
            QApplication::clipboard()->setText(c.pasted);
            QTest::keyClick(&f.edit, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(QStringList({f.edit.text(), f.edit.selectedText()}),
                     QStringList({c.after, c.selected}));
            QCOMPARE(env.boxes.count(), 1);
            QTest::keyClick(&f.edit, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(f.edit.text(), c.undone);
        }
    }

    void keyUpFollowsTheEdit() {
        TestEnvironment env;
        Field f(0, TBig5Edit::Upper);
        QStringList seen;
        connect(&f.edit, &TBig5Edit::KeyUp, [&] { seen << f.edit.text(); });
        QTest::keyClicks(&f.edit, QStringLiteral("ab"));
        QCOMPARE(seen, QStringList({"A", "AB"}));
        // A held key repeats its presses but releases once.
        QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"), true);
        QApplication::sendEvent(&f.edit, &repeat);
        QCOMPARE(seen.size(), 2);
        // An input method's commit may come without a release: the rules still see it.
        commit(&f.edit, QStringLiteral("一"));
        QCOMPARE(seen, QStringList({"A", "AB", "AB一"}));
        QInputMethodEvent preedit(QStringLiteral("ㄧ"), {});
        QApplication::sendEvent(&f.edit, &preedit);
        QCOMPARE(seen.size(), 3);
        // The Return that closed a message box is released here but was pressed in the box.
        QKeyEvent stray(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&f.edit, &stray);
        QCOMPARE(seen.size(), 3);
        // The Tab that brought the focus here counts, as any key released in the field.
        QKeyEvent tab(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(&f.edit, &tab);
        QCOMPARE(seen.size(), 4);
    }

    void correctionOfOneEdit() {
        using C = TBig5Edit;
        // The inserted part is found between the common head and tail.
        auto c = C::correct(QStringLiteral("ac"), QStringLiteral("abc"), 0, C::Upper);
        QCOMPARE(c.text, QStringLiteral("aBc"));
        QCOMPARE(c.cursor, 2);
        // Surrogate pairs are never split, also when two emoji share their first half.
        c = C::correct(QStringLiteral("x"), QStringLiteral("x😀😁"), 0, C::Normal);
        QCOMPARE(c.text, QStringLiteral("x"));
        QCOMPARE(c.refused, QStringLiteral("😀😁"));
        // Room left by text the program put in beyond the limit is none.
        c = C::correct(QStringLiteral("123"), QStringLiteral("1234"), 2, C::Normal);
        QCOMPARE(c.text, QStringLiteral("123"));
        // A double-byte character does not fit into one remaining byte.
        c = C::correct(QStringLiteral("abc"), QStringLiteral("abc王"), 4, C::Normal);
        QCOMPARE(c.text, QStringLiteral("abc"));
    }
};

QTEST_MAIN(TestBig5Edit)
#include "tst_big5edit.moc"
