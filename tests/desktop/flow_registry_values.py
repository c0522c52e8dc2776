"""Opens the example, adds a key under the author's key "Demo Viewer" with
the key tree's Insert key, adds a string, a DWORD, a multi-string and a
binary value through their editors (the binary one typed into the hex
editor), saves, and checks the registry lines of the saved project's .inf."""

import sys
import time

import pyatspi

from atspi_helpers import FlowError, click, do, find, find_all, gone, log, run, set_text, wait_for, window

INSERT, RETURN, ASTERISK = 0xFF63, 0xFF0D, 0x002A


def key(sym):
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)


def type_text(text):
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)


def tree_item(tree, name):
    return wait_for("key '%s' in the tree" % name, lambda: (find_all(tree, None, name) or [None])[0])


def right_click(acc):
    extents = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b3c")


def new_value(builder, tree, mnemonic, title):
    """The key's context menu, opened with the right mouse button: New, then
    the value type by its mnemonic. Answers the value's editor."""
    right_click(tree_item(tree, "Flow"))
    # The popup menu does not show on the bus; its mnemonics are typed once
    # it has had time to open.
    time.sleep(1)
    type_text("n")
    type_text(mnemonic)
    return window(builder.app, title)


def flow(builder):
    project = builder.project("Demo.vip")
    builder.start(project)
    builder.tab("Registry")
    tree = find(builder.main(), None, "Keys")

    log("New key under Demo Viewer")
    click(tree_item(tree, "HKEY_LOCAL_MACHINE"))
    key(ASTERISK)
    click(tree_item(tree, "Demo Viewer"))
    key(INSERT)
    tree_item(tree, "New Key")
    type_text("Flow")
    key(RETURN)
    flow_item = tree_item(tree, "Flow")
    wait_for("the new key selected", lambda: flow_item.getState().contains(pyatspi.STATE_SELECTED))

    # The text editors: menu letter, dialog title, data label, typed data.
    for name, letter, title, label, data in (
            ("String Value", "s", "String Value: New REG_SZ value", "Data:", "hello flow"),
            ("DWORD Value", "d", "DWORD Value: New REG_DWORD value", "Data: ", "1F4"),
            ("Multy String Value", "m", "Multystring Value:New REG_MULTI_SZ value", "Data: ", "first\nsecond")):
        log(name)
        dialog = new_value(builder, tree, letter, title)
        set_text(find(dialog, "text", label), data)
        do(find(dialog, "push button", "OK"))
        gone(builder.app, dialog.name)

    log("Binary Value")
    dialog = new_value(builder, tree, "b", "Binary Value: New REG_BINARY value")
    # The hex editor has the focus: insert mode, then the digits.
    key(INSERT)
    type_text("0a00ff")
    hex_editor = find(dialog, None, "Data (press Insert to start adding or deleting bytes)")
    wait_for("the typed bytes", lambda: "0A00 FF" in (hex_editor.description or ""))
    do(find(dialog, "push button", "OK"))
    gone(builder.app, dialog.name)

    values = find(builder.main(), None, "Values")
    table = values.queryTable()
    if table.nRows != 5:
        raise FlowError("the value list shows %d rows, not the default and four new values" % table.nRows)

    do(builder.menu("File", "Save"))
    builder.stop()
    inf = builder.inf(project)
    path = 'HKLM,"Software\\Example Software\\Demo Viewer\\Flow", '
    # Each device section repeats the key's lines.
    lines = sorted(set(line for line in inf.splitlines() if line.startswith(path)))
    for expected in ('"New REG_SZ value",0x00000000, hello flow',
                     '"New REG_DWORD value",0x00010001, 0x1F4',
                     '"New REG_MULTI_SZ value",0x00010000, first,second,',
                     '"New REG_BINARY value",0x00000001, A, 0, FF'):
        if not any(expected in line for line in lines):
            raise FlowError("the .inf lacks %s%s; its lines of the key: %s" % (path, expected, lines))
    if len(lines) != 4:
        raise FlowError("the key has %d distinct lines, not 4: %s" % (len(lines), lines))


if __name__ == "__main__":
    sys.exit(run(flow))
