#!/usr/bin/python3
"""lenex_road.py PROGRAM: a club secretary with a meet that is only an invitation file, under a
real display with the mouse and the keyboard: the invitation imported from the File menu, best
times taken from a results file, a registration with the best time as its entry time, one whose
best time misses the invitation's qualifying time (the verdict and the question read), the check
of the entries with the club's bill, the entries saved after the deadline as a LENEX file and
read back here as meet software reads it, and the deposit refused. The files are written and read here with Python's own modules."""

import os
import sqlite3
import sys
import types
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "lenex"))
from check_entries import problems  # noqa: E402
from person import Failure, Program, accessibility_bus, text_of, until  # noqa: E402
from road import expect_row, open_competition, walk_road  # noqa: E402

# A real invitation of meet software (the format's own example meet, ages counted by the year).
INVITATION = os.path.join(HERE, "..", "..", "..", "shared", "lenex-samples", "example-entries.lxf")
MEET = "2024 Bell Olympic & Paralympic Trials presented by Bell"

RESULTS = """<?xml version="1.0" encoding="UTF-8"?>
<LENEX version="3.0"><MEETS><MEET name="Regionali invernali" city="Ancona" nation="ITA" course="SCM">
<SESSIONS><SESSION number="1" date="2026-02-01"><EVENTS><EVENT eventid="1" number="1">
<SWIMSTYLE distance="100" relaycount="1" stroke="FREE"/></EVENT></EVENTS></SESSION></SESSIONS>
<CLUBS><CLUB name="Nuoto Demo" code="DEMO"><ATHLETES>
<ATHLETE athleteid="7" lastname="ROSSI" firstname="MARCO" birthdate="2013-05-02" gender="M" license="700001">
<RESULTS><RESULT resultid="1" eventid="1" swimtime="00:01:05.34"/>
<RESULT resultid="2" eventid="1" swimtime="00:01:01.00" status="DSQ"/></RESULTS></ATHLETE>
<ATHLETE athleteid="8" lastname="OSPITE" firstname="ANNA" birthdate="2013-01-01" gender="F">
<RESULTS><RESULT resultid="3" eventid="1" swimtime="00:01:10.00"/></RESULTS></ATHLETE>
</ATHLETES></CLUB></CLUBS></MEET>
<MEET name="Estivi 2023" city="Roma" nation="ITA" course="LCM">
<SESSIONS><SESSION number="1" date="2023-06-01"><EVENTS><EVENT eventid="1" number="1">
<SWIMSTYLE distance="100" relaycount="1" stroke="FREE"/></EVENT></EVENTS></SESSION></SESSIONS>
<CLUBS><CLUB name="Nuoto Demo" code="DEMO"><ATHLETES>
<ATHLETE athleteid="9" lastname="BIANCHI" firstname="LUCA" birthdate="2004-03-03" gender="M" license="700002">
<RESULTS><RESULT resultid="1" eventid="1" swimtime="00:00:52.50"/></RESULTS></ATHLETE>
</ATHLETES></CLUB></CLUBS></MEET></MEETS></LENEX>"""
# Men of 20 in the 100 free: at most 51.79 (the trials' standard), at least 48.34 (the Olympic one).
VERDICT = "Tempo limite 00:51.79 (vasca 50 m): non raggiunto; Tempo minimo 00:48.34 (vasca 50 m): rispettato"


def choose_file(person, caption, path):
    person.type_into("Nome del file:", path, role="text", inside=person.window(caption), enter=True)


def invitation(road):
    p = road.person
    p.menu("File", "Importa invito LENEX...")
    choose_file(p, "Importa invito LENEX", os.path.abspath(INVITATION))
    p.type_into("Codice della societa' (come su Ondaweb):", "DEMO", role="text", enter=True)
    p.answer('Manifestazione "%s" creata con il numero 900000: selezionala nell\'elenco e premi "Iscrizioni".' % MEET)
    p.find(MEET, role="table cell")


def results(road):
    p = road.person
    # The club's athlete, as the archive holds it after the on-line import of another competition.
    with sqlite3.connect(p.file("ONDA.mdb")) as db:
        db.execute("insert into natl (codatl, nome, anno, soc, sesso) values (700001, 'ROSSI MARCO', 2013, 'DEMO', 'M')")
        db.execute("insert into natl (codatl, nome, anno, soc, sesso) values (700002, 'BIANCHI LUCA', 2004, 'DEMO', 'M')")
    path = p.file("risultati.lxf")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("Regionali 2026.lef", RESULTS)
    p.menu("File", "Importa risultati LENEX...")
    choose_file(p, "Importa risultati LENEX", path)
    p.answer("Letti 2 tempi per 2 atleti.\nAtleti del file non trovati nell'archivio: OSPITE ANNA (2013).")


