"""What the checks that drive the real program through its accessibility tree
share: a private X server and accessibility bus, finding controls by role and
name, pressing them, and the verdict.

Run the checks inside a D-Bus session of their own (dbus-run-session).
"""

import importlib.util
import os
import shutil
import subprocess
import tempfile
import time

failures = []
pyatspi = None  # imported once the session's accessibility bus runs


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)
    return condition


def verdict():
    """Prints the verdict and returns the exit code."""
    print("FAILED" if failures else "PASSED")
    return 1 if failures else 0


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


def missing_tools():
    """What this machine lacks to run a check, or None."""
    for tool in ("Xvfb", "convert", "ffmpeg"):
        if not shutil.which(tool):
            return tool
    if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
        return "at-spi2-core"
    if importlib.util.find_spec("pyatspi") is None:
        return "python3-pyatspi"
    return None


def make_home():
    """A home of its own with the XDG folders; its Pictures folder."""
    home = tempfile.mkdtemp(prefix="lumora-e2e-")
    for sub in ("config", "data", "cache", "runtime", "Pictures"):
        os.makedirs(os.path.join(home, sub))
    os.chmod(os.path.join(home, "runtime"), 0o700)
    return home, os.path.join(home, "Pictures")


def make_pictures(folder):
    for name, colour in (("red", "red"), ("green", "lime"), ("blue", "blue")):
        subprocess.run(["convert", "-size", "64x48", "xc:" + colour,
                        os.path.join(folder, name + ".bmp")], check=True)


def make_tone(path, seconds):
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=%s" % seconds, path], check=True)


def start_x_server():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
         "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as ready:
        number = ready.readline().strip()
    return server, ":" + number


def accessibility_bus_ready():
    from gi.repository import Gio
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                              None, None, Gio.DBusCallFlags.NO_AUTO_START, 1000, None)
    return bool(reply.unpack()[0])


class Desktop:
    """A private X server and accessibility bus, and the program's environment
    on them: a home of its own, accessibility on, sound to SDL's dummy driver
    unless the check names another."""

    def __init__(self, home):
        self.home = home
        self.server = None
        self.bus = None
        self.environment = None
        self.programs = []

    def __enter__(self):
        global pyatspi
        self.server, display = start_x_server()
        self.environment = dict(os.environ, DISPLAY=display, HOME=self.home,
                                XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                                XDG_DATA_HOME=os.path.join(self.home, "data"),
                                XDG_CACHE_HOME=os.path.join(self.home, "cache"),
                                XDG_RUNTIME_DIR=os.path.join(self.home, "runtime"),
                                QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", SDL_AUDIODRIVER="dummy")
        os.environ.update(self.environment)
        self.bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    env=self.environment, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        # A program started before the bus answers never joins it.
        if check(wait_for(accessibility_bus_ready, 20), "the accessibility bus did not start"):
            import pyatspi as module  # after the session bus and the accessibility bus exist
            pyatspi = module
            # Reading the desktop starts the registry, which the program must find.
            check(wait_for(lambda: pyatspi.Registry.getDesktop(0).childCount >= 0, 20)
                  is not None, "the accessibility registry did not answer")
        return self

    def ready(self):
        return pyatspi is not None

    def start(self, program, arguments=(), cwd=None, **environment):
        process = subprocess.Popen([program, *arguments], cwd=cwd,
                                   env=dict(self.environment, **environment))
        self.programs.append(process)
        return process

    def __exit__(self, *error):
        for process in self.programs:
            stop(process)
        for process in (self.bus, self.server):
            if process is not None:
                process.terminate()
                process.wait()


def stop(process):
    if process.poll() is None:
        process.kill()
        process.wait()


def run(tone_seconds, drive):
    """Runs a check: a home of its own whose Pictures folder holds three
    pictures and tone.wav, the desktop, then drive(desktop, home, pictures).
    Returns the exit code: the verdict, or 77 when the machine lacks a tool."""
    lacking = missing_tools()
    if lacking:
        print("skipped: %s is missing" % lacking)
        return 77
    home, pictures = make_home()
    try:
        make_pictures(pictures)
        make_tone(os.path.join(pictures, "tone.wav"), tone_seconds)
        with Desktop(home) as desktop:
            if desktop.ready():
                drive(desktop, home, pictures)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    return verdict()


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def find(node, role, name, depth=0):
    """The first node below `node` with this role and name (name None: any;
    a function: a name it accepts)."""
    if node is None or depth > 14:
        return None
    if node.getRoleName() == role and (
            name is None or (name(node.name) if callable(name) else node.name == name)):
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


def click(node):
    """A click of the mouse in the middle of the node, where the tree places it."""
    area = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(area.x + area.width // 2, area.y + area.height // 2,
                                        "b1c")


def key(keysym):
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)


def menu_command(frame, menu, command):
    bar = find(frame, "menu bar", None)
    top = find(bar, "menu item", menu)
    return find(top, "menu item", command)


def program_on_bus():
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clear_cache()  # the list of programs may have been read before it joined
    return next((a for a in desktop if a is not None and a.name == "Lumora"), None)


def exit_program(frame, process):
    press(menu_command(frame, "File", "Exit"), answers_late=True)
    try:
        code = process.wait(timeout=20)
        check(code == 0, "the program exited with %d" % code)
    except subprocess.TimeoutExpired:
        check(False, "File > Exit did not end the program")
