#!/usr/bin/python3
"""road.py PROGRAM SIM_SCRIPT HELP_PAGE: the road of a club secretary, walked under a real display
with the mouse and the keyboard against the stand-in service and its demo data: the list, the
ON-LINE import, registrations by code, by name and of a new athlete, deletions from the grid's
menu, the deposit, the printed report, the spreadsheet file and the mail with its attachment.
Each step is checked against what the program shows in its grid."""

import base64
import csv
import json
import os
import pathlib
import random
import subprocess
import sys
import tempfile
import time
import types
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from person import Failure, Program, accessibility_bus, first, holders, text_of, until, walk  # noqa: E402

SKIP = 77
GRID = "Iscrizioni della societa'"
SMTP_SERVER = os.path.join(HERE, "..", "mail", "smtp_server.py")
def start_sim(script):
    host = "127.0.0.%d" % random.randint(10, 250)
    sim = subprocess.Popen([sys.executable, script, "--host", host], stdout=subprocess.PIPE, text=True)
    if sim.stdout.readline().startswith("ready"):
        return sim, "http://%s/" % host
    sim.kill()
    return None, None


def login(person):
    person.fill(person.window("Login"), ("User Name", "demo", "text"), ("PIN", "1234", "password text"))
    person.key("Return")


def pairs(rows, name="Nome", race="spec"):
    return sorted((r[name], r[race]) for r in rows)


def expect_row(road, name, race, present=True):
    until(lambda: ((name, race) in pairs(road.person.grid(GRID, inside=road.desk))) == present, 15,
          "the grid %s (%s, %s)" % ("lacks" if present else "still shows", name, race))


def register(road, race, entry_time):
    p, desk = road.person, road.desk
    p.press(race, role="list item", inside=desk)
    p.type_into("Tempo", entry_time, role="text", inside=desk)
    p.press("Iscrivi", inside=desk)
    expect_row(road, text_of(p.find("Cognome e nome", role="text", inside=desk)), race)


def saved(path):
    until(lambda: os.path.exists(path) and os.path.getsize(path) > 0, 30, "no file %s" % path)
    time.sleep(0.5)  # written whole
    return path


def list_refresh(road):
    road.person.press("Aggiorna lista da Ondaweb")
    login(road.person)
    road.person.find("Trofeo Città di Rivabella", role="table cell", timeout=20)
    road.person.wait_idle()


def open_competition(person, name, mode):
    """A double click on the competition in the workspace's list, then the mode chosen."""
    person.press(name, role="table cell", double=True)
    person.window("Seleziona la modalita' di utilizzo")
    person.press(mode, role="radio button", prefix=True)
    person.press("OK")


def import_online(road):
    p = road.person
    open_competition(p, "Trofeo Città di Rivabella", "ON-LINE")
    login(p)
    # The athlete the service sends without a code: the box proposes the first free provisional one.
    box = p.find("Codice provvisorio per D'ANGELO GIULIA", role="text", prefix=True, timeout=20)
    road.provisional = text_of(box)
    if road.provisional != "500000":
        raise Failure("the box proposes %r for the athlete without a code, not 500000" % road.provisional)
    p.shot("02-provisional-code")
    p.key("Return")
    p.answer("Importazione terminata")
    road.desk = p.window("Iscrizioni DEMO. Numero iscrizioni: 4")


def registration_by_code(road):
    road.person.type_into("Scrivi qui il codice atleta", "100311", role="text", prefix=True, enter=True,
                          inside=road.desk)
    register(road, "100 SL", "01:05.30")  # a race whose code holds a blank


def registration_by_name(road):
    p, desk = road.person, road.desk
    p.type_into("Nome dell'atleta", "D'ANGELO GIULIA", role="combo box", inside=desk)
    code = p.find("Codice", role="text", inside=desk)
    until(lambda: text_of(code) == road.provisional, 5, lambda: "the name chosen shows code %r" % text_of(code))
    register(road, "100 RA", "01:20.00")


