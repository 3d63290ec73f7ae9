#!/usr/bin/python3
"""Self-test of the stand-in service: starts it on free ports of 127.0.0.1 and talks to it as the program does."""

import ftplib
import http.client
import io
import json
import os
import select
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "ondaweb_sim.py")
SERVICE = "//OndaNet/TempraInt/"
DEMO = "user=demo&PIN=1234"


def payload(answer, marker, skip=0, tail=2):
    """The payload as the program cuts it: from the first marker on, without the answer's last characters."""
    start = answer.index(marker) + len(marker) + skip
    return answer[start : len(answer) - tail]


def records(text, end, sep):
    """Every piece followed by a record end, split into fields."""
    return [piece.split(sep) for piece in text.split(end)[:-1]]


def transfer_file(path, rows, note="Nuova nota ", table="nprg570"):
    with sqlite3.connect(path) as db:
        db.execute(
            f"CREATE TABLE {table} (codatl INTEGER, nome TEXT, anno INTEGER, cat TEXT, soc TEXT, sesso TEXT,"
            " spec TEXT, m REAL, s REAL, status TEXT, OrdineInserimento INTEGER)"
        )
        db.executemany(f"INSERT INTO {table} VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL)", rows)
        db.execute('CREATE TABLE manif ("Numero Prova" INTEGER, userName TEXT, Nota TEXT)')
        db.execute("INSERT INTO manif VALUES (570, 'demo', ?)", (note,))
    db.close()


ROW = (100245, "ROSSI MARIO", 2013, "Ragazzi", "DEMO", "M", "100 SL", 1, 1.5, "p")


class StandInTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        command = [sys.executable, SCRIPT, "--host", "127.0.0.1", "--http-port", "0", "--ftp-port", "0",
                   "--data-dir", cls.dir.name, "--exit-on-stdin-eof"]
        cls.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        ready, _, _ = select.select([cls.proc.stdout], [], [], 20)
        line = cls.proc.stdout.readline() if ready else ""
        if not line.startswith("ready "):
            cls.proc.kill()
            raise RuntimeError("the stand-in did not start: " + repr(line))
        http_url, ftp_url = line.split()[1:3]
        cls.http_port = int(http_url.rstrip("/").rsplit(":", 1)[1])
        cls.ftp_port = int(ftp_url.rstrip("/").rsplit(":", 1)[1])

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        code = cls.proc.wait(10)
        cls.proc.stdin.close()
        cls.proc.stdout.close()
        cls.dir.cleanup()
        assert code == 0, f"the stand-in ended with {code}"

    def setUp(self):
        self.control("reset")

    def get(self, target, timeout=5):
        conn = http.client.HTTPConnection("127.0.0.1", self.http_port, timeout=timeout)
        try:
            conn.request("GET", target)
            response = conn.getresponse()
            return response.status, response.read().decode("utf-8")
        finally:
            conn.close()

    def service(self, page, query):
        return self.get(SERVICE + page + "?" + query)[1]

    def control(self, command, query=""):
        status, body = self.get("/__sim/" + command + ("?" + query if query else ""))
        self.assertEqual(status, 200, body)
        return json.loads(body)

    def demo_registrations(self, competition=570):
        rows = self.control("state")["state"]["registrations"]
        return [r for r in rows if r["competition"] == competition and r["club"] == "DEMO"]

    def upload(self, data, user="Administrator", password="tevra38"):
        with ftplib.FTP() as ftp:
            ftp.connect("127.0.0.1", self.ftp_port, timeout=5)
            ftp.login(user, password)
            ftp.storbinary("STOR db/temp/transfer.mdb", io.BytesIO(data))

    def deposit(self, rows, **kwargs):
        path = os.path.join(self.dir.name, "transfer_570.mdb")
        if os.path.exists(path):
            os.remove(path)
        transfer_file(path, rows, **kwargs)
        with open(path, "rb") as f:
            self.upload(f.read())
        return self.service("putIscrizioni.asp", "ID=570&" + DEMO + "&Fname=/db/temp/transfer.mdb&nprova=570")

    def test_login_and_list_answer_as_the_program_cuts_them(self):
        # The login check sends %20; a raw blank must be understood too.
        with socket.create_connection(("127.0.0.1", self.http_port), timeout=5) as s:
            s.sendall(f"GET {SERVICE}getManifestazioni.asp?user=demo club&PIN=1234 HTTP/1.0\r\n\r\n".encode())
            raw = b"".join(iter(lambda: s.recv(4096), b"")).decode("utf-8").split("\r\n\r\n", 1)[1]
        answer = self.service("getManifestazioni.asp", "user=demo%20club&PIN=1234")
        self.assertEqual(raw, answer)
        self.assertIn("OK", answer)
        self.assertNotIn("ERRORE", answer)
        soc = answer.index("SOC=")
        self.assertEqual(answer[soc + 4 : answer.index("**", soc)], "DEMO")
        g = answer.index("gruppoID=")
        self.assertEqual(answer[g + 9 : answer.index("order", g + 1) - 1], "10")
        manif = {r[0]: r for r in records(payload(answer, "MANIF="), "$", "|")}
        self.assertEqual(sorted(manif), ["57", "570", "571"])
        self.assertEqual(manif["570"][1:4], ["Trofeo Città di Rivabella", "Rivabella", "15/03/2026"])
        self.assertEqual(manif["570"][6:8], ["40", "3"])
        self.assertEqual(manif["571"][6:8], ["", "2"])
        wrong = self.service("getManifestazioni.asp", "user=demo&PIN=9999")
        self.assertNotIn("OK", wrong)
        self.assertNotIn("ERRORE", wrong)
        targets = [r["target"] for r in self.control("requests")["requests"]]
        self.assertIn(SERVICE + "getManifestazioni.asp?user=demo club&PIN=1234", targets)

    def test_competition_answers(self):
        one = records(payload(self.service("getManifestazioni.asp", "ManifID=0570&" + DEMO), "MANIF="), "$", "|")
        self.assertEqual([r[5:7] for r in one], [["40", "3"]])
        categories = records(payload(self.service("getCategorie.asp", "ManifID=570&" + DEMO), "CATEGORIE="), "$", "|")
        self.assertEqual(len(categories), 8)
        self.assertEqual(categories[2][:4], ["M", "Ragazzi", "2012", "2014"])
        races = records(payload(self.service("getProgrammi.asp", "ManifID=571&" + DEMO), "PROGRAMMI=", 2), "\r\n", "\t")
        self.assertEqual(races[-1], ["2", "100 FA", "Assoluti", "F"])
        lines = records(payload(self.service("getIscr.asp", "ManifID=570&" + DEMO), "ISCRIZIONI=", 2), "\r\n", "\t")
        self.assertEqual({line[2] for line in lines}, {"DEMO"})
        self.assertEqual(len(lines), 4)
        self.assertIn(["", "D'ANGELO GIULIA", "DEMO", "Ragazzi", "2014", "F", "100 SL", "1", "15,20", "A"], lines)
        note = payload(self.service("getNota.asp", "ManifID=570&" + DEMO), "NOTA=", tail=4)
        self.assertEqual(note, "Arriveremo sabato sera con due accompagnatori.")
        self.assertTrue(self.service("getCategorie.asp", "ManifID=999&" + DEMO).startswith("ERRORE="))
        self.assertTrue(self.service("getIscr.asp", "ManifID=570&user=demo&PIN=1").startswith("ERRORE="))

    def test_pages_have_titles_and_show_the_service_data(self):
        for target, title in (("/?timer=1,5", "Ondaweb"), ("//Ondanet/ONDA_link?timer=2", "ONDA_link"),
                              ("//Ondanet/public/SceltaManifPub.asp?GruppoID=10&timer=3", "Manifestazioni")):
            status, body = self.get(target)
            self.assertEqual((status, f"<title>{title}</title>" in body), (200, True), target)
        body = self.get("//ondanet/Manifestazioni/iscrizioni_S.asp?manifID=570&MODE=view&soc=RN%20SUD&timer=4")[1]
        self.assertIn("ESPOSITO CIRO", body)
        self.assertNotIn("ROSSI MARIO", body)
        self.assertEqual(self.get("//OndaNet/nowhere.asp")[0], 404)

    def test_import_replaces_the_club_registrations(self):
        others = [r for r in self.control("state")["state"]["registrations"] if r["club"] != "DEMO"]
        other = ("D'ANGELO GIULIA", 2014, "Ragazzi", "DEMO", "F", "100 SL", 1, 14.0, "p")
        self.assertEqual(self.deposit([ROW, (None, *other)]), "RESPONSE=OK**")
        mine = self.demo_registrations()
        self.assertEqual([(r["codatl"], r["name"], r["s"], r["status"]) for r in mine],
                         [(100245, "ROSSI MARIO", 1.5, "p"), (None, "D'ANGELO GIULIA", 14.0, "p")])
        state = self.control("state")["state"]
        self.assertEqual([r for r in state["registrations"] if r["club"] != "DEMO"], others)
        self.assertIn({"competition": 570, "club": "DEMO", "text": "Nuova nota"}, state["notes"])
        log = self.control("requests")["requests"]
        self.assertIn({"proto": "ftp", "event": "stored", "user": "Administrator", "path": "/db/temp/transfer.mdb"},
                      [{k: v for k, v in e.items() if k not in ("time", "size")} for e in log])
        # The file was consumed: an order without a new upload is not confirmed.
        again = self.service("putIscrizioni.asp", "ID=570&" + DEMO + "&Fname=/db/temp/transfer.mdb&nprova=570")
        self.assertTrue(again.startswith("RESPONSE=") and not again.startswith("RESPONSE=OK**"), again)

    def test_refused_import_changes_nothing(self):
        before = self.demo_registrations()
        cases = {
            "other club": ([ROW, ROW[:4] + ("AQUA",) + ROW[5:]], "ERRORE="),
            "per athlete limit": ([ROW] * 4, "ERRORE="),
            "table of another competition": ([ROW], "RESPONSE=KO"),
        }
        for name, (rows, start) in cases.items():
            with self.subTest(name):
                table = "nprg571" if "table" in name else "nprg570"
                self.assertTrue(self.deposit(rows, table=table).startswith(start))
                self.assertEqual(self.demo_registrations(), before)
        self.upload(b"not a database at all")
        self.assertTrue(self.service("putIscrizioni.asp", "ID=570&" + DEMO + "&nprova=570").startswith("RESPONSE=KO"))
        self.assertEqual(self.demo_registrations(), before)

    def test_http_faults(self):
        categories = "getCategorie.asp?ManifID=570&" + DEMO
        self.control("set", "request=categories&mode=error&text=Sito%20in%20manutenzione")
        self.assertEqual(self.get(SERVICE + categories)[1], "ERRORE=Sito in manutenzione**")
        self.control("set", "request=categories&mode=noresponse")
        body = self.get(SERVICE + categories)[1]
        self.assertNotIn("RESPONSE=", body)
        self.assertIn("CATEGORIE=M|", body)
        self.control("set", "request=categories&mode=drop")
        self.assertRaises((http.client.HTTPException, ConnectionError), self.get, SERVICE + categories)
        self.control("set", "request=categories&mode=truncate")
        self.assertRaises(http.client.IncompleteRead, self.get, SERVICE + categories)
        self.control("set", "request=categories&mode=hang")
        started = time.monotonic()
        self.assertRaises(socket.timeout, self.get, SERVICE + categories, 1)
        self.assertLess(time.monotonic() - started, 5)
        self.control("set", "request=categories&delay=0.6")
        started = time.monotonic()
        self.assertIn("CATEGORIE=", self.get(SERVICE + categories)[1])
        self.assertGreaterEqual(time.monotonic() - started, 0.6)
        # The login check passes, the list request that follows on the same address fails once.
        self.control("set", "request=login&mode=empty&skip=1&count=1")
        answers = [self.service("getManifestazioni.asp", DEMO) for _ in range(3)]
        self.assertEqual([a.startswith("RESPONSE=OK") for a in answers], [True, False, True])
        self.assertEqual(self.get("/__sim/set?request=nothing&mode=error")[0], 400)

    def test_ftp_faults(self):
        self.control("set", "request=ftp&mode=refuse-login")
        with self.assertRaisesRegex(ftplib.error_perm, "^530"):
            self.upload(b"x", "ondawebnt", "3k8mw2vb6Jq")
        self.control("set", "request=ftp&mode=refuse-write")
        with self.assertRaisesRegex(ftplib.error_perm, "^550"):
            self.upload(b"x")
        self.assertEqual(self.control("state")["state"]["files"]["ftp"], [])
        self.control("set", "request=ftp&mode=slow&text=4096")
        started = time.monotonic()
        self.upload(b"x" * 12288)
        self.assertGreater(time.monotonic() - started, 1.5)

    def test_refuses_a_non_loopback_address(self):
        done = subprocess.run([sys.executable, SCRIPT, "--host", "192.0.2.1", "--http-port", "0"],
                              capture_output=True, text=True, timeout=20)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("loopback", done.stderr)


if __name__ == "__main__":
    unittest.main()
