"""Drives the real program as a screen reader user would: every step finds
its control in the accessibility tree by role and name and presses it there.

Run inside a D-Bus session of its own (dbus-run-session); starts a private X
server, the accessibility bus and the program. Exit codes: 0 passed,
1 failed, 77 skipped (no Xvfb or AT-SPI on this machine).
"""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.abspath(sys.argv[1])
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)
    return condition


def wait_for(probe, seconds=20):
    """The first true value of probe() within the time, else None."""
    end = time.time() + seconds
    while time.time() < end:
        try:
            value = probe()
        except Exception:  # the tree changes under our feet while windows open
            value = None
        if value:
            return value
        time.sleep(0.1)
    return None


def start_x_server():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
         "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as ready:
        number = ready.readline().strip()
    return server, ":" + number


def make_home():
    home = tempfile.mkdtemp(prefix="lumora-e2e-")
    for sub in ("config", "data", "cache", "runtime", "Pictures"):
        os.makedirs(os.path.join(home, sub))
    os.chmod(os.path.join(home, "runtime"), 0o700)
    pictures = os.path.join(home, "Pictures")
    for name, colour in (("red", "red"), ("green", "lime"), ("blue", "blue")):
        subprocess.run(["convert", "-size", "64x48", "xc:" + colour,
                        os.path.join(pictures, name + ".bmp")], check=True)
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=2", os.path.join(pictures, "tone.wav")],
                   check=True)
    return home, pictures


def accessibility_bus_ready():
    from gi.repository import Gio
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                              None, None, Gio.DBusCallFlags.NO_AUTO_START, 1000, None)
    return bool(reply.unpack()[0])


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def find(node, role, name, depth=0):
    """The first node below `node` with this role and name (name None: any)."""
    if node is None or depth > 14:
        return None
    if node.getRoleName() == role and (name is None or node.name == name):
        return node
    for child in node:
        found = find(child, role, name, depth + 1)
        if found is not None:
            return found
    return None


def window(app, name):
    """The program's window of that caption, while it is on the screen."""
    for child in app:
        if child is not None and child.name == name and showing(child):
            return child
    return None


def press(node, answers_late=False):
    """Runs the node's first action. A command that opens a modal window
    answers only when that window closes (and Exit never), so its answer is
    not waited for."""
    action = node.queryAction()
    if not answers_late:
        action.doAction(0)
        return
    pyatspi.setTimeout(500, 500)
    try:
        action.doAction(0)
    except Exception:
        pass  # no answer while the modal window runs: expected
    finally:
        pyatspi.setTimeout(25000, 60000)


def menu_command(frame, menu, command):
    bar = find(frame, "menu bar", None)
    top = find(bar, "menu item", menu)
    return find(top, "menu item", command)


def history_actions(app):
    history = wait_for(lambda: window(app, "HistoryList"))
    if not check(history is not None, "the history window did not open"):
        return []
    table = find(history, "tree", "History")
    if not check(table is not None, "the history list has no tree named History"):
        return []
    cells = table.queryTable()
    return [cells.getAccessibleAt(row, 0).name for row in range(cells.nRows)]


def program_on_bus():
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clear_cache()  # the list of programs may have been read before it joined
    return next((a for a in desktop if a is not None and a.name == "Lumora"), None)


