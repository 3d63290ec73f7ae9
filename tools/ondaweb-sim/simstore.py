"""The stand-in service's data: one SQLite file, seeded from a JSON fixture."""

import contextlib
import json
import os
import re
import sqlite3
import threading
import urllib.parse

SCHEMA = """
CREATE TABLE clubs (code TEXT PRIMARY KEY COLLATE NOCASE, name TEXT NOT NULL);
CREATE TABLE users (
    userid TEXT PRIMARY KEY COLLATE NOCASE,
    pin TEXT NOT NULL,
    club TEXT NOT NULL REFERENCES clubs (code));
CREATE TABLE competitions (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    place TEXT NOT NULL,
    date TEXT NOT NULL,
    group_id INTEGER NOT NULL,
    deadline TEXT NOT NULL DEFAULT '',
    max_per_club INTEGER,
    max_per_athlete INTEGER,
    closed INTEGER NOT NULL DEFAULT 0);
CREATE TABLE categories (
    competition INTEGER NOT NULL REFERENCES competitions (id),
    sex TEXT NOT NULL, name TEXT NOT NULL, year_from INTEGER NOT NULL, year_to INTEGER NOT NULL);
CREATE TABLE races (
    competition INTEGER NOT NULL REFERENCES competitions (id),
    position INTEGER NOT NULL, race TEXT NOT NULL, category TEXT NOT NULL, sex TEXT NOT NULL);
CREATE TABLE registrations (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    competition INTEGER NOT NULL REFERENCES competitions (id),
    codatl INTEGER, name TEXT NOT NULL, club TEXT NOT NULL COLLATE NOCASE,
    category TEXT, year INTEGER, sex TEXT, race TEXT, m REAL, s REAL, status TEXT);
CREATE TABLE notes (
    competition INTEGER NOT NULL, club TEXT NOT NULL COLLATE NOCASE, text TEXT NOT NULL,
    PRIMARY KEY (competition, club));
"""

REGISTRATION_COLUMNS = ("codatl", "name", "club", "category", "year", "sex", "race", "m", "s", "status")
# Field names of a registration table in the club's transfer file, in the same order.
TRANSFER_COLUMNS = ("codatl", "nome", "soc", "cat", "anno", "sesso", "spec", "m", "s", "status")


class Refused(Exception):
    """A request the club can put right: answered as the service's error text."""


class ImportFailed(Exception):
    """The service could not read the transfer file: answered with a status other than OK."""


def _optional_number(value, kind):
    if value is None or (isinstance(value, str) and not value.strip()):
        return None
    if isinstance(value, (int, float)):
        return kind(value)
    return kind(float(str(value).strip().replace(",", ".")))


def _number_or_none(value):
    try:
        return _optional_number(value, int)
    except (TypeError, ValueError, OverflowError):
        return None


def _text(value):
    return "" if value is None else str(value)


def _quoted_name(name):
    return '"' + name.replace('"', '""') + '"'


