"""File > Import > CAB Wizard .inf... on an .inf written by hand for the
example's payload: the report window, Save (which asks for the place, the
imported project having none), F7 and the Build Wizard; then the package
and the CAB files the build made, listed with veltrin-cabinfo, and the
saved project's .inf."""

import glob
import os
import subprocess
import sys

import pyatspi

from atspi_helpers import (FlowError, click, do, do_modal, find, finish_build, gone, log, run,
                           select_proposed_build, set_text, text_of, wait_for, window)

F7 = 0xFFC4

INF = """; The example's viewer for StrongARM, by hand
[Version]
Signature="$Windows NT$"
Provider="Flow Firm"
CESignature="$Windows CE$"

[CEStrings]
AppName="Flow Viewer"
InstallDir=%CE1%\\%AppName%

[CEDevice.ARM]
ProcessorType=2577
VersionMin=4.20
VersionMax=100.00

[SourceDisksNames]
1=,"Common",,Payload\\Common
2=,"ARM",,Payload\\ARM

[SourceDisksFiles]
viewer.exe=2
readme.txt=1

[DestinationDirs]
Files=0,%InstallDir%
Links=0,%CE11%

[DefaultInstall]
CopyFiles=Files
CEShortcuts=Links
AddReg=Reg

[Files]
viewer.exe,,,0x40000000
readme.txt,,,0

[Links]
"Flow Viewer",0,viewer.exe

[Reg]
HKLM,Software\\Flow Firm,Imported,0x00000000,by the flow
"""


def import_inf(builder, path):
    do_modal(builder.menu("File", "Import", "CAB Wizard .inf..."))
    opened = window(builder.app, "Import")
    set_text(find(opened, "text", "File name:"), path)
    do_modal(find(opened, "push button", "Open"))
    report = window(builder.app, "Import Report")
    text = text_of(find(report, "text", "Import Report"))
    if not text.startswith("Imported") or "not mapped" in text:
        raise FlowError("the import report reads %r" % text)
    do(find(report, "push button", "Close"))
    gone(builder.app, "Import Report")
    wait_for("the imported project", lambda: builder.main().name == "Veltrin Installer - Flow Viewer" or None)


def save_as(builder, project):
    do_modal(builder.menu("File", "Save"))
    dialog = window(builder.app, "Save As")
    set_text(find(dialog, "text", "File name:"), project)
    do(find(dialog, "push button", "Save"))
    gone(builder.app, "Save As")
    wait_for("the saved project", lambda: os.path.isfile(project) or None)


def build_with_f7(builder):
    # The key goes to the window under focus: a click on the main window's
    # tabs gives it back to it after the Save As dialog.
    click(find(builder.main(), "page tab", "General"))
    pyatspi.Registry.generateKeyboardEvent(F7, None, pyatspi.KEY_SYM)
    maker = window(builder.app, "Build Wizard")
    select_proposed_build(maker)
    finish_build(builder, maker)


def flow(builder):
    inf = builder.project("Viewer.inf")
    with open(inf, "w", newline="\r\n", encoding="cp1252") as f:
        f.write(INF)
    project = builder.project("Flow Viewer.vip")
    builder.start()

    log("File > Import > CAB Wizard .inf...")
    import_inf(builder, inf)
    log("Save")
    save_as(builder, project)
    log("F7")
    build_with_f7(builder)
    # The build is part of the project now; saved, it closes without asking.
    do(builder.menu("File", "Save"))
    builder.stop()

    package = os.path.join(builder.project_dir, "All In One", "Setup.exe")
    if not os.path.isfile(package):
        raise FlowError("no package %s" % package)
    cabs = sorted(glob.glob(os.path.join(builder.project_dir, "Flow Viewer*.CAB")))
    if not cabs:
        raise FlowError("the build left no CAB files in %s" % builder.project_dir)
    cabinfo = os.path.join(os.path.dirname(builder.program), "veltrin-cabinfo")
    listing = subprocess.run([cabinfo] + cabs, capture_output=True, text=True, encoding="cp1252")
    if listing.returncode != 0:
        raise FlowError("veltrin-cabinfo failed: " + listing.stderr)
    for expected in ("\n    \\Program Files\\Flow Viewer\\viewer.exe  ", "\n    \\Program Files\\Flow Viewer\\readme.txt  ",
                     "Imported  REG_SZ  by the flow", "Flow Viewer.lnk -> \\Program Files\\Flow Viewer\\viewer.exe"):
        if listing.stdout.count(expected) != len(cabs):
            raise FlowError("not every CAB file installs %s:\n%s" % (expected, listing.stdout))
    if '"Flow Viewer",0,viewer.exe' not in builder.inf(project):
        raise FlowError("the saved project's .inf lacks the shortcut")


if __name__ == "__main__":
    sys.exit(run(flow))
