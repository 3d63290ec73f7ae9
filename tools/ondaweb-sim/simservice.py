"""The stand-in service's web server: the program's requests, the browser's pages and the control endpoint."""

import html
import http.server
import json
import os
import posixpath
import re
import select
import shutil
import socket
import threading
import time
import urllib.parse

from simstore import ImportFailed, Refused, Store

# Request kinds that faults can be set for. The login check and the competition list are one address.
SERVICE_KINDS = ("list", "competition", "categories", "races", "registrations", "note", "import")
PAGE_KINDS = ("home", "program", "public", "check")
KIND_ALIASES = {"login": "list"}
MODES = ("normal", "error", "noresponse", "status", "body", "file", "empty", "http500", "truncate", "drop", "hang")
FTP_MODES = ("normal", "refuse-login", "refuse-write", "slow")

SERVICE_PAGES = {
    "/ondanet/tempraint/getmanifestazioni.asp": "list",
    "/ondanet/tempraint/getcategorie.asp": "categories",
    "/ondanet/tempraint/getprogrammi.asp": "races",
    "/ondanet/tempraint/getiscr.asp": "registrations",
    "/ondanet/tempraint/getnota.asp": "note",
    "/ondanet/tempraint/putiscrizioni.asp": "import",
    "/ondanet/public/sceltamanifpub.asp": "public",
    "/ondanet/manifestazioni/iscrizioni_s.asp": "check",
    "/ondanet/onda_link": "program",
    "/": "home",
}

UPLOAD_PATH = "/db/temp/transfer.mdb"


class Fault:
    def __init__(self, mode="normal", text="", delay=0.0, skip=0, count=None):
        self.mode, self.text, self.delay, self.skip, self.count = mode, text, delay, skip, count

    def describe(self):
        return {"mode": self.mode, "text": self.text, "delay": self.delay, "skip": self.skip, "count": self.count}


class Simulator:
    """Everything the servers share: the data, the faults asked for, the log of requests."""

    def __init__(self, data_dir, seed_path, encoding="utf-8", keep=False):
        self.data_dir = data_dir
        self.encoding = encoding
        self.ftp_root = os.path.join(data_dir, "ftp")
        self.received_dir = os.path.join(data_dir, "received")
        self.lock = threading.Lock()
        self.release = threading.Event()  # set to free requests held by "hang" or "delay"
        self.faults = {}
        self.ftp_fault = Fault()
        self.ftp_refused_user = ""
        self.log = []
        self.received = 0
        self._prepare_dirs(clean=not keep)
        self.store = Store(os.path.join(data_dir, "ondaweb.sqlite"), seed_path, keep)

    def _prepare_dirs(self, clean):
        for d in (self.ftp_root, self.received_dir):
            if clean and os.path.isdir(d):
                shutil.rmtree(d)
        os.makedirs(os.path.join(self.ftp_root, "db", "temp"), exist_ok=True)
        os.makedirs(self.received_dir, exist_ok=True)

    def reset(self, seed_path=None):
        with self.lock:
            self.release.set()
            self.release = threading.Event()
            self.faults.clear()
            self.ftp_fault = Fault()
            self.ftp_refused_user = ""
            self.log.clear()
            self._prepare_dirs(clean=True)
        self.store.reset(seed_path)

    def stop(self):
        self.release.set()

    # -- faults -------------------------------------------------------------

    def set_fault(self, kinds, fault, user=""):
        with self.lock:
            for kind in kinds:
                if kind == "ftp":
                    self.ftp_fault, self.ftp_refused_user = fault, user
                elif fault.mode == "normal" and not fault.delay:
                    self.faults.pop(kind, None)
                else:
                    # Each kind counts its own skip and count.
                    self.faults[kind] = Fault(fault.mode, fault.text, fault.delay, fault.skip, fault.count)

    def take_fault(self, kind):
        """The fault for this request, counting down skip and count."""
        with self.lock:
            fault = self.faults.get(kind)
            if fault is None:
                return Fault()
            if fault.skip > 0:
                fault.skip -= 1
                return Fault()
            if fault.count is not None:
                fault.count -= 1
                if fault.count <= 0:
                    del self.faults[kind]
            return fault

    def ftp_login_refusal(self, user):
        with self.lock:
            if self.ftp_fault.mode != "refuse-login":
                return None
            if self.ftp_refused_user and self.ftp_refused_user != user:
                return None
            return self.ftp_fault.text or "Login incorrect."

    def ftp_write_refusal(self):
        with self.lock:
            if self.ftp_fault.mode != "refuse-write":
                return None
            return self.ftp_fault.text or "Permission denied."

    # -- log ----------------------------------------------------------------

    def note_request(self, entry):
        with self.lock:
            entry["time"] = round(time.time(), 3)
            self.log.append(entry)

    def requests(self, clear):
        with self.lock:
            entries = list(self.log)
            if clear:
                self.log.clear()
            return entries

    def state(self):
        state = self.store.dump()
        with self.lock:
            state["faults"] = {k: f.describe() for k, f in self.faults.items()}
            state["ftp"] = dict(self.ftp_fault.describe(), user=self.ftp_refused_user)
        state["files"] = {
            "ftp": sorted(
                os.path.relpath(os.path.join(d, f), self.ftp_root) for d, _, fs in os.walk(self.ftp_root) for f in fs
            ),
            "received": sorted(os.listdir(self.received_dir)),
        }
        return state

    # -- the import order ---------------------------------------------------

    def take_upload(self, fname):
        """Moves the uploaded file out of the FTP area, so that an order without a new upload finds nothing."""
        relative = posixpath.normpath("/" + fname.replace("\\", "/")).lstrip("/")
        path = os.path.join(self.ftp_root, relative)
        if not os.path.isfile(path):
            return path
        with self.lock:
            self.received += 1
            target = os.path.join(self.received_dir, f"{self.received:03d}-{os.path.basename(path)}")
        os.replace(path, target)
        return target


