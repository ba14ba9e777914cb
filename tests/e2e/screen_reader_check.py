"""Drives the real program as a screen reader user would: every step finds
its control in the accessibility tree by role and name and presses it there.

Run inside a D-Bus session of its own (dbus-run-session); starts a private X
server, the accessibility bus and the program. Exit codes: 0 passed,
1 failed, 77 skipped (no Xvfb or AT-SPI on this machine).
"""

import os
import sys

from atspi import (check, click, enabled, exit_program, find, key, menu_command, press,
                   program_on_bus, run, showing, wait_for, window)

PROGRAM = os.path.abspath(sys.argv[1])


def history_actions(app):
    history = wait_for(lambda: window(app, "HistoryList"))
    if not check(history is not None, "the history window did not open"):
        return []
    table = find(history, "tree", "History")
    if not check(table is not None, "the history list has no tree named History"):
        return []
    cells = table.queryTable()
    return [cells.getAccessibleAt(row, 0).name for row in range(cells.nRows)]


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
              == ["General", "Images", "Movies", "Favorites", "Slideshow", "Language",
                  "Toolbar", "Links"], "the preferences do not show the eight pages")
        press(find(preferences, "push button", "OK"))
        check(wait_for(lambda: not showing(preferences), 10), "OK left the preferences open")

    # A click on the picture just above the sound (where the accessibility
    # tree places it), then the Down key: the media player window shows and
    # plays the sound (the media module is loaded for it).
    names = [c.name for c in files]
    above = files[names.index("tone.wav") - 1]
    click(above)
    check(wait_for(lambda: window(app, title) is None, 5),
          "a click on %s did not preview it" % above.name)
    key(0xFF54)  # Down
    player = wait_for(lambda: window(app, "Mediaplayer"), 15)
    if check(player is not None, "the sound did not bring up the media player"):
        check(wait_for(lambda: find(player, "label", "tone.wav"), 5),
              "the media player does not name the sound")
        pause = find(player, "push button", "Pause")
        check(pause is not None and enabled(pause),
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
        key(0xFF1B)  # Escape
        check(wait_for(lambda: not showing(history), 10), "Escape left the history open")
    exit_program(frame, process)


if __name__ == "__main__":
    sys.exit(run(2, lambda desktop, home, pictures:
                 scenario(desktop.start(PROGRAM, cwd=pictures), pictures)))