def new_athlete(road):
    p, desk = road.person, road.desk
    p.press("Atleta Nuovo", inside=desk)
    archive = p.window("Iscrizione Archivio Atleti")
    code = text_of(p.find("Codice", role="text", inside=archive))
    p.fill(archive, ("Nome", "FERRARI LUCIA", "text"), ("Anno", "2012", "text"), ("Sesso (M/F)", "F", "combo box"),
           ("Società", "DEMO", "combo box"))
    p.press("Registra", inside=archive)
    p.press("Chiudi", inside=archive)
    shown = p.find("Codice", role="text", inside=desk)
    until(lambda: code and text_of(shown) == code, 5,
          lambda: "the registration window shows code %r, not the new athlete's %r" % (text_of(shown), code))
    register(road, "200 MI", "03:01.50")


def deletion_from_grid_menu(road):
    p = road.person
    for name, race, open_menu in (("ROSSI MARIO", "100 RA", lambda cell: p.click(*p.check_visible(cell), button=3)),
                                  ("BIANCHI NICOLÒ", "200 MI", lambda cell: p.key("shift+F10"))):
        open_menu(p.grid_select(GRID, lambda r: (r["Nome"], r["spec"]) == (name, race), "Nome", inside=road.desk))
        p.popup_item("Cancella Iscrizione")
        p.answer("Sei sicuro di voler cancellare i records selezionati: %s_%s" % (name, race), button="Sì")
        expect_row(road, name, race, present=False)


def window_order(road):
    """Each child opened over the registration window hands it the front back when it closes."""
    p = road.person
    in_window = lambda window: lambda node: window.name in [h.name for h in holders(node)]  # noqa: E731
    for number, (opening, caption, closing) in enumerate((
            (lambda: p.press("Visualizza Gare Presenti", inside=road.desk), "Gare presenti nella", "Chiudi"),
            (lambda: p.press("Visualizza Note", inside=road.desk), "Note", "Cancel"),
            (lambda: p.menu("Esamina", "DataBase Atleti"), "Iscrizione Archivio Atleti", "Cancel"))):
        opening()
        child = p.window(caption)
        p.focus_until(in_window(child), "%s does not come in front" % caption)
        p.press(closing, inside=child)
        p.focus_until(in_window(road.desk), "closing %s leaves the registration window behind" % caption)
        p.shot("window-order-%d" % number)


def keyboard_registration(road):
    """From the workspace to two athletes registered one after the other by Tab, Enter, Alt and typing only."""
    p = road.person
    p.stroke("alt+w")  # the Window menu lists the open windows, each with its digit
    item = p.focus_until(lambda n: n.getRoleName() == "menu item", "the Window menu takes no focus")
    entry = first(walk(item.parent), lambda n: "Scelta circuito e gara" in n.name)
    p.key(entry.name.lstrip("&")[0])
    p.focused = None  # gone with the menu
    p.focus_until(lambda n: "Lista manifestazioni" in [n.name] + [h.name for h in holders(n)], "the list", tab=True)
    p.stroke("Return")  # the competition chosen at the import, opened again
    p.window("Seleziona la modalita' di utilizzo")
    p.key("Return")  # OK with no choice: off-line
    p.focused = None  # gone with the window
    road.desk = p.window("Iscrizioni DEMO. Numero iscrizioni:")
    # Tab wraps through the frame, spoken for the code entry: the entry is reached back from Cerca.
    p.focus_until(lambda n: n.name == "Cerca il codice atleta", "the lookup button", tab=True)
    p.stroke("shift+Tab")
    entry = p.focus_until(lambda n: n.name.startswith("Scrivi qui il codice atleta"), "no code entry before Cerca")
    for code, name in (("100311", "BIANCHI NICOLÒ"), ("100245", "ROSSI MARIO")):
        p.write(code)
        p.stroke("Return")
        until(lambda: text_of(p.find("Cognome e nome", role="text", inside=road.desk)) == name, 10, "no " + name)
        # Nothing of the previous athlete's race is left for this one.
        if text_of(p.find("Tempo", role="text", inside=road.desk)) or first(
                walk(road.desk), lambda n: n.getRoleName() == "label" and n.name == "100 RA"):
            raise Failure("the race or the time of the previous athlete stays for %s" % name)
        p.stroke("alt+g")
        p.write("100 R")  # the list's own search by the first letters
        p.stroke("alt+t")
        p.write("01:25.00")
        p.stroke("alt+c")
        expect_row(road, name, "100 RA")
        p.focus_until(lambda n: n.name == entry.name, "after Iscrivi the focus is not in the code entry")
        p.shot("keyboard-%s" % code)
    p.windows_checked.clear()  # the windows' controls read again as they stand now
    p.check_on_screen(road.desk)


