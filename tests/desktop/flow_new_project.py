"""The authoring path of a new author, with nothing prepared but a folder of
payload files: the builder starts without a project; New; application and
company names typed, the default folder kept; two files (one for every
processor, one for StrongARM), a shortcut to the first and a registry string
added on the wizard's pages; Finish; a wizard build and a silent build
defined in the Build Wizard; F7. Then, outside the builder: both packages
exist, the CABs each package's .ini names pass cabextract's test and hold
both files, and the silent package runs under Wine up to the stand-in
Application Manager.

Needs the Wine prefix of the "wine" CTest fixture (VI_WINEPREFIX) and the
builder's program folders (VI_PROGRAM_DIR, VI_WIN32_TEST_VARIANT_DIR,
VI_WIN64_DIR, VI_TEST_DIR)."""

import configparser
import io
import os
import shutil
import subprocess
import sys
import time
import zipfile

import pyatspi

from atspi_helpers import (FlowError, check_item, choose, click, do, do_modal, find, find_all, finish_build, gone,
                           labelled, log, run, select_proposed_build, set_text, text_of, wait_for, window)

APP, COMPANY = "Tide Tables", "Harbour Soft"
GERMAN_HEADING = "Willkommen bei den Gezeiten"
WIZARD = "Veltrin Installer Wizard"
APP_PATHS = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE"
INSERT, RETURN, SPACE = 0xFF63, 0xFF0D, 0x0020


# --- the program folder and Wine -------------------------------------------

def wine_env(prefix):
    """The environment of a Windows program in the fixture's prefix, on its
    display, with the loader the fixture chose (the x86-64 twins where this
    kernel cannot run 32-bit programs)."""
    with open(prefix + ".mode") as f:
        twins = f.readline().strip() == "win64"
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    if twins:
        env.update(WINEARCH="win64", WINELOADER="/usr/lib/wine/wine64")
    else:
        env["WINEARCH"] = "win32"
    with open(prefix + ".display") as f:
        env["DISPLAY"] = f.read().strip()
    return env, ["/usr/lib/wine/wine64"] if twins else ["wine"], twins


def program_folder(work, twins):
    """A folder laid out like an installed builder whose Windows programs
    are the test variants this machine runs (they read VI_SFX_QUIET); the
    builder copied in, since it finds everything beside its own file."""
    shipped = os.environ["VI_PROGRAM_DIR"]
    windows = os.path.join(os.environ["VI_WIN64_DIR" if twins else "VI_WIN32_TEST_VARIANT_DIR"], "bin")
    folder = os.path.join(work, "program")
    os.makedirs(os.path.join(folder, "Tools"))
    shutil.copy2(os.path.join(shipped, "VeltrinInstaller"), folder)
    for name in ("Resources.dat", "EULA_Neutral.txt"):
        shutil.copy2(os.path.join(shipped, name), folder)
    for name in ("Deskstart.exe", "Setup.exe"):
        shutil.copy2(os.path.join(windows, name), folder)
    os.symlink(os.path.join(shipped, "Tools", "CABWIZ.exe"), os.path.join(folder, "Tools", "CABWIZ.exe"))
    # makesfx takes the self-extractor stub from its own folder.
    os.symlink(os.path.join(windows, "Tools", "makesfx.exe"), os.path.join(folder, "Tools", "makesfx.exe"))
    return os.path.join(folder, "VeltrinInstaller")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wine(command, env, timeout=120):
    result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)
    return result.returncode, result.stdout + result.stderr


# --- the builder's windows ----------------------------------------------------

def key(sym):
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)


def type_text(text):
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)


def right_click(acc):
    extents = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b3c")


def add_file(builder, wizard, source, processor):
    do_modal(find(wizard, "push button", "Add"))
    dialog = window(builder.app, "File Properties")
    do_modal(find(dialog, "push button", "Browse for the source file"))
    opened = window(builder.app, "Open")
    set_text(find(opened, "text", "File name:"), source)
    do(find(opened, "push button", "Open"))
    gone(builder.app, "Open")
    check_item(find(dialog, None, "Platform:"), "PocketPC 2002", True)
    choose(labelled(dialog, "Processor:"), processor)
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "File Properties")


