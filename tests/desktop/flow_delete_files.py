"""Opens the example, selects two files, deletes them after the question,
saves, and checks that the saved project's .inf no longer copies them."""

import sys

from atspi_helpers import FlowError, do, do_modal, find, gone, log, run, text_of


def flow(builder):
    project = builder.project("Demo.vip")
    builder.start(project)
    before = builder.inf(project)
    for name in ('"readme.txt"', '"sample.vwd"'):
        if name not in before:
            raise FlowError("the example lacks %s" % name)

    builder.tab("Files")
    table = find(builder.main(), "table", "Files")
    rows = table.queryTable()
    names = [rows.getAccessibleAt(row, 0).name for row in range(rows.nRows)]
    for name in ("readme.txt", "sample.vwd"):
        rows.addRowSelection(names.index(name))
    log("Delete")
    do_modal(find(builder.main(), "push button", "Delete"))
    question = builder.message_box()
    if "remove the selected file(s)" not in " ".join(l.name for l in question_labels(question)):
        raise FlowError("unexpected question")
    do(find(question, "push button", "Yes"))
    gone(builder.app, question.name)
    if rows.nRows != len(names) - 2:
        raise FlowError("the list shows %d rows after deleting two of %d" % (rows.nRows, len(names)))

    do(builder.menu("File", "Save"))
    builder.stop()
    after = builder.inf(project)
    for name in ('"readme.txt"', '"sample.vwd" ='):
        if name in after:
            raise FlowError("the saved project still copies %s" % name)
    if '"viewer.exe"' not in after:
        raise FlowError("the saved project lost viewer.exe")


def question_labels(box):
    from atspi_helpers import find_all
    return find_all(box, "label")


if __name__ == "__main__":
    sys.exit(run(flow))
