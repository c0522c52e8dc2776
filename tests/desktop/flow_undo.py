"""Opens the example, adds the MFC runtime files with the Add Runtimes
Wizard and a string value under the author's key "Demo Viewer", undoes both
through Edit > Undo (whose item names each step), redoes the files, saves,
and checks the saved project's .inf: the files are in, the value is not."""

import re
import sys
import time

import pyatspi

from atspi_helpers import (FlowError, choose, click, do, do_modal, edit_item, find, find_all, gone, labelled, log,
                           run, set_text, wait_for, window)

ASTERISK = 0x002A


def type_text(text):
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)


def tree_item(tree, name):
    return wait_for("key '%s' in the tree" % name, lambda: (find_all(tree, None, name) or [None])[0])


def expect_item(builder, verb, name):
    wait_for("Edit > %s" % name, lambda: edit_item(builder, verb).name == name or None)


def flow(builder):
    project = builder.project("Demo.vip")
    builder.start(project)

    log("Add Runtimes Wizard")
    do_modal(builder.menu("Project", "Add Runtimes Wizard"))
    wizard = window(builder.app, "Add Runtimes Wizard")
    do(find(wizard, "radio button", "MFC Runtimes"), "Toggle")
    choose(labelled(wizard, "Platform:"), "Pocket PC 2002")
    do(find(wizard, "push button", "Next"))
    find(find(wizard, None, "Processors:"), "check box", "StrongARM")
    do(find(wizard, "push button", "Finish"))
    gone(builder.app, "Add Runtimes Wizard")
    undo_files = edit_item(builder, "Undo").name
    if not re.fullmatch(r"Undo Add \d+ Files?", undo_files):
        raise FlowError("the Undo item after the wizard is %r" % undo_files)

    log("String value under Demo Viewer")
    builder.tab("Registry")
    tree = find(builder.main(), None, "Keys")
    click(tree_item(tree, "HKEY_LOCAL_MACHINE"))
    pyatspi.Registry.generateKeyboardEvent(ASTERISK, None, pyatspi.KEY_SYM)
    viewer = tree_item(tree, "Demo Viewer")
    click(viewer)
    extents = viewer.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b3c")
    # The popup menu does not show on the bus; its mnemonics are typed once
    # it has had time to open.
    time.sleep(1)
    type_text("n")
    type_text("s")
    dialog = window(builder.app, "String Value: New REG_SZ value")
    set_text(find(dialog, "text", "Data:"), "undone by the flow")
    do(find(dialog, "push button", "OK"))
    gone(builder.app, dialog.name)

    log("Undo, Undo, Redo")
    do(edit_item(builder, "Undo"))
    expect_item(builder, "Undo", undo_files)
    expect_item(builder, "Redo", "Redo Change Registry")
    do(edit_item(builder, "Undo"))
    expect_item(builder, "Redo", "Redo" + undo_files[len("Undo"):])
    do(edit_item(builder, "Redo"))
    expect_item(builder, "Undo", undo_files)

    do(builder.menu("File", "Save"))
    builder.stop()
    inf = builder.inf(project)
    if '"mfcce300.dll"' not in inf:
        raise FlowError("the redone runtime files are not in the saved project's .inf")
    if "undone by the flow" in inf:
        raise FlowError("the undone registry value is still in the saved project's .inf")


if __name__ == "__main__":
    sys.exit(run(flow))
