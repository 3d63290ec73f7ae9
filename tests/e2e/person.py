"""What a person does with the program, through the display server and the accessibility bus:
controls are found by the names a screen reader speaks, pressed and typed into with xdotool,
and read back as the screen reader reads them."""

import contextlib
import os
import shutil
import subprocess
import tempfile
import time

import pyatspi
from gi.repository import GLib


# What a person operates; each must carry a name a screen reader speaks.
CONTROLS = ("push button", "check box", "radio button", "combo box", "spin button", "text", "password text",
            "table", "list", "page tab", "menu item", "slider")
WINDOWS = ("frame", "dialog", "alert", "internal frame", "window")


class Failure(Exception):
    pass


def until(probe, timeout, failure, pause=0.2):
    """The first true answer of probe(); Failure(failure) when none comes in time (failure may be a
    function, to tell what was seen at the end)."""
    deadline = time.time() + timeout
    while True:
        answer = probe()
        if answer:
            return answer
        if time.time() > deadline:
            raise Failure(failure() if callable(failure) else failure)
        time.sleep(pause)


def first(nodes, fits):
    """The first node that fits; a node that vanishes while it is read fits nothing."""
    for node in nodes:
        with contextlib.suppress(Exception):
            if fits(node):
                return node
    return None


def bus_answers():
    ask = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
                          "org.a11y.Bus.GetAddress"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with contextlib.suppress(Exception):
        return ask.returncode == 0 and pyatspi.Registry.getDesktop(0).childCount >= 0
    return False


@contextlib.contextmanager
def accessibility_bus():
    """The accessibility bus, up before the program starts: the program looks for it once, when it starts."""
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    try:
        until(bus_answers, 20, "the accessibility bus did not start")
        yield
    finally:
        bus.terminate()


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def screen():
    out = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True, check=True).stdout
    return (0, 0) + tuple(int(v) for v in out.split())


def walk(node, out=None, depth=0):
    """node and all below it; a node that vanishes while it is read is left out."""
    out = [] if out is None else out
    if node is not None and depth <= 40:
        out.append(node)
        with contextlib.suppress(Exception):
            for i in range(node.childCount):
                with contextlib.suppress(Exception):
                    walk(node.getChildAtIndex(i), out, depth + 1)
    return out


def holders(node):
    """The nodes that hold node, up to its application."""
    node = node.parent
    while node is not None and node.getRoleName() != "application":
        yield node
        node = node.parent


def showing(node):
    # A window inside the main window's area does not say it is showing: it is, when it has a size.
    try:
        state = node.getState()
        return state.contains(pyatspi.STATE_SHOWING) or (
            (node.getRoleName() == "frame" or state.contains(pyatspi.STATE_VISIBLE)) and min(extents(node)[2:]) > 0)
    except Exception:
        return False


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def within(box, outer):
    (x, y, w, h), (ox, oy, ow, oh) = box, outer
    return ox <= x and oy <= y and x + w <= ox + ow and y + h <= oy + oh


def text_of(node):
    with contextlib.suppress(Exception):
        return node.queryText().getText(0, -1)
    return ""