def deposit(road):
    p = road.person
    road.rows = p.grid(GRID, inside=road.desk)
    p.menu("Aggiornamenti", "Deposita le tue iscrizioni su Ondaweb")
    login(p)
    text = p.message()[1]
    if not text.endswith("Vuoi procedere"):
        raise Failure("the deposit asks %r" % text)
    p.key("Return")
    p.answer("Iscrizioni esportate correttamente", timeout=40)
    with urllib.request.urlopen(road.base + "__sim/state", timeout=10) as answer:
        held = [r for r in json.load(answer)["state"]["registrations"]
                if r["competition"] == 570 and r["club"] == "DEMO"]
    if pairs(held, "name", "race") != pairs(road.rows):
        raise Failure("the service holds %r, the grid shows %r" % (pairs(held, "name", "race"), pairs(road.rows)))


def printed_report(road):
    p, path = road.person, road.person.file("iscrizioni.pdf")
    p.menu("File", "Stampa iscrizioni")
    dialog = p.window("Print")
    p.type_into("File di output:", path, role="text", inside=dialog)
    p.press("Stampa", inside=dialog)
    lines = subprocess.run(["pdftotext", "-layout", saved(path), "-"], capture_output=True, text=True).stdout
    missing = [r for r in pairs(road.rows) if not any(r[0] in l and r[1] in l for l in lines.splitlines())]
    if missing:
        raise Failure("the printed report lacks %r:\n%s" % (missing, lines))


def spreadsheet_file(road):
    p, path = road.person, road.person.file("iscrizioni.xls")
    p.menu("File", "Salva", "Come File Excel")
    p.type_into("Nome del file:", path, role="text", inside=p.window("Save"), enter=True)
    # Opened as a person opens it in Calc: tab-separated text in the Windows Western charset.
    home = tempfile.mkdtemp(prefix="onda_calc_")
    subprocess.run(["soffice", "-env:UserInstallation=file://" + home + "/profile", "--headless",
                    "--infilter=Text - txt - csv (StarCalc):9,34,1", "--convert-to",
                    "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", home, saved(path)],
                   env=dict(os.environ, HOME=home), capture_output=True, timeout=120, check=True)
    with open(os.path.join(home, "iscrizioni.csv"), encoding="utf-8") as f:
        sheet = sorted(tuple(v.strip() for v in r[1:8]) for r in csv.reader(f) if r and r[0].strip().isdigit())
    grid = sorted((r["codatl"], r["Nome"], r["anno"], r["spec"], r["cat"], r["Sesso"], r["Status"])
                  for r in road.rows)
    if sheet != grid:
        raise Failure("the spreadsheet holds %r, the grid shows %r" % (sheet, grid))