def add_registry_string(builder, wizard):
    tree = find(wizard, None, "Keys")

    def item(name):
        return wait_for("key '%s'" % name, lambda: (find_all(tree, None, name) or [None])[0])

    click(item("HKEY_LOCAL_MACHINE"))
    key(INSERT)
    item("New Key")
    type_text("Tides")
    key(RETURN)
    tides = item("Tides")
    wait_for("the new key selected", lambda: tides.getState().contains(pyatspi.STATE_SELECTED))
    # Qt's popup menus do not show on the bus: the key's menu is opened with
    # the right button and worked by its mnemonics (New, String Value).
    right_click(tides)
    time.sleep(1)
    type_text("n")
    type_text("s")
    dialog = window(builder.app, "String Value: New REG_SZ value")
    set_text(find(dialog, "text", "Data:"), "high water")
    do(find(dialog, "push button", "OK"))
    gone(builder.app, dialog.name)


def next_page(wizard, control, button="Next"):
    """Next, then the control that shows the next page is there (a button
    clicks only after a short animation, so a second press before it would
    be lost)."""
    do(find(wizard, "push button", button))
    return find(wizard, None, control)


def new_project(builder, payload):
    do_modal(builder.menu("File", "New"))
    wizard = window(builder.app, WIZARD)
    set_text(find(wizard, "text", "Application Name:"), APP)
    set_text(find(wizard, "text", "Company Name:"), COMPANY)
    work_folder = find(wizard, "text", "Project Work Folder:")
    expected = os.path.join(builder.work, "home", "My Projects", APP)
    wait_for("the work folder to follow the name", lambda: work_folder.queryText().getText(0, -1) == expected)

    log("default folder kept")
    next_page(wizard, "Default installation folder")

    log("two files")
    next_page(wizard, "Files")
    add_file(builder, wizard, os.path.join(payload, "Common", "readme.txt"), "All")
    add_file(builder, wizard, os.path.join(payload, "ARM", "viewer.exe"), "StrongARM")

    log("a shortcut to the first file")
    next_page(wizard, "Shortcuts")
    do_modal(find(wizard, "push button", "Add"))
    dialog = window(builder.app, "Shortcut Properties")
    set_text(find(dialog, "text", "Name:"), "Read Me")
    choose(labelled(dialog, "Target:"), "\\Program Files\\%s\\%s\\readme.txt" % (COMPANY, APP))
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Shortcut Properties")

    next_page(wizard, "Setup DLLs")
    log("a registry string")
    next_page(wizard, "Keys")
    add_registry_string(builder, wizard)
    do(find(wizard, "push button", "Finish"))
    gone(builder.app, WIZARD)
    wait_for("the title of the new project", lambda: builder.main().name == "Veltrin Installer - " + APP)
    return expected


def languages_step(builder):
    """On the Languages tab: German added (based on what the dialog
    proposes) and its welcome heading typed in."""
    log("Languages: German added, its welcome heading changed")
    builder.tab("Languages")
    main = builder.main()
    languages = labelled(main, "Current Language:")
    do_modal(find(main, "push button", "Add Language"))
    dialog = window(builder.app, "Add Language")
    choose(labelled(dialog, "New Language:"), "German")
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Add Language")
    wait_for("German selected", lambda: languages.name == "German")
    tree = find(main, None, "Wizard texts")
    wait_for("the welcome page in the text tree", lambda: find_all(tree, None, "Welcome Screen"))
    click(find_all(tree, None, "Top String", visible=False)[0])
    current = find(main, "text", "Text in the current language")
    current.queryEditableText().setTextContents(GERMAN_HEADING)
    wait_for("the typed heading", lambda: text_of(current) == GERMAN_HEADING)
    builder.tab("General")


