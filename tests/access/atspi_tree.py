"""What a screen reader finds in a running orvexreg, over AT-SPI; run by check-atspi.sh.

Prints the tree of the main window, the member-type window and the registration form (opened
through the buttons' press actions), saves a screenshot with the keyboard focus on a button,
and exits 1 when a control that takes the focus, is showing and enabled has no name.
"""
import os
import subprocess
import sys

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_common import application, showing, wait_for  # noqa: E402

faults = []


def window(app, title):
    return next((w for w in app if w is not None and w.name == title and showing(w)), None)


def labelled_by(obj):
    return next((r.getTarget(0).name for r in obj.getRelationSet()
                 if r.getRelationType() == pyatspi.RELATION_LABELLED_BY), "")


def walk(obj, depth=0):
    state = obj.getState()
    focusable = state.contains(pyatspi.STATE_FOCUSABLE)
    label = labelled_by(obj)
    line = "  " * depth + '%s "%s"' % (obj.getRoleName(), obj.name)
    if obj.description:
        line += ' description="%s"' % obj.description
    if label:
        line += ' labelled-by="%s"' % label
    if focusable:
        line += " focusable"
    if not showing(obj):
        print(line + " (not showing)")
        return
    print(line)
    if focusable and state.contains(pyatspi.STATE_SENSITIVE) and not (obj.name or label):
        faults.append("%s in %s" % (obj.getRoleName(), obj.parent.name))
    for child in obj:
        if child is not None:
            walk(child, depth + 1)


def button(win, name):
    return pyatspi.findDescendant(
        win, lambda o: o.getRoleName() == "push button" and o.name == name)


def focused(win, name):
    found = button(win, name)
    return found if found and found.getState().contains(pyatspi.STATE_FOCUSED) else None


def press(win, name):
    found = wait_for(lambda: button(win, name), "button " + name)
    action = found.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press"))


def main():
    app = wait_for(application, "orvexreg on the accessibility bus")
    main_window = wait_for(lambda: window(app, "ORVEX產品註冊"), "main window")
    walk(main_window)

    # Tab moves the focus from the first button to the second, which shows its lit face.
    # No window manager runs: give the main window the input focus first.
    subprocess.run(["xdotool", "search", "--name", "^ORVEX產品註冊$", "windowfocus", "--sync",
                    "key", "Tab"], check=True)
    wait_for(lambda: focused(main_window, "列印註冊"), "focus on 列印註冊")
    subprocess.run(["import", "-window", "root", sys.argv[1]], check=True)
    print("screenshot with the focus on 列印註冊:", sys.argv[1])

    press(main_window, "線上註冊")
    member = wait_for(lambda: window(app, "會員類別"), "member-type window")
    walk(member)
    press(member, "個人用戶")
    form = wait_for(lambda: window(app, "個人會員註冊"), "registration form")
    walk(form)

    if faults:
        print("unnamed controls:", *faults, sep="\n  ")
        sys.exit(1)
    print("every focusable control is named")


main()
