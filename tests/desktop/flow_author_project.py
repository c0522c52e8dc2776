"""Opens the example, adds a file through "File Properties" (its source
chosen in the file dialog, a platform, a processor), a shortcut to it and a
setup DLL, saves, and checks the saved project's .inf."""

import os
import sys

from atspi_helpers import (FlowError, check_item, choose, do, do_modal, find, gone, labelled, log, run,
                           set_text, window)


def add_in_tab(builder, tab, title):
    builder.tab(tab)
    do_modal(find(builder.main(), "push button", "Add"))
    return window(builder.app, title)


def flow(builder):
    source_dir = os.path.join(builder.work, "src", "ARMV4")
    os.makedirs(source_dir)
    source = os.path.join(source_dir, "extra.exe")
    with open(source, "wb") as f:
        f.write(b"MZ extra")
    project = builder.project("Demo.vip")
    builder.start(project)

    log("File Properties")
    dialog = add_in_tab(builder, "Files", "File Properties")
    do_modal(find(dialog, "push button", "Browse for the source file"))
    opened = window(builder.app, "Open")
    set_text(find(opened, "text", "File name:"), source)
    do(find(opened, "push button", "Open"))
    gone(builder.app, "Open")
    platforms = find(dialog, None, "Platform:")
    # The folder name ARMV4 suggested Pocket PC 2002; the author wants
    # Windows Mobile 2003 on an ARM920 instead.
    check_item(platforms, "PocketPC 2002", False)
    check_item(platforms, "Windows Mobile 2003", True)
    choose(labelled(dialog, "Processor:"), "ARM920")
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "File Properties")

    log("Shortcut Properties")
    dialog = add_in_tab(builder, "Shortcuts", "Shortcut Properties")
    set_text(find(dialog, "text", "Name:"), "Extra Tool")
    choose(labelled(dialog, "Target:"), "\\Program Files\\Example Software\\Demo Viewer\\extra.exe")
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Shortcut Properties")

    log("SetupDll Properties")
    dialog = add_in_tab(builder, "Setup DLLs", "SetupDll Properties")
    set_text(find(dialog, "text", "Source:"), os.path.join(builder.work, "src", "setup.dll"))
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "SetupDll Properties")

    do(builder.menu("File", "Save"))
    builder.stop()

    inf = builder.inf(project)
    for expected in ('"extra.exe"', "WM2003_2336", '"Extra Tool"', "setup.dll"):
        if expected not in inf:
            raise FlowError("the saved project's .inf lacks %s" % expected)


if __name__ == "__main__":
    sys.exit(run(flow))
