"""Opens the example on the Languages tab, deletes German and adds it again
based on English (the example's wizard build speaks German, so the package
carries it), types a new German welcome heading into the string editor,
changes one word of the German licence in the licence editor, saves, makes
the packages with the headless --build and finds both changes in the
wizard package: the heading in its resource file (decoded with viscramble),
the word in its German licence."""

import io
import os
import subprocess
import sys
import zipfile

from atspi_helpers import (FlowError, choose, click, do, do_modal, find, find_all, gone, labelled, log, run,
                           text_of, wait_for, window)

HEADING = "Willkommen zum Ablauf"
OLD_WORD, NEW_WORD = "Lizenz.", "Nutzungsrecht."


def tree_item(tree, name):
    return wait_for("'%s' in the text tree" % name, lambda: (find_all(tree, None, name) or [None])[0])


def package_files(package):
    """The files of a package: the ZIP archive after the self-extractor stub."""
    with open(package, "rb") as f:
        data = f.read()
    with zipfile.ZipFile(io.BytesIO(data)) as archive:
        return {info.filename: archive.read(info) for info in archive.infolist()}


def flow(builder):
    project = builder.project("Demo.vip")
    builder.start(project)
    builder.tab("Languages")
    main = builder.main()
    languages = labelled(main, "Current Language:")

    log("Delete German")
    choose(languages, "German")
    do_modal(find(main, "push button", "Delete Language"))
    box = builder.message_box()
    do(find(box, "push button", "Yes"))
    # The first entry is selected afterwards; the list is in table order.
    wait_for("the first entry selected", lambda: languages.name == "English")

    log("Add German based on English")
    do_modal(find(main, "push button", "Add Language"))
    dialog = window(builder.app, "Add Language")
    choose(labelled(dialog, "New Language:"), "German")
    choose(labelled(dialog, "Based on:"), "English")
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Add Language")
    wait_for("German selected", lambda: languages.name == "German")

    log("Welcome heading")
    tree = find(main, None, "Wizard texts")
    welcome = tree_item(tree, "Welcome Screen")
    heading = [item for item in find_all(tree, None, "Top String", visible=False)][0]
    click(heading)
    current = find(main, "text", "Text in the current language")
    # The text was copied from English.
    wait_for("the English heading", lambda: text_of(current) == "Welcome")
    current.queryEditableText().setTextContents(HEADING)
    wait_for("the typed heading", lambda: text_of(current) == HEADING)

    log("One word of the licence")
    click(tree_item(tree, "License agreement"))
    licence = wait_for("the licence editor",
                       lambda: ([a for a in find_all(main, "text", "License agreement")] or [None])[0])
    text = text_of(licence)
    start = text.find(OLD_WORD)
    if start < 0:
        raise FlowError("the German licence lacks '%s': %r" % (OLD_WORD, text[:200]))
    editable = licence.queryEditableText()
    editable.deleteText(start, start + len(OLD_WORD))
    editable.insertText(start, NEW_WORD, len(NEW_WORD))
    wait_for("the changed word", lambda: NEW_WORD in text_of(licence))
    # Leaving the editor writes the licence.
    click(welcome)

    do(builder.menu("File", "Save"))
    builder.stop()

    with open(builder.project("EULA_German.txt"), "rb") as f:
        saved = f.read()
    if NEW_WORD.encode() not in saved or not saved.startswith(b"{\\rtf"):
        raise FlowError("the licence file lacks the new word: %r" % saved[:300])

    log("Headless build")
    result = subprocess.run([builder.program, "--build", project], capture_output=True, text=True,
                            env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if result.returncode != 0:
        raise FlowError("--build failed: %s%s" % (result.stdout[-2000:], result.stderr[-2000:]))
    # Names in the archive keep the case the build gave them; the wizard
    # finds them on a file system that ignores case, and so does this check.
    files = {name.lower(): data
             for name, data in package_files(os.path.join(builder.project_dir, "Pocket PC", "Setup.exe")).items()}
    vi_ini = files["vi.ini"].decode("cp1252")
    res_name = [line.split("=", 1)[1].strip() for line in vi_ini.splitlines() if line.startswith("Res_file")][0]
    scrambled = os.path.join(builder.work, "package.res")
    plain = os.path.join(builder.work, "package.ini")
    with open(scrambled, "wb") as f:
        f.write(files[res_name.lower()])
    viscramble = os.path.join(os.path.dirname(builder.program), "viscramble")
    subprocess.run([viscramble, "decode", scrambled, plain], check=True)
    with open(plain, "rb") as f:
        decoded = f.read().decode("cp1252")
    section = decoded.split("[German]", 1)
    if len(section) != 2:
        raise FlowError("the resource file has no German section:\n" + decoded)
    german = section[1].split("\n[", 1)[0]
    if "1.TopString=%s" % HEADING not in german:
        raise FlowError("the German heading is not in the resource file:\n" + german)
    if "1.String1=Welcome to the setup of" not in german:
        raise FlowError("German does not start from the English texts:\n" + german)
    if NEW_WORD.encode() not in files["eula_german.txt"]:
        raise FlowError("the package's German licence lacks the new word")


if __name__ == "__main__":
    sys.exit(run(flow))