# -- answers ------------------------------------------------------------------


def _field(value):
    """A value as one field: separators, line ends and the end marker cannot appear inside it."""
    text = "" if value is None else str(value)
    for ch in "|$\t\r\n":
        text = text.replace(ch, " ")
    return text.replace("**", "*")


def _number(value):
    if value is None:
        return ""
    return str(int(value)) if float(value).is_integer() else str(value)


def _seconds(value):
    return "" if value is None else f"{value:.2f}".replace(".", ",")


def _entry_time(m, s):
    return "" if m is None or s is None else f"{_number(m)}:{s:05.2f}".replace(".", ",")


def _records(rows, end, sep):
    return "".join(sep.join(_field(v) for v in row) + end for row in rows)


def list_answer(store, user):
    group = store.list_group
    records = [
        (c["id"], c["name"], c["place"], c["date"], c["group_id"], c["deadline"], c["max_per_club"],
         c["max_per_athlete"], "")
        for c in store.competitions(group)
    ]
    return (
        "RESPONSE=OK**SOC=" + _field(user["club"]) + f"**gruppoID={group}&order=data**MANIF="
        + _records(records, "$", "|") + "**"
    )


def competition_answer(c):
    record = (c["id"], c["name"], c["place"], c["date"], c["deadline"], c["max_per_club"], c["max_per_athlete"], "")
    return "RESPONSE=OK**MANIF=" + _records([record], "$", "|") + "**"


def categories_answer(store, cid):
    rows = [(r["sex"], r["name"], r["year_from"], r["year_to"], "") for r in store.categories(cid)]
    return "RESPONSE=OK**CATEGORIE=" + _records(rows, "$", "|") + "**"


def races_answer(store, cid):
    rows = [(r["position"], r["race"], r["category"], r["sex"]) for r in store.races(cid)]
    return "RESPONSE=OK**PROGRAMMI=\r\n" + _records(rows, "\r\n", "\t") + "**"


def registrations_answer(store, cid, club):
    rows = [
        (_number(r["codatl"]), r["name"], r["club"], r["category"], _number(r["year"]), r["sex"], r["race"],
         _number(r["m"]), _seconds(r["s"]), r["status"])
        for r in store.registrations(cid, club)
    ]
    return "RESPONSE=OK**ISCRIZIONI=\r\n" + _records(rows, "\r\n", "\t") + "**"