def best_time_registration(road):
    p = road.person
    open_competition(p, MEET, "OFF-LINE")
    road.desk = desk = p.window("Iscrizioni DEMO. Numero iscrizioni: 0")
    p.type_into("Scrivi qui il codice atleta", "700001", role="text", prefix=True, enter=True, inside=desk)
    p.press("100 SL", role="list item", inside=desk)
    label = p.find("Miglior tempo: 01:05.34, vasca 25 m, 01/02/2026", role="label", inside=desk)
    p.check_visible(label)
    p.shot("best-time-shown")
    p.press("Usa miglior tempo", inside=desk)
    box = p.find("Tempo", role="text", inside=desk)
    until(lambda: text_of(box) == "01:05.34", 5, lambda: "the time box holds %r" % text_of(box))
    p.press("Iscrivi", inside=desk)
    expect_row(road, "ROSSI MARCO", "100 SL")


def standard_missed(road):
    p, desk = road.person, road.desk
    p.type_into("Scrivi qui il codice atleta", "700002", role="text", prefix=True, enter=True, inside=desk)
    p.press("100 SL", role="list item", inside=desk)
    p.press("Usa miglior tempo", inside=desk)
    p.check_visible(p.find(VERDICT, role="label", inside=desk))
    p.check_visible(p.find("Termine per le iscrizioni: 30/04/2024 alle 23:59 (scaduto)", role="label", inside=desk))
    p.shot("standard-missed")
    p.press("Iscrivi", inside=desk)
    p.message()
    p.shot("standard-question")
    p.answer(VERDICT + ". Vuoi iscrivere lo stesso?", button="No")
    expect_row(road, "BIANCHI LUCA", "100 SL", present=False)
    p.press("Iscrivi", inside=desk)
    p.answer(VERDICT + ". Vuoi iscrivere lo stesso?", button="Sì")
    expect_row(road, "BIANCHI LUCA", "100 SL")


def entries_check(road):
    p = road.person
    p.menu("File", "Verifica iscrizioni", "Anteprima")
    box = p.find("Iscrizioni", role="text")
    until(lambda: "Conto della societa'" in text_of(box), 10, lambda: "the preview shows %r" % text_of(box)[:300])
    text = " ".join(text_of(box).split())  # the page's columns and wrapped lines as words
    # Two athletes at 175.00, both entered after the deadline at 50.00 each.
    for words in ("100 SL 00:52.50 " + VERDICT, "Quota per atleta 2 175,00 350,00",
                  "Iscrizioni individuali dopo il termine 2 50,00 100,00", "Totale 450,00"):
        if words not in text:
            raise Failure("the check lacks %r:\n%s" % (words, text_of(box)))
    p.shot("entries-check")
    p.check_visible(box)


def entries_file(road):
    p, path = road.person, road.person.file("DEMO_900000.lxf")
    p.menu("File", "Salva", "Come file LENEX (.lxf)")
    p.answer("Il termine per le iscrizioni e' scaduto il 30/04/2024 alle 23:59: vuoi salvare lo stesso?", button="Sì")
    p.type_into("Nome della societa' DEMO come deve comparire nei file LENEX (si cambia da File > Dati della "
                "societa' per LENEX):", "Nuoto Demo", role="text", enter=True)
    choose_file(p, "Save", path)
    p.answer("File LENEX registrato in " + path)
    found = problems(path, INVITATION)
    if found:
        raise Failure("meet software would refuse the entries: %r" % found)
    with zipfile.ZipFile(path) as archive:
        root = ET.fromstring(archive.read(archive.namelist()[0]))
    with zipfile.ZipFile(INVITATION) as archive:
        organiser = ET.fromstring(archive.read(archive.namelist()[0]))
    # The organiser's own first round of the men's 100 free, as its meet software numbers it.
    event = next(e for e in organiser.iter("EVENT") if e.get("gender") == "M" and e.get("preveventid") == "-1"
                 and e.find("SWIMSTYLE").get("distance") == "100" and e.find("SWIMSTYLE").get("stroke") == "FREE")
    entries = [(a.get("lastname"), e.get("eventid"), e.get("entrytime"), e.get("entrycourse"))
               for a in root.iter("ATHLETE") for e in a.iter("ENTRY")]
    if entries != [("BIANCHI", event.get("eventid"), "00:00:52.50", "LCM"),
                   ("ROSSI", event.get("eventid"), "00:01:05.34", "SCM")]:
        raise Failure("the entries file holds %r, not the organiser's event %s" % (entries, event.get("eventid")))
    club = root.find("MEETS/MEET/CLUBS/CLUB")
    if (club.get("name"), club.get("code")) != ("Nuoto Demo", "DEMO"):
        raise Failure("the club is written as %r" % club.attrib)


def deposit_refused(road):
    road.person.menu("Aggiornamenti", "Deposita le tue iscrizioni su Ondaweb")
    road.person.answer("Questa manifestazione non e' su Ondaweb: salva le iscrizioni come file LENEX e inviale "
                       "all'organizzatore.")


STEPS = (invitation, results, best_time_registration, standard_missed, entries_check, entries_file, deposit_refused)


def main():
    failures = []
    try:
        with accessibility_bus(), Program(sys.argv[1]) as person:
            failures = walk_road(types.SimpleNamespace(person=person, desk=None, rows=[]), STEPS)
    except Failure as failure:
        failures.append(str(failure))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
