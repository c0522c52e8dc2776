"""Works the builder by the keyboard alone: walks the main window's tabs
with Ctrl+F1 to Ctrl+F6, opens each dialog of the main window with its
shortcut or its menu mnemonics and closes it with Esc, and checks that every
control shown on the way has an accessible name, which is all a screen
reader can say of it."""

import os
import sys
import time

import pyatspi

from atspi_helpers import FlowError, children, click, find, find_all, gone, log, run, showing, wait_for, window

# Roles a person works; labels, panels and table cells carry no name of
# their own to check.
CONTROLS = {"push button", "toggle button", "check box", "radio button", "text", "password text", "combo box",
            "spin button", "list", "list box", "tree", "tree table", "table", "page tab", "slider"}

# X key codes of the left modifier keys, and key symbols.
CTRL, ALT = 37, 64
ESCAPE, F1, F7 = 0xFF1B, 0xFFBE, 0xFFC4

# (keys pressed one after the other, each a key and its modifiers; the
# window they open)
DIALOGS = [
    ([("o", CTRL)], "Open"),
    ([("S", CTRL)], "Save As"),  # the capital letter brings its Shift
    ([("a", CTRL, ALT)], "Add Runtimes Wizard"),
    ([(F7,)], "Build Wizard"),
    ([("p", ALT), ("i",)], "Setup Image"),
    ([("p", ALT), ("s",)], "Signing"),
    ([("f", ALT), ("i",), (".",)], "Import"),
    ([("f", ALT), ("i",), ("c",)], "Import"),
    # New closes the project before its wizard shows; Esc there asks
    # whether to cancel the wizard, Y answers.
    ([("n", CTRL)], "Veltrin Installer Wizard", "y"),
    ([("h", ALT), ("a",)], "About Veltrin Installer"),
]


def press(key, *modifiers):
    sym = ord(key) if isinstance(key, str) else key
    for modifier in modifiers:
        pyatspi.Registry.generateKeyboardEvent(modifier, None, pyatspi.KEY_PRESS)
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)
    for modifier in reversed(modifiers):
        pyatspi.Registry.generateKeyboardEvent(modifier, None, pyatspi.KEY_RELEASE)


def nameless(root):
    """The controls shown below root that have no accessible name, each
    with the names of the windows and groups around it."""
    found = []
    for acc in find_all(root):
        if acc.getRoleName() in CONTROLS and not acc.name.strip():
            path, up = [], acc.parent
            while up is not None and up != root:
                if up.name:
                    path.append(up.name)
                up = up.parent
            found.append("%s in %s" % (acc.getRoleName(), " / ".join(reversed(path + [root.name]))))
    return found


def selected_tab(main):
    """The tab whose page shows (the pages are named as their tabs)."""
    names = [t.name for t in find_all(main, "page tab")]
    pages = [acc.name for pane in find_all(main, "layered pane") for acc in children(pane)
             if acc.name in names and showing(acc)]
    return pages[0] if pages else None


def activate(main):
    """Without a window manager only a click makes the main window the
    active one that keys go to, also after a dialog closed: a click on the
    status bar, which does nothing else."""
    click(find(main, "status bar"))
    time.sleep(0.2)


def walk_tabs(builder, problems):
    """Ctrl+F1, Ctrl+F2, ... bring up the tabs in their order."""
    main = builder.main()
    names = [t.name for t in find_all(main, "page tab")]
    if len(names) != 6:
        raise FlowError("the main window shows the tabs %r" % names)
    activate(main)
    for i, name in reversed(list(enumerate(names))):
        press(F1 + i, CTRL)
        wait_for("Ctrl+F%d to show '%s'" % (i + 1, name), lambda: selected_tab(main) == name)
        problems += nameless(main)


def open_and_close(builder, steps, title, problems, answer=None):
    activate(builder.main())
    for i, (key, *modifiers) in enumerate(steps):
        if i:
            time.sleep(0.5)  # the menu opened by the step before
        press(key, *modifiers)
    dialog = window(builder.app, title)
    problems += nameless(dialog)
    press(ESCAPE)
    if answer:
        problems += nameless(builder.message_box())
        press(answer)
    gone(builder.app, title)


def flow(builder):
    project = builder.project("Demo.vip")
    saved = os.path.getmtime(project)
    builder.start(project)
    problems = []
    log("the tabs")
    walk_tabs(builder, problems)
    # Saved, so that New asks no question before its wizard.
    press("s", CTRL)
    wait_for("the project saved", lambda: os.path.getmtime(project) > saved)
    for steps, title, *answer in DIALOGS:
        log(title)
        open_and_close(builder, steps, title, problems, *answer)
    if problems:
        raise FlowError("controls without an accessible name:\n  " + "\n  ".join(sorted(set(problems))))
    builder.stop()


if __name__ == "__main__":
    sys.exit(run(flow))
