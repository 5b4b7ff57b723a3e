#!/usr/bin/python3
"""What assistive technology sees of the app, for scripts/screen-reader.sh.

  atspi.py wait-app PID SECONDS   until the process shows on the accessibility bus
  atspi.py focus PID [name]       the object that has the keyboard focus, one line (or its name)
  atspi.py tree PID TITLE         the showing windows called TITLE, one object a line
  atspi.py spoken LOG OFFSET      what Orca's debug log says it spoke past OFFSET bytes
"""
import re
import signal
import sys
import time

# The states a reader checks names and Tab order with.
STATE_NAMES = ("focused", "focusable", "showing", "selected", "modal", "checked")


def atspi():
    import pyatspi

    # A frozen app must not hold the script past its own timeouts.
    pyatspi.setTimeout(5000, 10000)
    return pyatspi


def app_of(pyatspi, pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def describe(pyatspi, obj):
    states = obj.getState()
    flags = [n for n in STATE_NAMES
             if states.contains(getattr(pyatspi, "STATE_" + n.upper()))]
    if not states.contains(pyatspi.STATE_SENSITIVE):
        flags.append("disabled")
    text = "%s %r" % (obj.getRoleName(), obj.name)
    if obj.description:
        text += " desc=%r" % obj.description
    return "%s [%s]" % (text, ",".join(flags))


def children(obj):
    for i in range(obj.childCount):
        child = obj.getChildAtIndex(i)
        if child is not None:
            yield child


def showing(pyatspi, obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def windows(pyatspi, app, title=None):
    return [w for w in children(app)
            if showing(pyatspi, w) and (title is None or w.name == title)]


def wait_app(pid, seconds):
    pyatspi = atspi()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if app_of(pyatspi, pid) is not None:
            return 0
        time.sleep(0.2)
    seen = []
    for app in pyatspi.Registry.getDesktop(0):
        try:
            seen.append("%s (pid %d)" % (app.name, app.get_process_id()))
        except Exception:
            continue
    sys.stderr.write("on the accessibility bus: %s\n" % (", ".join(seen) or "nothing"))
    return 1


def focus(pid, only_name=False):
    pyatspi = atspi()
    app = app_of(pyatspi, pid)

    # The deepest focused object: a container whose focus goes on to a child (a tab widget to
    # its tab bar) says it is focused too.
    def find(obj):
        for child in children(obj):
            if showing(pyatspi, child):
                found = find(child)
                if found is not None:
                    return found
        return obj if obj.getState().contains(pyatspi.STATE_FOCUSED) else None

    for window in windows(pyatspi, app) if app else []:
        found = find(window)
        if found is not None:
            print(found.name if only_name else describe(pyatspi, found))
            return 0
    print("" if only_name else "(no focused object)")
    return 0


def tree(pid, title):
    pyatspi = atspi()
    app = app_of(pyatspi, pid)
    shown = windows(pyatspi, app, title) if app else []
    if not shown:
        print("(no showing window %r)" % title)
        return 1
    hidden = 0

    def walk(obj, depth):
        nonlocal hidden
        print("  " * depth + describe(pyatspi, obj))
        for child in children(obj):
            if showing(pyatspi, child):
                walk(child, depth + 1)
            else:
                hidden += 1

    for window in shown:
        walk(window, 0)
    # Hidden objects are left out: a reader meets only what shows.
    print("(%d objects that do not show left out, with what they hold)" % hidden)
    return 0


# A debug line is "HH:MM:SS.micro - SPEECH OUTPUT: 'text'" and then the voice; the text itself
# may hold line breaks, so it ends where the voice or the next log line starts. Orca's echo of
# a key (or typed character) has a space between the text and the voice; other speech has none.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+?)?( ?)"
                    r"(?=\{|None\b|\n\d\d:\d\d:\d\d\.\d+ - |\Z)", re.S)


def spoken(log, offset):
    """Prints "keys:  ..." for a run of key echoes, as they came, and "orca:  ..." for each
    other utterance, the first time it comes."""
    with open(log, "rb") as f:
        f.seek(offset)
        text = f.read().decode("utf-8", "replace")
    seen = set()
    keys = []
    for match in SPEECH.finditer(text):
        said = " ".join(match.group(1).split())
        if not said:
            continue
        if match.group(2):
            keys.append(said)
            continue
        if keys:
            print("keys:  " + " ".join(keys))
            keys = []
        if said not in seen:
            seen.add(said)
            print("orca:  " + said)
    if keys:
        print("keys:  " + " ".join(keys))
    return 0


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "wait-app" and len(argv) == 4:
        return wait_app(int(argv[2]), float(argv[3]))
    if command == "focus" and len(argv) in (3, 4) and argv[3:] in ([], ["name"]):
        return focus(int(argv[2]), argv[3:] == ["name"])
    if command == "tree" and len(argv) == 4:
        return tree(int(argv[2]), argv[3])
    if command == "spoken" and len(argv) == 4:
        return spoken(argv[2], int(argv[3]))
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    # A reader of the output may stop early (head, grep -m).
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    sys.exit(main(sys.argv))