def note_answer(store, cid, club):
    return "RESPONSE=OK**NOTA=" + store.note(cid, club) + "**\r\n"


def error_answer(text):
    return "ERRORE=" + text + "**"


def _competition_number(text):
    """The leading number of a competition number ("012" is 12), None when there is none."""
    m = re.match(r"\s*(\d+)", text or "")
    return int(m[1]) if m else None


def service_answer(sim, kind, params):
    """The body of a normal answer to one of the program's requests."""
    store = sim.store
    user = store.user(params.get("user", ""), params.get("pin", ""))
    if kind == "list":
        # Without "OK" the program says the password is wrong.
        return list_answer(store, user) if user else "RESPONSE=NEGATO**"
    if user is None:
        return error_answer("Userid o PIN non validi")
    if kind == "import":
        return import_answer(sim, params, user)
    cid = _competition_number(params.get("manifid"))
    competition = store.competition(cid) if cid is not None else None
    if competition is None:
        return error_answer("Manifestazione inesistente")
    if kind == "competition":
        return competition_answer(competition)
    if kind == "categories":
        return categories_answer(store, cid)
    if kind == "races":
        return races_answer(store, cid)
    if kind == "registrations":
        return registrations_answer(store, cid, user["club"])
    return note_answer(store, cid, user["club"])


def import_answer(sim, params, user):
    cid = _competition_number(params.get("id"))
    if cid is None or cid != _competition_number(params.get("nprova")):
        return error_answer("Numero di manifestazione non valido")
    path = sim.take_upload(params.get("fname", UPLOAD_PATH))
    try:
        sim.store.import_transfer(path, cid, user)
    except Refused as e:
        return error_answer(str(e))
    except ImportFailed as e:
        return "RESPONSE=" + str(e) + "**"
    return "RESPONSE=OK**"


# -- pages --------------------------------------------------------------------


def _page(title, body, charset):
    return (
        f'<!DOCTYPE html>\n<html lang="it"><head><meta charset="{charset}"><title>{html.escape(title)}</title></head>\n'
        f"<body><h1>{html.escape(title)}</h1>\n{body}\n</body></html>\n"
    )


def _table(headers, rows):
    head = "".join(f"<th>{html.escape(h)}</th>" for h in headers)
    body = "".join("<tr>" + "".join(f"<td>{html.escape(str(v))}</td>" for v in row) + "</tr>\n" for row in rows)
    return f'<table border="1"><tr>{head}</tr>\n{body}</table>'


def page_answer(sim, kind, params, charset):
    """Status and HTML of a page the program's browser opens."""
    store = sim.store
    if kind == "home":
        body = (
            "<p>Iscrizioni on line alle manifestazioni di nuoto.</p><ul>"
            f'<li><a href="/Ondanet/public/SceltaManifPub.asp?GruppoID={store.list_group}">Manifestazioni</a></li>'
            '<li><a href="/Ondanet/ONDA_link">ONDA_link</a></li></ul>'
        )
        return 200, _page("Ondaweb", body, charset)
    if kind == "program":
        body = "<p>ONDA_link: il programma per iscrivere gli atleti della societa' alle manifestazioni di Ondaweb.</p>"
        return 200, _page("ONDA_link", body, charset)
    if kind == "public":
        group = _competition_number(params.get("gruppoid"))
        rows = [
            (c["id"], c["name"], c["place"], c["date"], c["deadline"], "chiuse" if c["closed"] else "aperte")
            for c in (store.competitions(group) if group is not None else [])
        ]
        headers = ("Num", "Manifestazione", "Luogo", "Data", "Scadenza", "Iscrizioni")
        return 200, _page("Manifestazioni", _table(headers, rows), charset)
    cid = _competition_number(params.get("manifid"))
    competition = store.competition(cid) if cid is not None else None
    if competition is None:
        return 404, _page("Manifestazione inesistente", "<p>Manifestazione inesistente.</p>", charset)
    club = params.get("soc", "")
    rows = [
        (_number(r["codatl"]), r["name"], r["category"], _number(r["year"]), r["sex"], r["race"],
         _entry_time(r["m"], r["s"]), r["status"])
        for r in store.registrations(cid, club)
    ]
    note = store.note(cid, club)
    body = (
        f"<p>{html.escape(competition['name'])} - {html.escape(competition['place'])} - "
        f"{html.escape(competition['date'])}</p><p>Societa': {html.escape(club)} {html.escape(store.club_name(club))}"
        f" - iscrizioni: {len(rows)}</p>\n"
        + _table(("Codice", "Atleta", "Categoria", "Anno", "Sesso", "Gara", "Tempo", "Stato"), rows)
        + (f"\n<p>Nota: {html.escape(note)}</p>" if note else "")
    )
    return 200, _page("Iscrizioni " + club + " - " + competition["name"], body, charset)