def mail(road):
    p, folder = road.person, tempfile.mkdtemp(prefix="onda_mail_")
    # The server ends when its input closes, as leaving the block does.
    with subprocess.Popen([sys.executable, SMTP_SERVER, folder], stdin=subprocess.PIPE):
        until(lambda: os.path.exists(os.path.join(folder, "port")), 15, "the mail server does not start")
        p.menu("File", "Invia e-mail...")
        # The deposit wrote the transfer file: the program asks before writing it again.
        p.answer("Attenzione stai cancellando il file " + p.file("transfer_570.mdb"), button="OK")
        window = p.window("Invia Manifestazione via e_mail")
        attachment = p.find("Allegato ", role="label", prefix=True, inside=window).name[len("Allegato "):]
        p.press("Impostazioni posta...", inside=window)
        settings = p.window("Impostazioni posta")
        p.fill(settings, ("Server SMTP", "127.0.0.1", "text"),
               ("Porta", pathlib.Path(folder, "port").read_text(), "spin button"))
        p.press("Sicurezza", role="combo box", inside=settings)
        p.key("Home", "Return")  # "Nessuna"
        p.type_into("Mittente", "segreteria@nuotodemo.example", role="text", inside=settings)
        p.press("OK", inside=settings)
        p.type_into("Destinatario", "iscrizioni@rivabella.example", role="text", inside=window)
        p.press("Invia", inside=window)
        p.answer("Attenzione: una sessione di posta non è stata impostata.", button="Sì", prefix=True)
        p.answer("Messaggio inviato a iscrizioni@rivabella.example;", timeout=30)
        sent = json.loads(pathlib.Path(saved(os.path.join(folder, "1.json"))).read_text())["attachments"]
        written = pathlib.Path(attachment).read_bytes()
        if [(a["name"], base64.b64decode(a["data"])) for a in sent] != [(os.path.basename(attachment), written)]:
            raise Failure("the mail carries %r, not the %d bytes of %s" %
                          ([(a["name"], len(base64.b64decode(a["data"]))) for a in sent], len(written), attachment))


def reinitialise_and_restore(road):
    """The archive emptied by mistake, then put back from the copy taken before."""
    p = road.person
    p.menu("File", "Reinizializza database")
    p.answer("Attenzione: questo comando cancella i dati", button="Sì", prefix=True)
    p.answer("Sicuro ?", button="Sì")
    p.menu("File", "Ripristina una copia...")
    dialog = p.window("Ripristina una copia")
    p.find("prima della reinizializzazione", role="table cell", inside=dialog)
    p.press("Ripristina", inside=dialog)
    p.answer("Il database sara' sostituito dalla copia del", button="Sì", prefix=True)
    p.answer("Copia ripristinata")
    p.find("Trofeo Città di Rivabella", role="table cell", timeout=20)


STEPS = (list_refresh, import_online, registration_by_code, registration_by_name, new_athlete, deletion_from_grid_menu,
         window_order, keyboard_registration, deposit, printed_report, spreadsheet_file, mail, reinitialise_and_restore)


def walk_road(road, steps=STEPS):
    """Each step in turn, timed and photographed; a step fails on its own fault or on a problem
    the person met meanwhile (a control without a name, a window off the screen); the road stops
    at the first step that could not be walked."""
    failures = []
    for number, function in enumerate(steps, 1):
        name, started, seen = function.__name__.replace("_", " "), time.time(), len(road.person.problems)
        try:
            function(road)
        except Failure as failure:
            road.person.shot("%02d-%s-failure" % (number, function.__name__))
            failures.append("%s: %s" % (name, failure))
            return failures
        road.person.shot("%02d-%s" % (number, function.__name__))
        met = road.person.problems[seen:]
        failures += ["%s: %s" % (name, problem) for problem in met]
        print("%s: %s (%.1f s)" % ("FAIL" if met else "ok", name, time.time() - started), flush=True)
    return failures


def main():
    program, sim_script, help_page = sys.argv[1:4]
    if os.geteuid() != 0:
        print("SKIP: the stand-in needs ports 80 and 21 (run as root)")
        return SKIP
    sim, base = start_sim(sim_script)
    if sim is None:
        print("SKIP: the stand-in could not start")
        return SKIP
    failures, started = [], time.time()
    try:
        with accessibility_bus(), Program(program, [base], help_page) as person:
            failures = walk_road(types.SimpleNamespace(person=person, base=base, desk=None, rows=[], provisional=None))
    except Failure as failure:
        failures.append(str(failure))
    finally:
        sim.terminate()
    for failure in failures:
        print("FAIL: " + failure)
    print("road walked in %.1f s, %d problems" % (time.time() - started, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