def scenario(process, pictures):
    app = wait_for(program_on_bus, 30)
    if not check(app is not None, "the program never appeared on the accessibility bus "
                 "(it %s)" % ("runs" if process.poll() is None else "ended: %s" % process.poll())):
        return
    title = "Lumora 1.0.1 - [ " + pictures + "/ ]"
    frame = wait_for(lambda: window(app, title))
    if not check(frame is not None, "no main window titled " + title):
        return

    files = find(frame, "list", "Files")
    check(files is not None and sorted(c.name for c in files)
          == ["[..]", "blue.bmp", "green.bmp", "red.bmp", "tone.wav"],
          "the file list does not show the pictures and the sound")
    check(find(frame, "tree", "Folders") is not None, "no folder tree named Folders")

    # The slideshow editor: every picture added, then closed.
    press(menu_command(frame, "Slideshow", "Create"), answers_late=True)
    editor = wait_for(lambda: window(app, "Create/Edit Slideshow"))
    if check(editor is not None, "Slideshow > Create did not open the editor"):
        press(find(editor, "push button", "Add All"))
        slides = find(editor, "list", "Slides")
        check(wait_for(lambda: slides.childCount == 3, 10),
              "Add All did not put the three pictures in the slide list")
        check(wait_for(lambda: find(editor, "label", "Total item(s) : 3   Total time of slide : 3 sec"),
                       5), "the editor's totals do not read 3 items")
        press(find(editor, "push button", "Close"))
        check(wait_for(lambda: not showing(editor), 10), "Close left the editor open")

    # The preferences: eight pages, left with OK.
    press(menu_command(frame, "Edit", "Preferences"), answers_late=True)
    preferences = wait_for(lambda: window(app, "Preferences"))
    if check(preferences is not None, "Edit > Preferences did not open the window"):
        pages = find(preferences, "page tab list", "Pages")
        check(pages is not None and [p.name for p in pages]
              == ["General", "Images", "Movies", "Favorites", "SlideShow", "Language",
                  "Toolbar", "Links"], "the preferences do not show the eight pages")
        press(find(preferences, "push button", "OK"))
        check(wait_for(lambda: not showing(preferences), 10), "OK left the preferences open")

    # A click on the picture just above the sound (where the accessibility
    # tree places it), then the Down key: the media player window shows and
    # plays the sound (the media module is loaded for it).
    names = [c.name for c in files]
    above = files[names.index("tone.wav") - 1]
    area = above.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(area.x + area.width // 2, area.y + area.height // 2,
                                        "b1c")
    check(wait_for(lambda: window(app, title) is None, 5),
          "a click on %s did not preview it" % above.name)
    pyatspi.Registry.generateKeyboardEvent(0xFF54, None, pyatspi.KEY_SYM)  # Down
    player = wait_for(lambda: window(app, "Mediaplayer"), 15)
    if check(player is not None, "the sound did not bring up the media player"):
        check(wait_for(lambda: find(player, "label", "tone.wav"), 5),
              "the media player does not name the sound")
        pause = find(player, "push button", "Pause")
        check(pause is not None and pause.getState().contains(pyatspi.STATE_ENABLED),
              "the media player cannot pause: it is not playing")

    press(menu_command(frame, "View", "HistoryList"), answers_late=True)
    actions = history_actions(app)
    expected = ["Launched Create Slideshow", "Pressed New Slideshow", "Pressed Add All Files",
                "Pressed Close Slideshow", "Launched Options", "Show Mediaplayer"]
    check(actions[-len(expected):] == expected,
          "the history reads %r, expected it to end with %r" % (actions, expected))

    # The history has no button: the user leaves it with Escape.
    history = window(app, "HistoryList")
    if history is not None:
        pyatspi.Registry.generateKeyboardEvent(0xFF1B, None, pyatspi.KEY_SYM)
        check(wait_for(lambda: not showing(history), 10), "Escape left the history open")
    press(menu_command(frame, "File", "Exit"), answers_late=True)
    try:
        code = process.wait(timeout=20)
        check(code == 0, "the program exited with %d" % code)
    except subprocess.TimeoutExpired:
        check(False, "File > Exit did not end the program")


def main():
    if not shutil.which("Xvfb") or not shutil.which("convert") or not shutil.which("ffmpeg") or \
            not os.path.exists("/usr/libexec/at-spi-bus-launcher") or \
            importlib.util.find_spec("pyatspi") is None:
        print("skipped: Xvfb, ImageMagick, ffmpeg or AT-SPI (python3-pyatspi) is missing")
        return 77
    home, pictures = make_home()
    server, display = start_x_server()
    environment = dict(os.environ, DISPLAY=display, HOME=home,
                       XDG_CONFIG_HOME=os.path.join(home, "config"),
                       XDG_DATA_HOME=os.path.join(home, "data"),
                       XDG_CACHE_HOME=os.path.join(home, "cache"),
                       XDG_RUNTIME_DIR=os.path.join(home, "runtime"),
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", SDL_AUDIODRIVER="dummy")
    os.environ.update(environment)
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           env=environment, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    process = None
    try:
        # A program started before the bus answers never joins it.
        if not check(wait_for(accessibility_bus_ready, 20), "the accessibility bus did not start"):
            return 1
        global pyatspi
        import pyatspi  # after the session bus and the accessibility bus exist
        # Reading the desktop starts the registry, which the program must find.
        check(wait_for(lambda: pyatspi.Registry.getDesktop(0).childCount >= 0, 20) is not None,
              "the accessibility registry did not answer")
        process = subprocess.Popen([PROGRAM], cwd=pictures, env=environment)
        scenario(process, pictures)
    finally:
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()
        bus.terminate()
        server.terminate()
        bus.wait()
        server.wait()
        shutil.rmtree(home, ignore_errors=True)
    print("FAILED" if failures else "PASSED")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
