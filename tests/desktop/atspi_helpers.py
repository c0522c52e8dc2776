"""Drives the real builder through the accessibility bus, the way a person
with a screen reader would: controls are found by role and visible name,
and worked through their accessible actions, texts and selections.

Run inside `xvfb-run -a dbus-run-session` (see run_flow.sh)."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

TIMEOUT = 15.0


class FlowError(Exception):
    pass


class DisplayLost(FlowError):
    """The builder could not even start (another X server took the display
    number in between); run_flow.sh starts the whole flow again."""


def log(text):
    print("desktop:", text, flush=True)


def wait_for(what, probe, timeout=TIMEOUT):
    """Calls probe until it answers something true, or fails."""
    end = time.time() + timeout
    while True:
        try:
            found = probe()
        except GLib.Error:
            found = None
        if found:
            return found
        if time.time() > end:
            raise FlowError("timed out waiting for " + what)
        time.sleep(0.1)


def children(acc):
    try:
        return [c for c in acc if c is not None]
    except GLib.Error:
        return []


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except GLib.Error:
        return False


def find_all(root, role=None, name=None, visible=True):
    """Every descendant with the role name and accessible name given
    (breadth first, hidden subtrees left out when visible is set)."""
    found = []
    queue = [root]
    while queue:
        acc = queue.pop(0)
        for child in children(acc):
            if visible and not showing(child):
                continue
            if (role is None or child.getRoleName() == role) and (name is None or child.name == name):
                found.append(child)
            queue.append(child)
    return found


def find(root, role=None, name=None, timeout=TIMEOUT):
    return wait_for("%s '%s'" % (role, name), lambda: (find_all(root, role, name) or [None])[0], timeout)


def action(acc, name):
    actions = acc.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == name:
            return actions, i
    raise FlowError("'%s' has no action %s" % (acc.name, name))


def do(acc, name="Press"):
    """Runs an action that returns at once."""
    actions, index = action(acc, name)
    actions.doAction(index)


def do_modal(acc, name="Press"):
    """Runs an action that opens a modal window: the application answers
    only once the window closes, so a missing answer means it is open."""
    actions, index = action(acc, name)
    Atspi.set_timeout(1500, -1)
    try:
        actions.doAction(index)
    except GLib.Error:
        pass
    finally:
        Atspi.set_timeout(-1, -1)


def set_text(acc, text):
    acc.queryEditableText().setTextContents(text)


def text_of(acc):
    t = acc.queryText()
    return t.getText(0, t.characterCount)


def window(app, title, timeout=TIMEOUT):
    """A top-level window (frame or dialog) of the application."""
    def probe():
        for child in children(app):
            if child.name == title and showing(child):
                return child
        return None
    return wait_for("window '%s'" % title, probe, timeout)


def gone(app, title, timeout=TIMEOUT):
    wait_for("window '%s' to close" % title,
             lambda: not any(c.name == title and showing(c) for c in children(app)), timeout)


def labelled(root, label):
    """The control a label is for, through the label's "label for"
    relation, as a screen reader pairs them (a drop-down list names itself
    by its entry, not by its label)."""
    def probe():
        for acc in find_all(root, "label", label):
            for relation in acc.getRelationSet():
                if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR and relation.getNTargets() > 0:
                    return relation.getTarget(0)
        return None
    return wait_for("the control of label '%s'" % label, probe)


def is_checked(acc):
    return acc.getState().contains(pyatspi.STATE_CHECKED)


def check_item(list_acc, text, checked=True):
    """Checks or unchecks the item of a check list."""
    item = find(list_acc, "check box", text)
    if item.getState().contains(pyatspi.STATE_CHECKED) != checked:
        do(item, "Toggle")
    wait_for("'%s' checked=%s" % (text, checked),
             lambda: item.getState().contains(pyatspi.STATE_CHECKED) == checked)


def click(acc):
    """A click of the first mouse button in the middle of the control."""
    extents = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b1c")


def choose(combo, text):
    """Selects the entry of a drop-down list as a person does: the list
    opens and the entry is clicked."""
    if combo.name == text:
        return
    do(combo, "Press")

    def entry():
        for item in find_all(combo, "list item", text, visible=False):
            if showing(item) and item.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).width > 0:
                return item
        return None
    click(wait_for("'%s' in the open list" % text, entry))
    wait_for("'%s' chosen (shows '%s')" % (text, combo.name), lambda: combo.name == text)


def select_proposed_build(maker):
    """Selects the build the Build Wizard proposes, "All In One"."""
    proposed = find(maker, "list item", "All In One")
    if not proposed.getState().contains(pyatspi.STATE_SELECTED):
        do(proposed, "Toggle")
    wait_for("the proposed build selected", lambda: proposed.getState().contains(pyatspi.STATE_SELECTED))


def finish_build(builder, maker):
    """Starts the Build Wizard's run and closes its result, which must say it completed."""
    do_modal(find(maker, "push button", "OK"))
    box = wait_for("the build's result", lambda: builder.message_box(), 240)
    texts = [label.name for label in find_all(box, "label")]
    if "Build completed successfuly!" not in texts:
        raise FlowError("the build ended with %s" % texts)
    do(find(box, "push button", "OK"))


