#!/usr/bin/python3
"""The wizard's road driven over the accessibility bus, by names and roles only.

    access_road.py WIZARD

Starts WIZARD --simulate (one new simulated unit) and, as a screen reader or a
script would, finds the program and its window by name, makes the unit a Stand
Alone unit with its radio button, and presses Next through the speaker page,
the inputs page's four channels and the output page, then Exit; the program
must end with 0. On the way the inputs page must open where the wizard is and
Back must bring the wizard back to the same place. Needs DISPLAY and a session bus (access-road-test.sh gives
both). Every wait ends after STEP_SECONDS; a failed step says what it looked
for and lists what the windows hold.
"""

import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

STEP_SECONDS = 30
PROGRAM = "quorvel-vk550-config"
WINDOW = "Quorvel Dravena Configuration"


class RoadError(Exception):
    pass


def plain(text):
    """A name as read aloud: blanks and line breaks collapsed."""
    return " ".join((text or "").split())


def describe(acc):
    try:
        states = acc.getState()
        flags = [n for n, s in (("showing", pyatspi.STATE_SHOWING), ("enabled", pyatspi.STATE_ENABLED),
                                ("checked", pyatspi.STATE_CHECKED)) if states.contains(s)]
        return f"{acc.getRoleName()} '{plain(acc.name)}' [{' '.join(flags)}]"
    except GLib.Error as error:
        return f"<unreadable: {error.message}>"


def descendants(acc, depth=0):
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        if depth < 12:
            yield from descendants(child, depth + 1)


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


