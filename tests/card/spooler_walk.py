"""One print registration through a running orvexreg, over AT-SPI; run by check-spooler.sh.

Opens the print road as a user does (列印註冊, 個人用戶), enters the serial given, presses 完成,
answers No to the question about further products and Print in the print dialog, if one is
shown, then prints what the program showed and how long after, and saves a screenshot of it.
Usage: spooler_walk.py serial screenshot
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_common import application, showing, wait_for  # noqa: E402


def window(role, names):
    app = application()
    return next((w for w in app if w is not None and w.getRoleName() == role
                 and w.name in names and showing(w)), None) if app else None


def control(win, role, names):
    # A button's name may end in its mnemonic, as "否(N)".
    return pyatspi.findDescendant(
        win, lambda o: o.getRoleName() == role and showing(o)
        and re.sub(r"\(.\)$", "", o.name) in names)


def press(win, *names):
    found = wait_for(lambda: control(win, "push button", names), "button " + names[0])
    action = found.queryAction()
    try:
        action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
    except Exception:
        pass  # a modal window opened by the press holds the answer back


def main():
    serial, shot = sys.argv[1], sys.argv[2]
    press(wait_for(lambda: window("frame", ["ORVEX產品註冊"]), "main window"), "列印註冊")
    press(wait_for(lambda: window("frame", ["會員類別"]), "member-type window"), "個人用戶")
    form = wait_for(lambda: window("frame", ["個人會員註冊"]), "registration form")
    field = wait_for(lambda: control(form, "text", ["產品序號"]), "serial field")
    field.queryEditableText().setTextContents(serial)
    press(form, "完成")
    press(wait_for(lambda: window("alert", ["註冊其他ORVEX產品"]), "question"), "No", "否")
    pressed = time.time()

    def print_dialog():
        return window("dialog", ["Print", "列印"])

    def outcome():
        box = window("alert", ["orvexreg"])
        if box is not None:
            texts = [o.name for o in pyatspi.findAllDescendants(
                box, lambda o: o.getRoleName() == "label" and o.name)]
            return "error box: " + " / ".join(texts)
        if not showing(form) and print_dialog() is None:
            return "form closed, result window shown"
        return None

    # With $ORVEXREG_PRINT_PDF set, the card goes into that file without a dialog.
    dialog = wait_for(lambda: print_dialog() or outcome(), "print dialog")
    if not isinstance(dialog, str):
        press(dialog, "Print", "列印")
        pressed = time.time()
    shown = wait_for(outcome, "an outcome")
    print("%.1f s after printing: %s" % (time.time() - pressed, shown))
    time.sleep(0.5)
    subprocess.run(["import", "-window", "root", shot], check=True)


main()
