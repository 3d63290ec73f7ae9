"""What a person does with the program, through the display server and the accessibility bus:
controls are found by the names a screen reader speaks, pressed and typed into with xdotool,
and read back as the screen reader reads them."""

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


class Failure(Exception):
    pass


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def screen_size():
    out = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True, check=True).stdout
    width, height = out.split()
    return int(width), int(height)


def walk(node, out, depth=0):
    if node is None or depth > 40:
        return out
    out.append(node)
    try:
        count = node.childCount
    except Exception:
        return out
    for i in range(count):
        try:
            walk(node.getChildAtIndex(i), out, depth + 1)
        except Exception:
            pass
    return out


def showing(node):
    # A window inside the main window's area does not say it is showing: it is, when it has a size.
    try:
        state = node.getState()
        if state.contains(pyatspi.STATE_SHOWING):
            return True
        if node.getRoleName() != "frame" and not state.contains(pyatspi.STATE_VISIBLE):
            return False
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.width > 0 and box.height > 0
    except Exception:
        return False


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, -1)
    except Exception:
        return ""


class Program:
    """The program started in a folder of its own, under the display and bus of the caller."""

    def __init__(self, executable, arguments=(), help_page=None):
        self.folder = tempfile.mkdtemp(prefix="onda_e2e_")
        self.exe = os.path.join(self.folder, "ONDA_link")
        shutil.copy2(executable, self.exe)
        if help_page:
            shutil.copy2(help_page, os.path.join(self.folder, "istruzioni.htm"))
        env = dict(os.environ)
        env.pop("QT_QPA_PLATFORM", None)
        env.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1",
                    "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
                    "XDG_DATA_HOME": os.path.join(self.folder, "data"), "QTWEBENGINE_DISABLE_SANDBOX": "1"})
        self.process = subprocess.Popen([self.exe, *arguments], cwd=self.folder, env=env)
        self.app = None
        self.windows_checked = set()
        self.problems = []
        # Pop-up menus are no children of the application: a screen reader meets them by their focus.
        self.focused = None
        self.listener = lambda event: setattr(self, "focused", event.source) if event.detail1 else None
        pyatspi.Registry.registerEventListener(self.listener, "object:state-changed:focused")
        deadline = time.time() + 40
        while time.time() < deadline and self.app is None:
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.name == "ONDA_link":
                    self.app = app
            time.sleep(0.3)
        if self.app is None:
            raise Failure("the program does not appear on the accessibility bus")
        self.window("ONDA_link (iscrizioni on line)", timeout=40)

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
        out = []
        for i in range(self.app.childCount):
            child = self.app.getChildAtIndex(i)
            if child is not None and showing(child):
                out.append(child)
        return out

    def nodes(self):
        out = []
        for window in self.top_windows():
            walk(window, out)
        return out

    def find(self, name, role=None, timeout=10, prefix=False, inside=None):
        deadline = time.time() + timeout
        while True:
            pool = walk(inside, []) if inside is not None else self.nodes()
            for node in pool:
                try:
                    n = node.name or ""
                    if (n.startswith(name) if prefix else n == name) and (role is None or node.getRoleName() == role) \
                            and showing(node):
                        return node
                except Exception:
                    continue
            if time.time() > deadline:
                raise Failure("not found on the screen reader's view: %s %r" % (role or "control", name))
            time.sleep(0.2)

    def window(self, caption, timeout=15, prefix=True):
        """A window (top level or inside the main window) by its caption; checked to lie on the screen."""
        node = None
        deadline = time.time() + timeout
        while node is None:
            for candidate in self.nodes():
                try:
                    role = candidate.getRoleName()
                    if role in ("frame", "dialog", "alert", "internal frame", "window") and showing(candidate) and \
                            (candidate.name or "").startswith(caption if prefix else caption):
                        node = candidate
                        break
                except Exception:
                    continue
            if node is None:
                if time.time() > deadline:
                    seen = [(c.getRoleName(), c.name, showing(c)) for c in self.nodes()
                            if c.getRoleName() in ("frame", "dialog", "alert", "internal frame", "window")]
                    raise Failure("no window %s; windows: %r" % (caption, seen))
                time.sleep(0.2)
        self.check_on_screen(node)
        return node

    def check_on_screen(self, node):
        x, y, w, h = extents(node)
        width, height = screen_size()
        key = (node.name, x, y, w, h)
        if key in self.windows_checked:
            return
        self.windows_checked.add(key)
        if x < 0 or y < 0 or x + w > width or y + h > height:
            self.problems.append("window %r lies partly outside the screen: %d,%d %dx%d" % (node.name, x, y, w, h))
        for control in walk(node, []):
            try:
                role, parent = control.getRoleName(), control.parent.getRoleName()
                if role in CONTROLS and parent != "combo box" and not (control.name or "").strip() and showing(control):
                    self.problems.append("a %s without a name in window %r at %d,%d" %
                                         ((role, node.name) + extents(control)[:2]))
            except Exception:
                continue
        main = node.parent
        while main is not None and main.getRoleName() != "frame":
            main = main.parent
        if node.getRoleName() == "internal frame" and main is not None:
            mx, my, mw, mh = extents(main)
            if x < mx or y < my or x + w > mx + mw or y + h > my + mh:
                self.problems.append("window %r lies partly outside the main window: %d,%d %dx%d in %d,%d %dx%d" %
                                     (node.name, x, y, w, h, mx, my, mw, mh))

    def check_visible(self, node):
        """A control is pressed where it shows: inside each window that holds it, on the screen."""
        x, y, w, h = extents(node)
        cx, cy = x + w // 2, y + h // 2
        holder = node.parent
        while holder is not None and holder.getRoleName() != "application":
            if holder.getRoleName() in ("frame", "dialog", "alert", "internal frame", "window", "table"):
                hx, hy, hw, hh = extents(holder)
                if not (hx <= cx < hx + hw and hy <= cy < hy + hh):
                    raise Failure("%s %r lies outside the visible part of window %r" %
                                  (node.getRoleName(), node.name, holder.name))
            holder = holder.parent
        width, height = screen_size()
        if not (0 <= cx < width and 0 <= cy < height):
            raise Failure("%s %r lies outside the screen" % (node.getRoleName(), node.name))
        return cx, cy

    # Doing what a person does.
    def press(self, name, role="push button", double=False, **kw):
        node = self.find(name, role, **kw)
        if not (node.name or "").strip():
            self.problems.append("a %s without a name" % role)
        xdotool("mousemove", *self.check_visible(node))
        if double:
            xdotool("click", "--repeat", 2, "--delay", 80, 1)
        else:
            xdotool("click", 1)
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
        xdotool("mousemove", x + w // 2, y + h // 2)
        xdotool("click", 1)
        self.key(*(["Down"] * (found[0] - r) + ["Up"] * (r - found[0])))
        return table.getAccessibleAt(found[0], c)

    def popup_item(self, name):
        """Presses an item of the pop-up menu just opened, found from the first item the arrow key focuses."""
        self.focused = None
        self.key("Down")
        deadline = time.time() + 5
        while self.focused is None or self.focused.getRoleName() != "menu item":
            GLib.MainContext.default().iteration(False)
            if time.time() > deadline:
                raise Failure("no pop-up menu takes the focus")
            time.sleep(0.02)
        return self.press(name, role="menu item", inside=self.focused.parent)

    def shot(self, name):
        folder = os.environ.get("E2E_SHOTS", "/tmp/e2e-shots")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")], check=False)

    def type_into(self, name, text, role=None, enter=False, **kw):
        node = self.press(name, role, **kw)
        xdotool("key", "ctrl+a")
        xdotool("type", "--delay", 30, text)
        if enter:
            self.key("Return")
        return node

    def key(self, *keys):
        for k in keys:
            xdotool("key", k)
            time.sleep(0.15)

    def message(self, timeout=20):
        """The text of the message box in front, read as the screen reader reads it."""
        deadline = time.time() + timeout
        while True:
            for window in self.top_windows():
                if window.getRoleName() == "alert":
                    self.check_on_screen(window)
                    labels = [n for n in walk(window, []) if n.getRoleName() == "label" and n.name]
                    return window, "\n".join(l.name for l in labels)
            if time.time() > deadline:
                raise Failure("no message box")
            time.sleep(0.2)

    def answer(self, expected, button=None, timeout=20, prefix=False):
        """Checks the message in front and closes it with its button (or Enter, its default one)."""
        window, text = self.message(timeout)
        if not (text.startswith(expected) if prefix else text == expected):
            raise Failure("message %r, expected %r" % (text, expected))
        if button:
            self.press(button, inside=window)
        else:
            self.key("Return")
        self.wait_gone(window)

    def wait_idle(self, timeout=30):
        """Until no progress window is on the screen: the program takes no input while one works."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not any((n.name or "").startswith("Collegamento con Ondaweb") and showing(n) for n in self.nodes()):
                time.sleep(0.3)
                return
            time.sleep(0.2)
        raise Failure("the progress window stays open")

    def wait_gone(self, node, timeout=10):
        deadline = time.time() + timeout
        while showing(node) and time.time() < deadline:
            time.sleep(0.2)
