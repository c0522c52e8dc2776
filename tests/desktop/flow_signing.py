"""Opens Project > Signing..., types a certificate and a time-stamping
service through their labels, confirms with OK, and checks that the window
shows both again when it is opened a second time."""

import sys

from atspi_helpers import FlowError, do, do_modal, find, gone, labelled, log, run, set_text, text_of, window

CERTIFICATE = "/home/author/keys/Viewer.p12"
SERVICE = "http://timestamp.example.com"


def open_signing(builder):
    log("Project > Signing...")
    do_modal(builder.menu("Project", "Signing..."))
    return window(builder.app, "Signing")


def flow(builder):
    builder.start(builder.project("Demo.vip"))
    dialog = open_signing(builder)
    set_text(labelled(dialog, "Certificate file (PKCS#12):"), CERTIFICATE)
    set_text(labelled(dialog, "Time-stamping service:"), SERVICE)
    do(find(dialog, "push button", "OK"))
    gone(builder.app, "Signing")

    dialog = open_signing(builder)
    shown = (text_of(labelled(dialog, "Certificate file (PKCS#12):")),
             text_of(labelled(dialog, "Time-stamping service:")))
    if shown != (CERTIFICATE, SERVICE):
        raise FlowError("the window shows %r after OK, not what was typed" % (shown,))
    do(find(dialog, "push button", "Cancel"))
    gone(builder.app, "Signing")
    # The copied example counts as changed (its stored work folder moved):
    # saving keeps the exit free of the question.
    do(builder.menu("File", "Save"))
    builder.stop()


if __name__ == "__main__":
    sys.exit(run(flow))