class Road:
    def __init__(self, wizard):
        self.wizard = wizard
        self.app = None
        self.step = "starting"

    # --- waiting -------------------------------------------------------------

    def wait_for(self, what, probe):
        """probe() until it gives something; the bus may time out while the
        program is busy (a unit re-enumerating), which counts as not yet."""
        deadline = time.monotonic() + STEP_SECONDS
        last_error = None
        while True:
            if self.wizard.poll() is not None:
                raise RoadError(f"{what}: the program ended with {self.wizard.returncode}")
            try:
                found = probe()
                if found is not None:
                    return found
            except GLib.Error as error:
                last_error = error.message
            if time.monotonic() > deadline:
                extra = f" (last bus error: {last_error})" if last_error else ""
                raise RoadError(f"{what}: not there after {STEP_SECONDS} s{extra}")
            time.sleep(0.25)

    # --- finding -------------------------------------------------------------

    def find_program(self):
        # A loaded machine answers late: a call waits up to 10 s for its answer
        # instead of the library's fraction of a second, so an action whose
        # answer is late is not taken for one that failed (and never repeated).
        Atspi.set_timeout(10000, 30000)
        desktop = pyatspi.Registry.getDesktop(0)

        def probe():
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name == PROGRAM:
                    return app
            return None

        self.app = self.wait_for(f"the program '{PROGRAM}' on the accessibility bus", probe)
        # Read every name and state from the program itself, never from a cache
        # that an event the toolkit did not send would leave stale.
        self.app.set_cache_mask(Atspi.Cache.NONE)

    def windows(self):
        return [self.app.getChildAtIndex(i) for i in range(self.app.childCount)]

    def window_titled(self, page_title):
        """The showing window named WINDOW whose page title reads page_title."""

        def probe():
            for window in self.windows():
                if window is None or window.name != WINDOW or not showing(window):
                    continue
                for acc in descendants(window):
                    if acc.getRole() == pyatspi.ROLE_LABEL and plain(acc.name) == page_title and showing(acc):
                        return window
            return None

        self.step = f"page '{page_title}'"
        return self.wait_for(f"a window '{WINDOW}' showing the page title '{page_title}'", probe)

    def control(self, window, name, role):
        """The one showing control of that name; its role must be role."""
        matches = [acc for acc in descendants(window) if plain(acc.name) == name and showing(acc)]
        if len(matches) != 1:
            raise RoadError(f"{self.step}: looked for one showing control named '{name}', found {len(matches)}")
        if matches[0].getRole() != role:
            raise RoadError(f"{self.step}: '{name}' is a {matches[0].getRoleName()}, "
                            f"not a {Atspi.role_get_name(role)}")
        return matches[0]

    # --- acting --------------------------------------------------------------

    def act(self, acc, *wanted):
        """Performs the first of the wanted actions the control offers."""
        action = acc.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        for name in wanted:
            if name in names:
                action.doAction(names.index(name))
                return
        raise RoadError(f"{self.step}: '{plain(acc.name)}' offers the actions {names}, none of {list(wanted)}")

    def place(self, window):
        """Where the window's client area lies on the screen, as a reader tells it."""
        extents = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (extents.x, extents.y, extents.width, extents.height)

    def same_place(self, what, window, expected):
        # The window manager may move a window a moment after it shows.
        found = self.wait_for(f"{what} at {expected}",
                              lambda: self.place(window) if self.place(window) == expected else None)
        return found

    def press(self, window, name):
        button = self.control(window, name, pyatspi.ROLE_PUSH_BUTTON)
        self.wait_for(f"'{name}' enabled", lambda: True if button.getState().contains(pyatspi.STATE_ENABLED) else None)
        self.act(button, "Press", "press", "click")

    # --- the road ------------------------------------------------------------

    def drive(self):
        self.find_program()

        window = self.window_titled("Unit Type Selection")
        stand_alone = self.control(window, "Stand Alone", pyatspi.ROLE_RADIO_BUTTON)
        self.act(stand_alone, "Toggle", "Press", "click")
        self.wait_for("'Stand Alone' checked",
                      lambda: True if stand_alone.getState().contains(pyatspi.STATE_CHECKED) else None)
        self.press(window, "Next >")

        window = self.window_titled("STAND ALONE Speaker Setup")
        speaker = self.control(window, "Speaker volume", pyatspi.ROLE_SLIDER)
        if not speaker.getState().contains(pyatspi.STATE_ENABLED):
            raise RoadError(f"{self.step}: the speaker volume slider is disabled")
        try:
            volume = speaker.queryValue()  # what a screen reader reads out and sets
        except NotImplementedError:
            raise RoadError(f"{self.step}: the speaker volume slider has no value to read") from None
        if not volume.minimumValue < volume.maximumValue:
            raise RoadError(f"{self.step}: the speaker volume runs from {volume.minimumValue} to {volume.maximumValue}")
        self.control(window, "Output volume", pyatspi.ROLE_SLIDER)
        self.control(window, "Output level meter", pyatspi.ROLE_PROGRESS_BAR)
        # The inputs page opens where the wizard is, and Back brings the wizard
        # back to the same place (a window manager's frame must not move it).
        # A few times: the window manager takes the hidden wizard's frame away
        # at its own pace, and a wizard placed by its frame corner then landed a
        # title bar higher in some runs (6 of 14 on a busy machine).
        wizard_place = self.place(window)
        for _ in range(3):
            self.press(window, "Next >")
            window = self.window_titled("Stand Alone Input 1 Setup")
            self.same_place("the inputs page where the wizard was", window, wizard_place)
            self.press(window, "< Back")
            window = self.window_titled("STAND ALONE Speaker Setup")
            self.same_place("the wizard back where it was", window, wizard_place)
        self.press(window, "Next >")

        for channel in range(1, 5):
            window = self.window_titled(f"Stand Alone Input {channel} Setup")
            self.control(window, f"Use Input {channel}", pyatspi.ROLE_CHECK_BOX)
            self.control(window, f"Input {channel} analog gain", pyatspi.ROLE_TEXT)
            if channel == 1:
                self.control(window, "Selected input signal", pyatspi.ROLE_FILLER)
            self.press(window, "Next >")

        window = self.window_titled("STAND ALONE Output Setup")
        self.control(window, "Output level meter", pyatspi.ROLE_PROGRESS_BAR)
        self.control(window, "Output volume", pyatspi.ROLE_SLIDER)
        self.press(window, "Next >")

        window = self.window_titled("Stand Alone unit configuration ended succesfully.")
        self.press(window, "Exit >")

        self.step = "after Exit"
        deadline = time.monotonic() + STEP_SECONDS
        while self.wizard.poll() is None and time.monotonic() < deadline:
            time.sleep(0.1)
        if self.wizard.returncode is None:
            raise RoadError(f"after Exit: the program still runs after {STEP_SECONDS} s")
        if self.wizard.returncode != 0:
            raise RoadError(f"after Exit: the program ended with {self.wizard.returncode}")

    def dump(self):
        """What the program's windows hold, for a failure's report."""
        if self.app is None:
            try:
                desktop = pyatspi.Registry.getDesktop(0)
                names = [plain(desktop.getChildAtIndex(i).name) for i in range(desktop.childCount)]
                print(f"  programs on the bus: {names}", file=sys.stderr)
            except GLib.Error as error:
                print(f"  the bus cannot be read: {error.message}", file=sys.stderr)
            return
        try:
            for window in self.windows():
                print(f"  window {describe(window)}", file=sys.stderr)
                for acc in descendants(window):
                    print(f"    {describe(acc)}", file=sys.stderr)
        except GLib.Error as error:
            print(f"  the windows cannot be read: {error.message}", file=sys.stderr)


def main():
    if len(sys.argv) != 2:
        print("usage: access_road.py WIZARD", file=sys.stderr)
        return 2
    wizard = subprocess.Popen([sys.argv[1], "--simulate"], stdin=subprocess.DEVNULL)
    road = Road(wizard)
    try:
        road.drive()
    except (RoadError, GLib.Error, NotImplementedError) as error:
        if isinstance(error, GLib.Error):
            message = f"{road.step}: the accessibility bus answered: {error.message}"
        elif isinstance(error, NotImplementedError):
            message = f"{road.step}: a control lacks an accessibility interface ({error})"
        else:
            message = str(error)
        print(f"FAIL: {message}", file=sys.stderr)
        road.dump()
        return 1
    finally:
        if wizard.poll() is None:
            wizard.kill()
            wizard.wait()
    print("the road went to its end by names and roles over the accessibility bus", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