# -- HTTP ---------------------------------------------------------------------


def parse_query(query, encoding):
    """Query parameters with lower-case names; values percent-decoded, "+" kept as it is."""
    params = {}
    for part in query.split("&"):
        if not part:
            continue
        name, _, value = part.partition("=")
        raw = urllib.parse.unquote_to_bytes(value)
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            text = raw.decode(encoding if encoding.lower() not in ("utf-8", "utf8") else "cp1252", errors="replace")
        params.setdefault(urllib.parse.unquote(name).lower(), text)
    return params


def classify(path, params):
    normal = re.sub(r"/+", "/", urllib.parse.unquote(path)).lower()
    if len(normal) > 1:
        normal = normal.rstrip("/")
    kind = SERVICE_PAGES.get(normal, "unknown")
    if kind == "list" and "manifid" in params:
        return "competition"
    return kind


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "Ondaweb-sim/1.0"
    protocol_version = "HTTP/1.0"

    def parse_request(self):
        # Blanks the client left in the address arrive inside the request line; keep them in the target.
        line = str(self.raw_requestline, "iso-8859-1").rstrip("\r\n")
        words = line.split(" ")
        self.raw_target = words[1] if len(words) >= 2 else ""
        if len(words) > 3 and words[-1].startswith("HTTP/"):
            self.raw_target = " ".join(words[1:-1])
            fixed = " ".join((words[0], self.raw_target.replace(" ", "%20"), words[-1]))
            self.raw_requestline = fixed.encode("iso-8859-1") + b"\r\n"
        return super().parse_request()

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    @property
    def sim(self):
        return self.server.sim

    def do_GET(self):
        target = re.sub(r"^[a-zA-Z]+://[^/]*", "", self.raw_target)  # absolute form, as sent to a proxy
        path, _, query = target.partition("?")
        params = parse_query(query.replace(" ", "%20"), self.sim.encoding)
        if re.sub(r"/+", "/", path).lower().startswith("/__sim/"):
            return self.control(re.sub(r"/+", "/", path).lower()[len("/__sim/"):], params)
        kind = classify(path, params)
        self.sim.note_request({"proto": "http", "target": self.raw_target, "kind": kind})
        fault = self.sim.take_fault(kind) if kind != "unknown" else Fault()
        release = self.sim.release
        if fault.delay > 0 and release.wait(fault.delay):
            return  # stopping or reset
        if fault.mode == "drop":
            self.close_connection = True
            return
        if fault.mode == "hang":
            return self.hang(release)
        if fault.mode == "http500":
            return self.send(500, _page("Errore interno del server", "<p>500 - Internal server error.</p>", "utf-8"))
        answers = {
            "error": lambda: error_answer(fault.text or "Errore simulato"),
            "status": lambda: "RESPONSE=" + (fault.text or "KO") + "**",
            "body": lambda: fault.text,
            "file": lambda: open(fault.text, "rb").read(),  # its bytes as they are
            "empty": lambda: "",
        }
        if fault.mode in answers:
            return self.send(200, answers[fault.mode]())
        status, body = self.normal_answer(kind, params)
        if fault.mode == "noresponse":
            body = body.replace("RESPONSE=", "")
        self.send(status, body, truncate=fault.mode == "truncate")

    def normal_answer(self, kind, params):
        charset = self.charset()
        if kind in SERVICE_KINDS:
            return 200, service_answer(self.sim, kind, params)
        if kind in PAGE_KINDS:
            return page_answer(self.sim, kind, params, charset)
        return 404, _page("Pagina non trovata", "<p>La pagina richiesta non esiste.</p>", charset)

    def charset(self):
        return "windows-1252" if self.sim.encoding.lower() in ("cp1252", "windows-1252") else self.sim.encoding

    def send(self, status, body, truncate=False, json_body=False):
        if json_body:
            data, content_type = body.encode("utf-8"), "application/json; charset=utf-8"
        elif isinstance(body, bytes):
            data, content_type = body, "text/plain"
        else:
            data = body.encode(self.sim.encoding, errors="replace")
            content_type = "text/html" if body.lstrip().startswith("<!DOCTYPE") else "text/plain"
            content_type += "; charset=" + self.charset()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        self.wfile.write(data[: len(data) // 2] if truncate else data)
        if truncate:
            self.close_connection = True

    def hang(self, release):
        """Holds the request unanswered until the client gives up, or a reset or stop frees it."""
        conn = self.connection
        while not release.is_set():
            readable, _, _ = select.select([conn], [], [], 0.2)
            if readable:
                try:
                    if not conn.recv(1, socket.MSG_PEEK):
                        break
                except OSError:
                    break
                release.wait(0.2)
        self.close_connection = True

    # -- control ------------------------------------------------------------

    def control(self, command, params):
        try:
            result = self.run_control(command, params)
        except (ValueError, OSError) as e:
            return self.send_json(400, {"ok": False, "error": str(e)})
        self.send_json(200, dict({"ok": True}, **result))

    def run_control(self, command, params):
        if command == "set":
            return self.control_set(params)
        if command == "reset":
            seed = params.get("seed") or None
            if seed and not os.path.isfile(seed):
                raise ValueError("seed file not found: " + seed)
            self.sim.reset(seed)
            return {}
        if command == "state":
            return {"state": self.sim.state()}
        if command == "requests":
            return {"requests": self.sim.requests(clear=params.get("clear") in ("1", "true", "yes"))}
        raise ValueError("unknown control: " + command)

    def control_set(self, params):
        names = [n.strip().lower() for n in params.get("request", "").split(",") if n.strip()]
        if not names:
            raise ValueError("request is missing")
        kinds = []
        for name in names:
            if name == "all":
                kinds += SERVICE_KINDS + PAGE_KINDS
            elif KIND_ALIASES.get(name, name) in SERVICE_KINDS + PAGE_KINDS + ("ftp",):
                kinds.append(KIND_ALIASES.get(name, name))
            else:
                raise ValueError("unknown request: " + name)
        mode = params.get("mode", "normal").lower()
        allowed = FTP_MODES if kinds == ["ftp"] else MODES
        if mode not in allowed or ("ftp" in kinds and len(kinds) > 1):
            raise ValueError(f"mode {mode} is not one of {', '.join(allowed)} (ftp is set on its own)")
        fault = Fault(
            mode,
            params.get("text", ""),
            float(params.get("delay", "0") or 0),
            int(params.get("skip", "0") or 0),
            int(params["count"]) if params.get("count") else None,
        )
        if fault.delay < 0 or fault.skip < 0 or (fault.count is not None and fault.count < 1):
            raise ValueError("delay and skip cannot be negative, count must be at least 1")
        self.sim.set_fault(kinds, fault, params.get("user", ""))
        return {"set": kinds}

    def send_json(self, status, value):
        self.send(status, json.dumps(value, ensure_ascii=False, indent=1), json_body=True)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, sim, verbose=False):
        self.sim = sim
        self.verbose = verbose
        super().__init__(address, Handler)

    def handle_error(self, request, client_address):
        # A client that gave up (time-out, closed window) is no fault of the service.
        if self.verbose:
            super().handle_error(request, client_address)
