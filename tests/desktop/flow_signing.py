"""Opens Project > Signing..., types the packages' certificate and
time-stamping service through their labels, the device's certificate,
password and digest, confirms with OK, and checks that the window shows them
again when it is opened a second time. Then checks "Sign the files for the
device" in a build's Build Configuration, saves, finds the build's flag in
the exported project, takes it back with Edit > Undo and finds it gone.
After the builder ends, its saved settings hold both certificates and
neither password."""

import json
import os
import subprocess
import sys

import pyatspi

from atspi_helpers import (FlowError, choose, do, do_modal, edit_item, find, gone, is_checked, labelled, log, run,
                           set_text, text_of, wait_for, window)

CERTIFICATE = "/home/author/keys/Viewer.p12"
SERVICE = "http://timestamp.example.com"
DEVICE_CERTIFICATE = "/home/author/keys/Device Viewer.pfx"
DEVICE_PASSWORD = "device-only-7Q"
SHA256 = "SHA-256 (newer devices only)"
SIGN_BOX = "Sign the files for the device"


def open_signing(builder):
    log("Project > Signing...")
    do_modal(builder.menu("Project", "Signing..."))
    return window(builder.app, "Signing")


def signing_settings(builder):
    dialog = open_signing(builder)
    set_text(labelled(dialog, "Certificate file (PKCS#12):"), CERTIFICATE)
    set_text(labelled(dialog, "Time-stamping service:"), SERVICE)
    # The device group repeats the captions; its controls name themselves.
    set_text(find(dialog, "text", "Device certificate file (PKCS#12)"), DEVICE_CERTIFICATE)
    set_text(find(dialog, "password text", "Device password"), DEVICE_PASSWORD)
    choose(labelled(dialog, "Digest:"), SHA256)
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Signing")

    dialog = open_signing(builder)
    shown = (text_of(labelled(dialog, "Certificate file (PKCS#12):")),
             text_of(labelled(dialog, "Time-stamping service:")),
             text_of(find(dialog, "text", "Device certificate file (PKCS#12)")),
             labelled(dialog, "Digest:").name)
    if shown != (CERTIFICATE, SERVICE, DEVICE_CERTIFICATE, SHA256):
        raise FlowError("the window shows %r after OK, not what was typed" % (shown,))
    do(find(dialog, "push button", "Cancel"))
    gone(builder.app, "Signing")


def signs_for_device(builder, project):
    """The flag of the project's first build, as the saved project's JSON
    form names it."""
    do(builder.menu("File", "Save"))
    result = subprocess.run([builder.program, "--export", project], capture_output=True, text=True,
                            env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if result.returncode != 0:
        raise FlowError("--export failed: " + result.stderr)
    return json.loads(result.stdout)["builds"][0].get("signForDevice", False)


def check_sign_box(builder):
    log("Project > Build, Edit Build")
    do_modal(builder.menu("Project", "Build"))
    maker = window(builder.app, "Build Wizard")
    first = find(maker, "list item", "Pocket PC")
    do(first, "Toggle")
    wait_for("the first build selected", lambda: first.getState().contains(pyatspi.STATE_SELECTED))
    do_modal(find(maker, "push button", "Edit Build"))
    dialog = window(builder.app, "Build Configuration")
    box = find(dialog, "check box", SIGN_BOX)
    if is_checked(box):
        raise FlowError("a build of the example signs for the device already")
    do(box, "Toggle")
    wait_for(SIGN_BOX + " checked", lambda: is_checked(box))
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Build Configuration")
    # The wizard's Cancel keeps the edited build and builds nothing.
    do(find(maker, "push button", "Cancel"))
    gone(builder.app, "Build Wizard")


def flow(builder):
    project = builder.project("Demo.vip")
    builder.start(project)
    signing_settings(builder)

    check_sign_box(builder)
    if signs_for_device(builder, project) is not True:
        raise FlowError("the saved build does not sign for the device")
    log("Edit > Undo")
    undo = edit_item(builder, "Undo")
    if undo.name != "Undo Change Builds":
        raise FlowError("the Undo item after the Build Wizard is %r" % undo.name)
    do(undo)
    if signs_for_device(builder, project) is not False:
        raise FlowError("the build still signs for the device after Undo")
    builder.stop()

    saved = ""
    for folder, _, files in os.walk(os.path.join(builder.work, "xdg_config_home")):
        for name in files:
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                saved += f.read()
    if DEVICE_CERTIFICATE not in saved or DEVICE_PASSWORD in saved:
        raise FlowError("the saved settings lack the device certificate or hold its password")


if __name__ == "__main__":
    sys.exit(run(flow))