def check_german_heading(package, viscramble, scratch):
    """The wizard package's resource file carries the German heading typed
    on the Languages tab."""
    with zipfile.ZipFile(package) as archive:
        files = {name.lower(): archive.read(name) for name in archive.namelist()}
    vi_ini = files["vi.ini"].decode("cp1252")
    res_name = [line.split("=", 1)[1].strip() for line in vi_ini.splitlines() if line.startswith("Res_file")][0]
    scrambled, plain = os.path.join(scratch, "package.res"), os.path.join(scratch, "package.ini")
    with open(scrambled, "wb") as f:
        f.write(files[res_name.lower()])
    subprocess.run([viscramble, "decode", scrambled, plain], check=True)
    with open(plain, "rb") as f:
        decoded = f.read().decode("cp1252")
    section = decoded.split("[German]", 1)
    if len(section) != 2 or "1.TopString=%s" % GERMAN_HEADING not in section[1].split("\n[", 1)[0]:
        raise FlowError("the wizard package's resource file lacks the German heading:\n" + decoded)
    log("the wizard package speaks German: %s" % GERMAN_HEADING)


def check_row(item):
    """Checks a row of a check list as the keyboard does: the row becomes
    current with a click and Space checks it (the row's own accessible
    action only selects it)."""
    if item.getState().contains(pyatspi.STATE_CHECKED):
        return
    click(item)
    wait_for("'%s' current" % item.name, lambda: item.getState().contains(pyatspi.STATE_FOCUSED))
    key(SPACE)
    wait_for("'%s' checked" % item.name, lambda: item.getState().contains(pyatspi.STATE_CHECKED))


def define_build(builder, maker, name, wizard_pages, command):
    """The build in the Build Configuration dialog: every CAB pair, and the
    setup program's pages shown or none (the silent build)."""
    do_modal(find(maker, "push button", command))
    dialog = window(builder.app, "Build Configuration")
    set_text(find(dialog, "text", "Build Name:"), name)
    pairs = labelled(dialog, "Available Platform/Processor CAB files:")
    for item in wait_for("the CAB pairs", lambda: find_all(pairs, "list item")):
        check_row(item)
    do(find(dialog, "page tab", "Setup"))
    for box in ("Show Welcome Screen", "Show License Agreement Screen", "Show Finish Screen"):
        acc = find(dialog, "check box", box)
        if acc.getState().contains(pyatspi.STATE_CHECKED) != wizard_pages:
            do(acc, "Toggle")
        wait_for(box, lambda: acc.getState().contains(pyatspi.STATE_CHECKED) == wizard_pages)
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Build Configuration")


def build(builder):
    do_modal(builder.menu("Project", "Build"))
    maker = window(builder.app, "Build Wizard")
    # The build the wizard proposes becomes the one with the setup pages.
    select_proposed_build(maker)
    define_build(builder, maker, "Wizard", True, "Edit Build")
    define_build(builder, maker, "Silent", False, "Add Build")
    finish_build(builder, maker)


# --- the packages, outside the builder -----------------------------------------

def check_package(package, setup_program, payload, scratch):
    """The package starts its setup program; the CABs its .ini names each
    pass cabextract's test and together hold both payload files."""
    with zipfile.ZipFile(package) as archive:
        names = archive.namelist()
        if setup_program not in names:
            raise FlowError("%s lacks its setup program %s: %s" % (package, setup_program, names))
        ini_name = "%s.ini" % APP
        if ini_name not in names:
            raise FlowError("%s holds no %s: %s" % (package, ini_name, names))
        ini = configparser.ConfigParser()
        ini.read_string(archive.read(ini_name).decode("cp1252"))
        cabs = cab_files(ini)
        found = set()
        for cab in cabs:
            if cab not in names:
                raise FlowError("%s names %s, which the package lacks" % (ini_name, cab))
            path = os.path.join(scratch, cab)
            with open(path, "wb") as f:
                f.write(archive.read(cab))
            tested = subprocess.run(["cabextract", "-t", path], capture_output=True, text=True)
            if tested.returncode != 0:
                raise FlowError("cabextract -t %s: %s" % (cab, tested.stdout + tested.stderr))
            into = path + ".x"
            subprocess.run(["cabextract", "-q", "-d", into, path], check=True)
            for member in os.listdir(into):
                with open(os.path.join(into, member), "rb") as f:
                    found.add(f.read())
    for name in (os.path.join("Common", "readme.txt"), os.path.join("ARM", "viewer.exe")):
        with open(os.path.join(payload, name), "rb") as f:
            if f.read() not in found:
                raise FlowError("no CAB of %s holds %s" % (package, name))
    log("%s: %s" % (os.path.basename(os.path.dirname(package)), ", ".join(cabs)))


