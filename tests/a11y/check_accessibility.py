#!/usr/bin/python3
"""Starts the program in a fresh directory under the X server it is given and reads its
windows through the accessibility bus: the main window, its menus, the workspace's
labels and buttons must all carry names a screen reader can speak."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from person import Failure, Program, accessibility_bus, walk  # noqa: E402

# What must be read in the main window: how a node of each kind is told, and the names.
READABLE = (
    ("menu", lambda n, name: "menu" in n.getRoleName() and n.name.replace("&", "") == name,
     ("File", "Esamina", "Aggiornamenti", "Window", "Help")),
    ("button", lambda n, name: n.getRoleName() == "push button" and n.name == name,
     ("Aggiorna lista da Ondaweb", "Iscrizioni", "Deposita le tue iscrizioni su Ondaweb",
      "Controlla le iscrizioni su Ondaweb")),
    ("label", lambda n, name: n.name == name,
     ("3 semplici step per aggiornare le tue iscrizioni", "Manifest.", "ID manif.")),
)


def main():
    failures = []
    try:
        with accessibility_bus(), Program(os.path.abspath(sys.argv[1])) as person:
            nodes = walk(person.main)
            failures += ["%s was not created" % f for f in ("ONDA.mdb", "options.txt")
                         if not os.path.exists(person.file(f))]
            failures += ["%s not readable: %s" % (kind, name) for kind, fits, names in READABLE for name in names
                         if not any(fits(n, name) for n in nodes)]
            failures += ["a push button without a name" for n in nodes
                         if n.getRoleName() == "push button" and not n.name.strip()]
            failures += person.problems  # a window off the screen, a control without a name
            print("%d accessible objects read" % len(nodes))
    except Failure as failure:
        failures.append(str(failure))
    for f in failures:
        print("FAIL: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
