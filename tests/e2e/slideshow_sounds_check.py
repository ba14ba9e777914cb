"""Slideshow sounds in the real program, driven as a screen reader user would:
a favourite slideshow and a sound list are set up through the windows, then
`lumora show.lss` plays the pictures full-screen while the sound comes out of
SDL's disk driver and repeats, until F4 silences it.

Run inside a D-Bus session of its own (dbus-run-session). Exit codes: 0 passed,
1 failed, 77 skipped (no Xvfb or AT-SPI on this machine).
"""

import array
import os
import subprocess
import sys
import time

from atspi import (check, click, enabled, exit_program, find, key, menu_command, press,
                   program_on_bus, run, showing, stop, wait_for, window)

PROGRAM = os.path.abspath(sys.argv[1])
TONE_SECONDS = 0.4
RATE = 44100  # stereo float frames a second, as the program's output writes them
F4 = 0xFFC1


def sounding_frames(raw):
    """The indexes of the frames of the output file that are not silent."""
    samples = array.array("f")
    with open(raw, "rb") as data:
        content = data.read()
    samples.frombytes(content[:len(content) // 8 * 8])
    return [i // 2 for i in range(0, len(samples), 2)
            if abs(samples[i]) > 1e-3 or abs(samples[i + 1]) > 1e-3]


def main_window(app, pictures):
    title = "Lumora 1.0.1 - [ " + pictures + "/ ]"
    frame = wait_for(lambda: window(app, title))
    check(frame is not None, "no main window titled " + title)
    return frame


def entry(lst, name):
    return next((c for c in lst if c is not None and c.name == name), None)


def set_up(process, pictures, show):
    """Through the windows: the slideshow among the favourites, the tone in
    the sound list with sound playback on; then Exit, which stores both."""
    app = wait_for(program_on_bus, 30)
    if not check(app is not None, "the program never appeared on the accessibility bus"):
        return
    frame = main_window(app, pictures)
    if frame is None:
        return

    press(menu_command(frame, "Favorites", "Slideshow"), answers_late=True)
    favorites = wait_for(lambda: window(app, "Favorite Slideshow"))
    if check(favorites is not None, "Favorites > Organize > Slideshow did not open its window"):
        for name in ("Add", "Remove", "Move Up", "Move Down", "OK"):
            check(find(favorites, "push button", name) is not None,
                  "the favourites have no button named " + name)
        check(find(favorites, "label", "There are 0 slideshows in the list") is not None,
              "the favourites do not count 0 slideshows")
        files = find(favorites, "list", "Slideshow files")
        check(files is not None and entry(files, "show.lss") is not None,
              "the favourites' file list does not show show.lss")
        if files is not None and entry(files, "show.lss") is not None:
            click(entry(files, "show.lss"))
            add = find(favorites, "push button", "Add")
            check(wait_for(lambda: enabled(add), 5), "Add stays disabled after a click on a file")
            press(add)
        check(wait_for(lambda: find(favorites, "label", "There are 1 slideshows in the list"), 5),
              "Add did not put the slideshow in the favourites")
        press(find(favorites, "push button", "OK"))
        check(wait_for(lambda: window(app, "Favorite Slideshow") is None, 10),
              "OK left the favourites open")

    press(menu_command(frame, "Slideshow", "Open and Play"), answers_late=True)
    dialog = wait_for(lambda: window(app, "Open Slideshow"))
    if not check(dialog is not None, "Slideshow > Open and Play did not open its dialog"):
        return
    for name in ("Open", "Close", "More >>>", "Sound"):
        check(find(dialog, "push button", name) is not None,
              "the open-slideshow dialog has no button named " + name)
    check(not enabled(find(dialog, "push button", "Open")), "Open is enabled without a file")
    press(find(dialog, "push button", "More >>>"))
    stored = wait_for(lambda: find(dialog, "list", "Stored Slideshows"), 5)
    check(stored is not None and [c.name for c in stored] == [show],
          "the widened dialog does not offer the favourite slideshow")

    press(find(dialog, "push button", "Sound"), answers_late=True)
    setup = wait_for(lambda: window(app, "Sound Setup"))
    if check(setup is not None, "Sound did not open the sound setup"):
        for name in ("Add", "Remove", "Move Up", "Move Down", "Play", "Stop", "Save Sound List",
                     "Open Sound List", "OK"):
            check(find(setup, "push button", name) is not None,
                  "the sound setup has no button named " + name)
        check(find(setup, "scroll bar", "Sound position") is not None,
              "the sound setup has no position bar named Sound position")
        files = find(setup, "list", "Sound files")
        tone = entry(files, "tone.wav") if files is not None else None
        if check(tone is not None, "the sound setup's file list does not show tone.wav"):
            click(tone)
            add = find(setup, "push button", "Add")
            check(wait_for(lambda: enabled(add), 5), "Add stays disabled after a click on a file")
            press(add)
        sounds = find(setup, "list", "Sounds")
        check(wait_for(lambda: sounds.childCount == 1, 5), "Add did not put the tone in the list")
        press(find(setup, "check box", "Enable Sound Playback"))
        press(find(setup, "push button", "OK"))
        check(wait_for(lambda: window(app, "Sound Setup") is None, 10),
              "OK left the sound setup open")

    press(find(dialog, "push button", "Close"))
    check(wait_for(lambda: window(app, "Open Slideshow") is None, 10),
          "Close left the dialog open")
    exit_program(frame, process)


def show_window(app):
    """The show's window, while it shows one of the three slides."""
    for child in app:
        if child is not None and showing(child) and \
                find(child, "label", lambda text: text.endswith(" of 3")) is not None:
            return child
    return None


def play(process, pictures, raw, screen):
    """`lumora show.lss`: the show full-screen, the tone repeating; F4."""
    app = wait_for(program_on_bus, 30)
    if not check(app is not None, "the program with show.lss never appeared on the bus"):
        return
    player = wait_for(lambda: show_window(app), 30)
    if not check(player is not None, "no slide caption \"... of 3\": the show did not start"):
        return
    area = player.queryComponent().getExtents(0)
    check((area.width, area.height) == screen,
          "the show covers %d x %d, not the screen's %d x %d" % (area.width, area.height, *screen))

    check(wait_for(lambda: os.path.exists(raw) and os.path.getsize(raw) > 3 * RATE * 8, 15),
          "the sound output wrote less than three seconds")
    if os.environ.get("LUMORA_SCREENSHOT_DIR"):
        subprocess.run(["import", "-window", "root",
                        os.path.join(os.environ["LUMORA_SCREENSHOT_DIR"], "slideshow-sounds.png")],
                       check=False)
    heard = sounding_frames(raw)
    check(len(heard) > 2.5 * TONE_SECONDS * RATE,
          "%.2f s of sound in three seconds: the %.1f s tone did not repeat"
          % (len(heard) / RATE, TONE_SECONDS))

    pressed_at = os.path.getsize(raw) // 8
    key(F4)
    check(wait_for(lambda: show_window(app) is None, 10), "F4 did not end the show")
    time.sleep(1)
    heard = sounding_frames(raw)
    late = (heard[-1] - pressed_at) / RATE if heard else 0
    check(late < 0.15, "sound went on %.3f s after F4" % late)
    frame = main_window(app, pictures)
    if frame is not None:
        exit_program(frame, process)


def drive(desktop, home, pictures):
    show = os.path.join(pictures, "show.lss")
    with open(show, "wb") as slides:
        for name in ("red", "green", "blue"):
            slides.write(os.path.join(pictures, name + ".bmp").encode() + b"\r\n")
    process = desktop.start(PROGRAM, cwd=pictures)
    set_up(process, pictures, show)
    stop(process)
    # Named as a user in that folder would name it.
    raw = os.path.join(home, "sound.raw")
    process = desktop.start(PROGRAM, ["show.lss"], cwd=pictures, SDL_AUDIODRIVER="disk",
                            SDL_DISKAUDIOFILE=raw)
    play(process, pictures, raw, (1280, 800))


if __name__ == "__main__":
    sys.exit(run(TONE_SECONDS, drive))