def cab_files(ini):
    for section in ini.sections():
        if ini.has_option(section, "CabFiles"):
            return [c.strip() for c in ini.get(section, "CabFiles").split(",") if c.strip()]
    raise FlowError("the package's .ini names no CabFiles")


def run_silent_package(package, scratch):
    prefix = os.environ["VI_WINEPREFIX"]
    env, loader, twins = wine_env(prefix)
    test_dir = os.path.join(os.environ["VI_WIN64_DIR"], "tests") if twins else os.environ["VI_TEST_DIR"]
    helper = os.path.join(scratch, "appmgr", "CeAppMgr.exe")
    os.makedirs(os.path.dirname(helper))
    shutil.copy2(os.path.join(test_dir, "CeAppMgr.exe"), helper)
    # The run's persistent wineserver was started for the Wine tests, in
    # their environment; Wine programs of this flow did not answer through
    # it, so the flow starts one of its own (no other Wine test runs now:
    # they share this test's resource lock).
    subprocess.run(["wineserver", "-k"], env=env, timeout=30)
    status, output = wine(loader + ["reg", "add", APP_PATHS, "/ve", "/d", windows_path(helper), "/f"], env)
    if status != 0:
        raise FlowError("reg add: " + output)
    record = os.path.join(scratch, "record.txt")
    try:
        env.update(VI_SFX_QUIET="1", VI_APPMGR_RECORD=windows_path(record))
        status, output = wine(loader + [package], env, 180)
    finally:
        wine(loader + ["reg", "delete", APP_PATHS, "/f"], env)
    if not os.path.exists(record):
        raise FlowError("the Application Manager did not run (exit %d): %s" % (status, output))
    with open(record, encoding="utf-8", errors="replace") as f:
        cmdlines = [line[len("cmdline="):].strip() for line in f if line.startswith("cmdline=")]
    expected = '"%s" "' % windows_path(helper)
    if len(cmdlines) != 1 or not cmdlines[0].startswith(expected) or \
            not cmdlines[0].endswith('\\%s.ini"' % APP):
        raise FlowError("the Application Manager got %s" % cmdlines)
    log("the silent package handed %s to the Application Manager" % cmdlines[0][len(expected):-1])


def flow(builder):
    payload = builder.project_dir
    _, _, twins = wine_env(os.environ["VI_WINEPREFIX"])
    builder.program = program_folder(builder.work, twins)
    builder.start()

    log("New")
    work = new_project(builder, payload)
    languages_step(builder)
    log("F7")
    build(builder)
    # The builds are part of the project now; saved, it closes without asking.
    do(builder.menu("File", "Save"))
    builder.stop()

    inf = builder.inf(os.path.join(work, APP + ".vip"))
    for expected in ('"readme.txt"', '"viewer.exe"', "PPC2K_2577", '"Read Me"',
                     'HKLM,"Tides", "New REG_SZ value",0x00000000, high water'):
        if expected not in inf:
            raise FlowError("the saved project's .inf lacks %s" % expected)

    # The wizard build starts the desktop setup wizard, the silent one the launcher.
    packages = {"Wizard": "Setup.exe", "Silent": "Deskstart.exe"}
    for name in packages:
        if not os.path.isfile(os.path.join(work, name, "Setup.exe")):
            raise FlowError("no package %s" % os.path.join(work, name, "Setup.exe"))
    for name, setup_program in packages.items():
        scratch = os.path.join(builder.work, "checks", name)
        os.makedirs(scratch)
        check_package(os.path.join(work, name, "Setup.exe"), setup_program, payload, scratch)
    check_german_heading(os.path.join(work, "Wizard", "Setup.exe"),
                         os.path.join(os.environ["VI_PROGRAM_DIR"], "viscramble"),
                         os.path.join(builder.work, "checks", "Wizard"))
    run_silent_package(os.path.join(work, "Silent", "Setup.exe"), os.path.join(builder.work, "checks"))


if __name__ == "__main__":
    sys.exit(run(flow))
