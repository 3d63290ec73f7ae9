#!/usr/bin/python3
"""road.py PROGRAM SIM_SCRIPT HELP_PAGE: the road of a club secretary, walked under a real display
with the mouse and the keyboard against the stand-in service and its demo data: the list, the
ON-LINE import, registrations, the deposit, then the service holds exactly the club's rows."""

import json
import os
import random
import subprocess
import sys
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from person import Failure, Program  # noqa: E402

SKIP = 77


def start_sim(script):
    host = "127.0.0.%d" % random.randint(10, 250)
    sim = subprocess.Popen([sys.executable, script, "--host", host], stdout=subprocess.PIPE, text=True)
    line = sim.stdout.readline()
    if not line.startswith("ready"):
        sim.kill()
        return None, None
    return sim, "http://%s/" % host


def control(base, command):
    with urllib.request.urlopen(base + "__sim/" + command, timeout=10) as answer:
        return json.loads(answer.read().decode())


def login(person):
    person.window("Login")
    person.type_into("User Name", "demo", role="text")
    person.type_into("PIN", "1234", role="password text", enter=True)


def road(person, base, steps):

    # 1. The competition list from the service.
    person.press("Aggiorna lista da Ondaweb")
    login(person)
    person.find("Trofeo Città di Rivabella", role="table cell", timeout=20)
    person.wait_idle()
    steps.append("list")

    # 2. The competition opened ON-LINE: its registrations imported.
    person.press("Trofeo Città di Rivabella", role="table cell", double=True)
    person.window("Seleziona la modalita' di utilizzo")
    person.press("ON-LINE", role="radio button", prefix=True)
    person.press("OK")
    login(person)
    person.find("Codice provvisorio", role="label", prefix=True, timeout=20)
    person.key(*"500001", "Return")
    person.answer("Importazione terminata")
    person.window("Iscrizioni DEMO. Numero iscrizioni: 4")
    steps.append("import")

    # 3. A registration by code, in a race whose code holds a blank.
    person.type_into("Scrivi qui il codice atleta", "100311", role="text", prefix=True, enter=True)
    person.press("100 SL", role="list item")
    person.type_into("Tempo", "01:05.30", role="text")
    person.press("Iscrivi")
    person.window("Iscrizioni DEMO. Numero iscrizioni: 5")
    steps.append("registration by code")

    # 4. The deposit: the service then holds the club's five rows.
    person.press("Aggiornamenti", role="menu item")
    person.press("Deposita le tue iscrizioni su Ondaweb", role="menu item")
    login(person)
    window, text = person.message()
    if not text.endswith("Vuoi procedere"):
        raise Failure("the deposit asks %r" % text)
    person.key("Return")
    person.answer("Iscrizioni esportate correttamente", timeout=40)
    held = [r for r in control(base, "state")["state"]["registrations"]
            if r["competition"] == 570 and r["club"] == "DEMO"]
    races = sorted((r["name"], r["race"]) for r in held)
    if ("BIANCHI NICOLÒ", "100 SL") not in races or len(races) != 5:
        raise Failure("the service holds %r" % races)
    steps.append("deposit")


def main():
    program, sim_script, help_page = sys.argv[1:4]
    if os.geteuid() != 0:
        print("SKIP: the stand-in needs ports 80 and 21 (run as root)")
        return SKIP
    sim, base = start_sim(sim_script)
    if sim is None:
        print("SKIP: the stand-in could not start")
        return SKIP
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    time.sleep(1)
    person = None
    passed, failures = [], []
    started = time.time()
    try:
        person = Program(program, [base], help_page)
        road(person, base, passed)
    except Failure as failure:
        failures.append(str(failure))
        subprocess.run(["import", "-window", "root", os.path.join(os.environ.get("E2E_SHOTS", "/tmp"),
                                                                    "e2e_failure.png")], check=False)
    finally:
        if person is not None:
            failures += person.problems
            person.stop()
        bus.terminate()
        sim.terminate()
    for step in passed:
        print("ok: " + step)
    for failure in failures:
        print("FAIL: " + failure)
    print("road walked in %.1f s" % (time.time() - started))
    print("%d passed, %d failed" % (len(passed), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