class Program:
    """The program started in a folder of its own, under the display and bus of the caller; as a
    context, stopped and its folder removed at the end."""

    def __init__(self, executable, arguments=(), help_page=None):
        self.folder = tempfile.mkdtemp(prefix="onda_e2e_")
        shutil.copy2(executable, self.file("ONDA_link"))
        if help_page:
            shutil.copy2(help_page, self.file("istruzioni.htm"))
        env = {k: v for k, v in os.environ.items() if k != "QT_QPA_PLATFORM"}
        env.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1",
                    "XDG_CONFIG_HOME": self.file("config"), "XDG_DATA_HOME": self.file("data"),
                    "QTWEBENGINE_DISABLE_SANDBOX": "1"})
        self.process = subprocess.Popen([self.file("ONDA_link"), *arguments], cwd=self.folder, env=env)
        self.windows_checked, self.problems = set(), []
        # Pop-up menus are no children of the application: a screen reader meets them by their focus.
        self.focused = None
        self.listener = lambda event: setattr(self, "focused", event.source) if event.detail1 else None
        pyatspi.Registry.registerEventListener(self.listener, "object:state-changed:focused")
        try:
            self.app = until(lambda: first(pyatspi.Registry.getDesktop(0), lambda a: a.name == "ONDA_link"), 40,
                             "the program does not appear on the accessibility bus", 0.3)
            self.main = self.window("ONDA_link (iscrizioni on line)", timeout=40)
        except BaseException:
            self.stop()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()

    def stop(self):
        pyatspi.Registry.deregisterEventListener(self.listener, "object:state-changed:focused")
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        shutil.rmtree(self.folder, ignore_errors=True)

    def file(self, name):
        return os.path.join(self.folder, name)

    # Finding what the screen reader finds.
    def top_windows(self):
        return [w for w in (self.app.getChildAtIndex(i) for i in range(self.app.childCount))
                if w is not None and showing(w)]

    def nodes(self):
        return [node for window in self.top_windows() for node in walk(window)]

    def find(self, name, role=None, timeout=10, prefix=False, inside=None, failure=None):
        """A control showing, by its name (or its start) and role (or one of several)."""
        roles = (role,) if isinstance(role, str) else role

        def fits(node):
            n = node.name or ""
            return (n.startswith(name) if prefix else n == name) and (roles is None or node.getRoleName() in roles) \
                and showing(node)
        return until(lambda: first(walk(inside) if inside is not None else self.nodes(), fits), timeout,
                     failure or "not found on the screen reader's view: %s %r" % (role or "control", name))

    def window(self, caption, timeout=15):
        """A window (top level or inside the main window) by the start of its caption; checked to lie on the screen."""
        node = self.find(caption, WINDOWS, timeout, prefix=True, failure=lambda: "no window %s; windows: %r" % (
            caption, [(c.getRoleName(), c.name, showing(c)) for c in self.nodes() if c.getRoleName() in WINDOWS]))
        self.check_on_screen(node)
        return node

    def check_on_screen(self, node):
        box = extents(node)
        if (node.name, box) in self.windows_checked:
            return
        self.windows_checked.add((node.name, box))
        if not within(box, screen()):
            self.problems.append("window %r lies partly outside the screen: %d,%d %dx%d" % ((node.name,) + box))
        for control in walk(node):
            try:
                role, parent = control.getRoleName(), control.parent.getRoleName()
                # The text box inside a list is met by itself; the list's pop-up is the list's.
                if role in CONTROLS and (parent != "combo box" or role == "text") and \
                        not (control.name or "").strip() and showing(control):
                    self.problems.append("a %s without a name in window %r at %d,%d" %
                                         ((role, node.name) + extents(control)[:2]))
            except Exception:
                continue
        main = next((h for h in holders(node) if h.getRoleName() == "frame"), None)
        if node.getRoleName() == "internal frame" and main is not None and not within(box, extents(main)):
            self.problems.append("window %r lies partly outside the main window: %d,%d %dx%d in %d,%d %dx%d" %
                                 ((node.name,) + box + extents(main)))

    def check_visible(self, node):
        """A control is pressed where it shows: inside each window that holds it, on the screen."""
        x, y, w, h = extents(node)
        centre = (x + w // 2, y + h // 2, 1, 1)
        for holder in holders(node):
            if holder.getRoleName() in WINDOWS + ("table",) and not within(centre, extents(holder)):
                raise Failure("%s %r lies outside the visible part of window %r" %
                              (node.getRoleName(), node.name, holder.name))
        if not within(centre, screen()):
            raise Failure("%s %r lies outside the screen" % (node.getRoleName(), node.name))
        return centre[:2]

    # Doing what a person does.
    def click(self, x, y, button=1, double=False):
        xdotool("mousemove", x, y)
        xdotool("click", *(["--repeat", 2, "--delay", 80] if double else []), button)

    def press(self, name, role="push button", double=False, **kw):
        node = self.find(name, role, **kw)
        self.click(*self.check_visible(node), double=double)
        time.sleep(0.3)
        return node

    def menu(self, *path):
        """A command from the menu bar: its menus, then the item."""
        for name in path:
            self.press(name, role="menu item")

    def grid(self, name, inside=None):
        """The rows of a grid as the screen reader reads them, each a dict by column title."""
        table = self.find(name, role="table", inside=inside).queryTable()
        titles = [table.getColumnDescription(c) for c in range(table.nColumns)]
        return [{titles[c]: (table.getAccessibleAt(r, c).name or "") for c in range(table.nColumns)}
                for r in range(table.nRows)]

    def grid_select(self, name, match, column, inside=None):
        """Makes current, as a person does, the first row for which match(row) holds: a click on a cell
        shown whole, then the arrow keys, which scroll it into view. Returns the row's cell in `column`."""
        node = self.find(name, role="table", inside=inside)
        rows = self.grid(name, inside)
        found = [r for r, row in enumerate(rows) if match(row)]
        if not found:
            raise Failure("no row of %r fits; rows: %r" % (name, rows))
        table, c = node.queryTable(), list(rows[0]).index(column)
        tx, ty, tw, th = extents(node)
        for r in range(len(rows)):
            x, y, w, h = extents(table.getAccessibleAt(r, c))
            if y > ty + h // 2 and y + h < ty + th - 20:  # below the titles, above the scroll bar
                break
        self.click(x + w // 2, y + h // 2)
        self.key(*(["Down"] * (found[0] - r) + ["Up"] * (r - found[0])))
        return table.getAccessibleAt(found[0], c)

    def popup_item(self, name):
        """Presses an item of the pop-up menu just opened, found from the first item the arrow key focuses."""
        self.focused = None
        self.key("Down")

        def menu_focused():
            GLib.MainContext.default().iteration(False)
            return self.focused is not None and self.focused.getRoleName() == "menu item"
        until(menu_focused, 5, "no pop-up menu takes the focus", 0.02)
        self.press(name, role="menu item", inside=self.focused.parent)

    def heard(self):
        """The control with the focus, as the screen reader last heard; one without a name is a problem."""
        any(not GLib.MainContext.default().iteration(False) for _ in range(500))  # the events waiting, no more
        with contextlib.suppress(Exception):
            if self.focused.getRoleName() in CONTROLS and not (self.focused.name or "").strip():
                self.problems.append("the focus on a %s without a name" % self.focused.getRoleName())
        return self.focused

    def stroke(self, *keys):  # keys pressed, the focus heard after each
        for k in keys:
            self.key(k)
            self.heard()

    def focus_until(self, fits, failure, timeout=10, tab=False):
        """The focus once fits(focus) holds, pressing Tab meanwhile when `tab`."""
        def probe():
            with contextlib.suppress(Exception):
                if self.heard() is not None and fits(self.focused):
                    return self.focused
            if tab:
                self.stroke("Tab")
        return until(probe, timeout, lambda: "%s; the focus is on %s" % (failure, self.focused and "%s %r" % (
            self.focused.getRoleName(), self.focused.name)), 0.05)

    def shot(self, name):
        folder = os.environ.get("E2E_SHOTS", "/tmp/e2e-shots")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")], check=False)

    def type_into(self, name, text, role=None, enter=False, **kw):
        self.press(name, role, **kw)
        xdotool("key", "ctrl+a")
        self.write(text)
        if enter:
            self.key("Return")

    def fill(self, window, *fields):
        """Types into each (name, text, role) field of window, in turn."""
        for name, text, role in fields:
            self.type_into(name, text, role=role, inside=window)

    def write(self, text):
        xdotool("type", "--delay", 30, text)

    def key(self, *keys):
        for k in keys:
            xdotool("key", k)
            time.sleep(0.15)

    def message(self, timeout=20):
        """The message box in front and its text, read as the screen reader reads it."""
        window = until(lambda: first(self.top_windows(), lambda w: w.getRoleName() == "alert"), timeout,
                       "no message box")
        self.check_on_screen(window)
        return window, "\n".join(n.name for n in walk(window) if n.getRoleName() == "label" and n.name)

    def answer(self, expected, button=None, timeout=20, prefix=False):
        """Checks the message in front and closes it with its button (or Enter, its default one)."""
        window, text = self.message(timeout)
        if not (text.startswith(expected) if prefix else text == expected):
            raise Failure("message %r, expected %r" % (text, expected))
        if button:
            self.press(button, inside=window)
        else:
            self.key("Return")
        until(lambda: not showing(window), 10, "the message %r stays open" % text)

    def wait_idle(self, timeout=30):
        """Until no progress window is on the screen: the program takes no input while one works."""
        until(lambda: not any((n.name or "").startswith("Collegamento con Ondaweb") and showing(n)
                              for n in self.nodes()), timeout, "the progress window stays open")
        time.sleep(0.3)