class Store:
    def __init__(self, path, seed_path, keep=False):
        self.path = path
        self.seed_path = seed_path
        self.lock = threading.RLock()
        self.db = None
        self.reset(keep=keep)

    # -- set-up -------------------------------------------------------------

    def reset(self, seed_path=None, keep=False):
        """Recreates the file from the seed, or reuses an existing file when keep is set."""
        with self.lock:
            if seed_path:
                self.seed_path = seed_path
            with open(self.seed_path, encoding="utf-8") as f:
                seed = json.load(f)
            if self.db is not None:
                self.db.close()
            reuse = keep and os.path.exists(self.path)
            if not reuse and os.path.exists(self.path):
                os.remove(self.path)
            self.db = sqlite3.connect(self.path, isolation_level=None, check_same_thread=False)
            self.db.row_factory = sqlite3.Row
            self.db.execute("PRAGMA foreign_keys = ON")
            self.list_group = int(seed.get("list_group", 10))
            if reuse:
                return
            self.db.executescript(SCHEMA)
            with self._transaction():
                self._load(seed)

    @contextlib.contextmanager
    def _transaction(self):
        self.db.execute("BEGIN")
        try:
            yield
        except BaseException:
            if self.db.in_transaction:  # SQLite may have ended it itself (disk full, I/O error)
                self.db.execute("ROLLBACK")
            raise
        self.db.execute("COMMIT")

    def _load(self, seed):
        ex = self.db.execute
        for club in seed["clubs"]:
            ex("INSERT INTO clubs VALUES (?, ?)", (club["code"], club["name"]))
        for user in seed["users"]:
            ex("INSERT INTO users VALUES (?, ?, ?)", (user["userid"], user["pin"], user["club"]))
        for c in seed["competitions"]:
            ex(
                "INSERT INTO competitions VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                (c["id"], c["name"], c["place"], c["date"], c.get("group", self.list_group), c.get("deadline", ""),
                 c.get("max_per_club"), c.get("max_per_athlete"), 1 if c.get("closed") else 0),
            )
            for row in c.get("categories", []):
                ex("INSERT INTO categories VALUES (?, ?, ?, ?, ?)", (c["id"], *row))
            for row in c.get("races", []):
                ex("INSERT INTO races VALUES (?, ?, ?, ?, ?)", (c["id"], *row))
            for row in c.get("registrations", []):
                self._insert_registration(c["id"], dict(zip(REGISTRATION_COLUMNS, row)))
            for club, text in c.get("notes", {}).items():
                ex("INSERT INTO notes VALUES (?, ?, ?)", (c["id"], club, text))

    def _insert_registration(self, competition, r):
        self.db.execute(
            "INSERT INTO registrations (competition, codatl, name, club, category, year, sex, race, m, s, status)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            (competition, *(r[k] for k in REGISTRATION_COLUMNS)),
        )

    # -- reading ------------------------------------------------------------

    def _all(self, sql, *args):
        with self.lock:
            return [dict(r) for r in self.db.execute(sql, args)]

    def user(self, userid, pin):
        """The user's row when user id (any case) and PIN (exact) match, else None."""
        rows = self._all("SELECT * FROM users WHERE userid = ?", userid)
        return rows[0] if rows and rows[0]["pin"] == pin else None

    def competition(self, competition_id):
        rows = self._all("SELECT * FROM competitions WHERE id = ?", competition_id)
        return rows[0] if rows else None

    def competitions(self, group):
        # Dates are dd/mm/yyyy texts, as the service sends them.
        return self._all(
            "SELECT * FROM competitions WHERE group_id = ?"
            " ORDER BY substr(date, 7) || substr(date, 4, 2) || substr(date, 1, 2), id",
            group,
        )

    def categories(self, competition_id):
        return self._all("SELECT * FROM categories WHERE competition = ? ORDER BY rowid", competition_id)

    def races(self, competition_id):
        return self._all("SELECT * FROM races WHERE competition = ? ORDER BY position, rowid", competition_id)

    def registrations(self, competition_id, club):
        return self._all("SELECT * FROM registrations WHERE competition = ? AND club = ? ORDER BY id", competition_id, club)

    def club_name(self, code):
        rows = self._all("SELECT name FROM clubs WHERE code = ?", code)
        return rows[0]["name"] if rows else ""

    def note(self, competition_id, club):
        rows = self._all("SELECT text FROM notes WHERE competition = ? AND club = ?", competition_id, club)
        return rows[0]["text"] if rows else ""

    def dump(self):
        tables = ("clubs", "users", "competitions", "categories", "races", "registrations", "notes")
        with self.lock:
            return {t: self._all(f"SELECT * FROM {t} ORDER BY rowid") for t in tables}

    # -- import of a club's transfer file -----------------------------------

    def import_transfer(self, path, competition_id, user):
        """Replaces the club's registrations of the competition with the file's rows, all or nothing."""
        club = user["club"]
        competition = self.competition(competition_id)
        if competition is None:
            raise Refused("Manifestazione inesistente")
        if competition["closed"]:
            raise Refused("Le iscrizioni a questa manifestazione sono chiuse")
        rows, note = read_transfer(path, competition_id, user["userid"])
        for r in rows:
            if r["club"].strip().casefold() != club.casefold():
                raise Refused("Il file contiene iscrizioni di un'altra societa' (" + r["club"] + ")")
            r["club"] = club
        self._check_limits(competition, rows)
        try:
            with self.lock, self._transaction():
                self._replace(competition_id, club, rows, note)
        except sqlite3.Error as e:
            raise ImportFailed("KO errore del database: " + str(e)) from e
        return len(rows)

    def _replace(self, competition_id, club, rows, note):
        self.db.execute("DELETE FROM registrations WHERE competition = ? AND club = ?", (competition_id, club))
        for r in rows:
            self._insert_registration(competition_id, r)
        if note is not None:
            # The program appends a blank to the note it reads back; trailing blanks are not kept
            # here, so that the note does not grow at every round trip.
            self.db.execute("DELETE FROM notes WHERE competition = ? AND club = ?", (competition_id, club))
            if note.strip():
                self.db.execute("INSERT INTO notes VALUES (?, ?, ?)", (competition_id, club, note.rstrip()))

    @staticmethod
    def _check_limits(competition, rows):
        max_club, max_athlete = competition["max_per_club"], competition["max_per_athlete"]
        if max_club is not None and len(rows) > max_club:
            raise Refused(f"Superato il numero massimo di iscrizioni per societa' ({max_club})")
        if max_athlete is None:
            return
        counts = {}
        for r in rows:
            key = r["codatl"] if r["codatl"] is not None else r["name"].strip().casefold()
            counts[key] = counts.get(key, 0) + 1
            if counts[key] > max_athlete:
                raise Refused(f"Superato il numero massimo di iscrizioni per atleta ({max_athlete}): {r['name']}")


