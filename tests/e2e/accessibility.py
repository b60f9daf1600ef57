"""Drives the real program as a screen reader does, through AT-SPI:
accessibility.py FANBORD. Run inside a private D-Bus session on a private
display (accessibility.sh sets both up). It hears the controls appear after
the ceremony, finds the thirty tiles and both buttons, presses Sveriges flagga
by its action and hears the caption and the progress bar change, then presses
Sluta and expects exit status 0. Prints the window as the client sees it."""

import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

# For everything, the ceremony included: generous, since the machine may be busy.
DEADLINE = time.monotonic() + 90
program = None


def fail(message):
    print(f"accessibility: FAIL: {message}", file=sys.stderr)
    if program and program.poll() is None:
        program.kill()
    sys.exit(1)


def wait_for(what, probe):
    """Polls until probe() gives something, handling events meanwhile; a
    client call that times out while the program is busy is tried again."""
    while time.monotonic() < DEADLINE:
        while GLib.MainContext.default().iteration(False):
            pass
        if program.poll() is not None:
            fail(f"the program ended (status {program.returncode}) while waiting for {what}")
        try:
            found = probe()
        except GLib.GError:
            found = None
        if found:
            return found
        time.sleep(0.05)
    fail(f"waited in vain for {what}")


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def press(node):
    names = actions(node)
    if "Press" not in names:
        fail(f"{node.name!r} has no Press action, only {names}")
    if not node.queryAction().doAction(names.index("Press")):
        fail(f"pressing {node.name!r} was refused")


def describe(node):
    states = sorted(pyatspi.stateToString(s) for s in node.getState().getStates())
    line = f"{node.getRoleName()} {node.name!r} [{' '.join(states)}]"
    if acts := actions(node):
        line += f" actions: {', '.join(acts)}"
    try:
        value = node.queryValue()
        line += f" value {value.currentValue:g} of {value.minimumValue:g}..{value.maximumValue:g}"
    except NotImplementedError:
        pass
    return line


def show_tree(node, depth=0):
    print("  " * depth + describe(node))
    for child in children(node):
        show_tree(child, depth + 1)


def consistent(node):
    """Every child names the node that lists it as its parent, at its index."""
    for i, child in enumerate(children(node)):
        if child.parent != node or child.getIndexInParent() != i:
            fail(f"{child.getRoleName()} {child.name!r}, child {i} of {node.name!r}, "
                 f"gives parent {child.parent.name if child.parent else None!r} "
                 f"and index {child.getIndexInParent()}")
        consistent(child)


def main():
    global program
    # The program can be slow to answer while it starts its media under load.
    Atspi.set_timeout(10000, 30000)
    heard = []  # (event, role, name, detail, value) as they arrive

    def hear(e):
        value = e.source.queryValue().currentValue if e.source.getRole() == pyatspi.ROLE_PROGRESS_BAR else None
        heard.append((e.type, e.source.getRole(), e.source.name, e.detail1, value))

    pyatspi.Registry.registerEventListener(
        hear, "object:state-changed:showing", "object:property-change:accessible-name",
        "object:property-change:accessible-value")
    program = subprocess.Popen([sys.argv[1]])

    def frame():
        for app in children(pyatspi.Registry.getDesktop(0)):
            if app and app.name == "Fanbord":
                return next((w for w in children(app) if w.getRole() == pyatspi.ROLE_FRAME), None)

    window = wait_for("window", frame)
    board = wait_for("board", lambda: next((c for c in children(window) if c.name == "Fanbord"), None))

    def shown(name):
        return any(h[0] == "object:state-changed:showing" and h[2] == name and h[3] == 1 for h in heard)

    # The controls and the title appear once the ceremony is over, and the client hears so.
    wait_for("Sluta, Info and the title after the ceremony",
             lambda: shown("Sluta") and shown("Info") and shown("Fanbord A-Ö med musik"))
    nodes = children(board)
    tiles = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name.endswith(" flagga")]
    buttons = {n.name: n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON}
    if len(tiles) != 30 or "Info" not in buttons or "Sluta" not in buttons:
        fail(f"{len(tiles)} tiles and buttons {sorted(set(buttons) - {t.name for t in tiles})}")
    for node in tiles + [buttons["Info"], buttons["Sluta"]]:
        if not node.getState().contains(pyatspi.STATE_SHOWING) or "Press" not in actions(node):
            fail(f"not showing or no Press: {describe(node)}")
    consistent(window)

    press(buttons["Sveriges flagga"])
    wait_for("Sveriges announced in a caption",
             lambda: ("object:property-change:accessible-name", pyatspi.ROLE_LABEL, "Sveriges") in
             [h[:3] for h in heard])
    # The marker runs along the bar while the anthem plays.
    wait_for("the progress bar moving", lambda: any(
        h[0] == "object:property-change:accessible-value" and h[1] == pyatspi.ROLE_PROGRESS_BAR and 0 < h[4] <= 100
        for h in heard))
    if not any(n.getRole() == pyatspi.ROLE_IMAGE and n.name == "Sveriges flagga" for n in children(board)):
        fail("no picture named Sveriges flagga on the pole")
    print("The board while the anthem of Sverige plays:")
    show_tree(window)

    press(buttons["Sluta"])
    try:
        status = program.wait(max(DEADLINE - time.monotonic(), 1))
    except subprocess.TimeoutExpired:
        fail("the program did not end after Sluta")
    if status != 0:
        fail(f"exit status {status}")
    print("accessibility: ok")


main()