def edit_item(builder, verb):
    """The Edit menu's Undo or Redo item, named after its step."""
    edit = find_all(find_all(builder.main(), "menu bar", visible=False)[0], "menu item", "Edit", visible=False)[0]
    items = [item for item in find_all(edit, "menu item", visible=False) if item.name.startswith(verb)]
    if not items:
        raise FlowError("no %s item in the Edit menu" % verb)
    return items[0]


def dump(acc, depth=0, out=None):
    """The subtree as indented lines (printed when a flow fails)."""
    out = [] if out is None else out
    out.append("  " * depth + "%s '%s'" % (acc.getRoleName(), acc.name))
    for child in children(acc):
        if showing(child):
            dump(child, depth + 1, out)
    return out


class Builder:
    """The builder started on a copy of a project, with settings of its own."""

    def __init__(self, program, project_source):
        self.work = tempfile.mkdtemp(prefix="vi-desktop-")
        self.project_dir = os.path.join(self.work, os.path.basename(project_source.rstrip("/")))
        shutil.copytree(project_source, self.project_dir)
        self.program = program
        self.process = None
        self.app = None

    def project(self, name):
        return os.path.join(self.project_dir, name)

    def start(self, project_file=None):
        """Starts the builder on the project file, or with no project."""
        # The user's own settings, recent files and file dialog history stay
        # untouched: every location Qt writes to lies in the scratch folder.
        env = dict(os.environ)
        for var in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "HOME"):
            env[var] = os.path.join(self.work, var.lower())
            os.makedirs(env[var], exist_ok=True)
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["QT_ACCESSIBILITY"] = "1"
        env.pop("QT_QPA_PLATFORM", None)
        args = [self.program] + ([project_file] if project_file else []) + ["nosplash"]
        self.process = subprocess.Popen(args, env=env)

        def probe():
            if self.process.poll() is not None:
                raise DisplayLost("the builder ended before it showed (exit %d)" % self.process.returncode)
            for app in children(pyatspi.Registry.getDesktop(0)):
                if app.name == "Veltrin Installer" and any(c.getRoleName() == "frame" for c in children(app)):
                    return app
            return None
        self.app = wait_for("the builder on the bus", probe, 30)
        return self.app

    def main(self):
        def probe():
            for child in children(self.app):
                if child.getRoleName() == "frame" and child.name.startswith("Veltrin Installer"):
                    return child
            return None
        return wait_for("main window", probe)

    def menu(self, *path):
        """A menu item by its path of texts, without opening the menus."""
        acc = find_all(self.main(), "menu bar", visible=False)[0]
        for text in path:
            items = find_all(acc, "menu item", text, visible=False)
            if not items:
                raise FlowError("no menu item " + " > ".join(path))
            acc = items[0]
        return acc

    def message_box(self):
        """The message box the builder shows (titled with the program's
        name, like its main window, but a dialog)."""
        def probe():
            for child in children(self.app):
                if child.getRoleName() in ("dialog", "alert") and showing(child) and child.name == "Veltrin Installer":
                    return child
            return None
        return wait_for("a message box", probe)

    def tab(self, caption):
        do(find(self.main(), "page tab", caption))

    def stop(self):
        if self.process and self.process.poll() is None:
            do_modal(self.menu("File", "Exit"))
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                raise FlowError("the builder did not end after File > Exit")

    def cleanup(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def inf(self, project_file):
        """The .inf the headless builder writes for the saved project."""
        result = subprocess.run([self.program, "--inf", project_file], capture_output=True, text=True,
                                env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        if result.returncode != 0:
            raise FlowError("--inf failed: " + result.stderr)
        return result.stdout


def run(flow):
    """Runs flow(builder) on a copy of the example project; exit status 0
    when it passes."""
    program, example = sys.argv[1], sys.argv[2]
    builder = Builder(program, example)
    try:
        flow(builder)
        log("passed")
        return 0
    except DisplayLost as e:
        log("retry: %s" % e)
        return 75
    except Exception as e:  # every failure ends the flow with its reason
        log("FAILED: %r" % e)
        import traceback
        traceback.print_exc()
        if builder.app is not None:
            try:
                print("\n".join(dump(builder.app)), file=sys.stderr)
            except GLib.Error:
                pass
        return 1
    finally:
        builder.cleanup()
