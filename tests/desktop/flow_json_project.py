"""Opens the example's JSON project in the window, types a new company name
on the General tab and saves: the project stays JSON, its file differs from
the opened one only in lines that hold the new name, as a reviewer of the
diff expects, and the saved project makes its .inf."""

import os
import sys

import pyatspi

from atspi_helpers import FlowError, click, do, find, log, run, wait_for

CTRL = 37
NEW_NAME = "Flow Software"


def flow(builder):
    project = builder.project("Demo.json")
    with open(project, encoding="utf-8") as f:
        before = f.read().splitlines()
    builder.start(project)

    log("Company Name")
    builder.tab("General")
    edit = find(builder.main(), "text", "Company Name:")
    click(edit)
    wait_for("the focus in Company Name", lambda: edit.getState().contains(pyatspi.STATE_FOCUSED))
    pyatspi.Registry.generateKeyboardEvent(CTRL, None, pyatspi.KEY_PRESS)
    pyatspi.Registry.generateKeyboardEvent(ord("a"), None, pyatspi.KEY_SYM)
    pyatspi.Registry.generateKeyboardEvent(CTRL, None, pyatspi.KEY_RELEASE)
    pyatspi.Registry.generateKeyboardEvent(0, NEW_NAME, pyatspi.KEY_STRING)
    wait_for("the typed name", lambda: edit.queryText().getText(0, -1) == NEW_NAME)
    wait_for("the changed-mark", lambda: builder.main().name.endswith("*"))

    do(builder.menu("File", "Save"))
    wait_for("the changed-mark gone", lambda: not builder.main().name.endswith("*"))
    builder.stop()

    with open(project, encoding="utf-8") as f:
        after = f.read().splitlines()
    if len(after) != len(before):
        raise FlowError("the saved JSON has %d lines, the opened one %d" % (len(after), len(before)))
    changed = [b for a, b in zip(before, after) if a != b]
    log("changed lines: %r" % changed)
    if not changed or any(NEW_NAME not in line for line in changed):
        raise FlowError("the lines that differ are not those of the change: %r" % changed)
    if NEW_NAME not in builder.inf(project):
        raise FlowError("the saved project's .inf lacks the new company name")


if __name__ == "__main__":
    sys.exit(run(flow))
