"""Opens the example, adds the MFC runtime for Pocket PC 2002 with the Add
Runtimes Wizard, saves, and checks the saved project's .inf."""

import sys

from atspi_helpers import FlowError, choose, do, do_modal, find, gone, labelled, log, run, window


def flow(builder):
    project = builder.project("Demo.vip")
    builder.start(project)
    log("Add Runtimes Wizard")
    do_modal(builder.menu("Project", "Add Runtimes Wizard"))
    wizard = window(builder.app, "Add Runtimes Wizard")
    do(find(wizard, "radio button", "MFC Runtimes"), "Toggle")
    choose(labelled(wizard, "Platform:"), "Pocket PC 2002")
    do(find(wizard, "push button", "Next"))
    processors = find(wizard, None, "Processors:")
    find(processors, "check box", "StrongARM")
    do(find(wizard, "push button", "Finish"))
    gone(builder.app, "Add Runtimes Wizard")

    do(builder.menu("File", "Save"))
    builder.stop()
    inf = builder.inf(project)
    for expected in ('"mfcce300.dll"', "wce300\\Pocket PC 2002\\mfc\\Lib\\ARM", "%CE2%"):
        if expected not in inf:
            raise FlowError("the saved project's .inf lacks %s" % expected)


if __name__ == "__main__":
    sys.exit(run(flow))