def read_transfer(path, competition_id, userid):
    """Rows of the registration table and the note (None when the file has no competition row)."""
    if not os.path.isfile(path):
        raise ImportFailed("KO file non trovato")
    try:
        uri = "file:" + urllib.parse.quote(os.path.abspath(path)) + "?mode=ro"
        with contextlib.closing(sqlite3.connect(uri, uri=True)) as src:
            tables = [r[0] for r in src.execute("SELECT name FROM sqlite_master WHERE type = 'table'")]
            table = _registration_table(tables, competition_id)
            cursor = src.execute("SELECT * FROM " + _quoted_name(table))
            names = [d[0].lower() for d in cursor.description]
            missing = [c for c in TRANSFER_COLUMNS if c not in names]
            if missing:
                raise ImportFailed("KO campi mancanti in " + table + ": " + ", ".join(missing))
            raw = [dict(zip(names, values)) for values in cursor]
            note = _note(src, tables, competition_id, userid)
    except sqlite3.Error as e:
        raise ImportFailed("KO file non leggibile: " + str(e)) from e
    rows = []
    for number, r in enumerate(raw, 1):
        try:
            row = {
                "codatl": _optional_number(r["codatl"], int),
                "name": _text(r["nome"]),
                "club": _text(r["soc"]),
                "category": _text(r["cat"]),
                "year": _optional_number(r["anno"], int),
                "sex": _text(r["sesso"]),
                "race": _text(r["spec"]),
                "m": _optional_number(r["m"], float),
                "s": _optional_number(r["s"], float),
                "status": _text(r["status"]),
            }
        except (TypeError, ValueError, OverflowError) as e:
            raise ImportFailed(f"KO valore non valido alla riga {number}") from e
        if not row["name"].strip():
            raise ImportFailed(f"KO nome mancante alla riga {number}")
        rows.append(row)
    return rows, note


def _registration_table(tables, competition_id):
    # The file names the table after the competition number as the program shows it ("nprg012").
    matches = [t for t in tables if (m := re.fullmatch(r"nprg(\d+)", t, re.IGNORECASE)) and int(m[1]) == competition_id]
    if not matches:
        raise ImportFailed(f"KO tabella nprg{competition_id} mancante")
    return matches[0]


def _note(src, tables, competition_id, userid):
    table = next((t for t in tables if t.lower() == "manif"), None)
    if table is None:
        return None
    cursor = src.execute("SELECT * FROM " + _quoted_name(table))
    names = [d[0].lower() for d in cursor.description]
    if "numero prova" not in names or "nota" not in names:
        return None
    rows = [dict(zip(names, values)) for values in cursor]
    rows = [r for r in rows if _number_or_none(r["numero prova"]) == competition_id]
    own = [r for r in rows if _text(r.get("username")).casefold() == userid.casefold()]
    chosen = (own or rows or [None])[0]
    return None if chosen is None else _text(chosen["nota"])
