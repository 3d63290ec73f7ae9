#!/usr/bin/python3
"""Starts the program in a fresh directory under the X server it is given and reads its
windows through the accessibility bus: the main window, its menus, the workspace's
labels and buttons must all carry names a screen reader can speak."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi


def find_app(name, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.3)
    return None


def wait_for_bus(timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        ask = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if ask.returncode == 0:
            try:
                pyatspi.Registry.getDesktop(0).childCount
                return True
            except Exception:
                pass
        time.sleep(0.2)
    return False


def walk(node, depth=0, out=None):
    if out is None:
        out = []
    if node is None or depth > 40:
        return out
    out.append(node)
    for i in range(node.childCount):
        try:
            walk(node.getChildAtIndex(i), depth + 1, out)
        except Exception:
            pass
    return out


def main():
    program = os.path.abspath(sys.argv[1])
    workdir = tempfile.mkdtemp(prefix="onda_a11y_")
    exe = os.path.join(workdir, "ONDA_link")
    shutil.copy2(program, exe)

    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    # The program looks for the accessibility bus once, when it starts: the bus must be up first.
    if not wait_for_bus(20):
        print("FAIL: the accessibility bus did not start")
        bus.terminate()
        return 1
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)
    env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    env["QT_ACCESSIBILITY"] = "1"
    env["XDG_CONFIG_HOME"] = os.path.join(workdir, "config")
    proc = subprocess.Popen([exe], cwd=workdir, env=env)
    failures = []
    try:
        app = find_app("ONDA_link", 30)
        if app is None:
            print("FAIL: the program does not appear on the accessibility bus")
            return 1
        # The splash shows for 2 seconds; wait for the main window.
        frame = None
        deadline = time.time() + 30
        while time.time() < deadline and frame is None:
            for i in range(app.childCount):
                child = app.getChildAtIndex(i)
                if child is not None and child.name.startswith("ONDA_link (iscrizioni on line)"):
                    frame = child
            time.sleep(0.3)
        if frame is None:
            print("FAIL: no main window with its caption")
            return 1

        nodes = walk(frame)
        names = {(n.getRoleName(), n.name) for n in nodes}
        if not os.path.exists(os.path.join(workdir, "ONDA.mdb")):
            failures.append("ONDA.mdb was not created")
        if not os.path.exists(os.path.join(workdir, "options.txt")):
            failures.append("options.txt was not created")

        for menu in ("File", "Esamina", "Aggiornamenti", "Window", "Help"):
            if not any(n.name.replace("&", "") == menu and "menu" in n.getRoleName() for n in nodes):
                failures.append("menu not readable: " + menu)
        for button in ("Aggiorna lista da Ondaweb", "Iscrizioni", "Deposita le tue iscrizioni su Ondaweb",
                       "Controlla le iscrizioni su Ondaweb"):
            if ("push button", button) not in names:
                failures.append("button not readable: " + button)
        for label in ("3 semplici step per aggiornare le tue iscrizioni", "Manifest.", "ID manif."):
            if not any(n.name == label for n in nodes):
                failures.append("label not readable: " + label)
        for n in nodes:
            if n.getRoleName() == "push button" and not n.name.strip():
                failures.append("a push button without a name")
        print("%d accessible objects read" % len(nodes))
    finally:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
        bus.terminate()
        shutil.rmtree(workdir, ignore_errors=True)

    for f in failures:
        print("FAIL: " + f)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
