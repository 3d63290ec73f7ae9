"""The stand-in service's FTP server: both upload accounts, writing into the data folder."""

import os
import threading

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

# The program picks one of these by the base address; the service accepts both.
ACCOUNTS = (("ondawebnt", "3k8mw2vb6Jq"), ("Administrator", "tevra38"))


class _Authorizer(DummyAuthorizer):
    def __init__(self, sim):
        super().__init__()
        self.sim = sim

    def validate_authentication(self, username, password, handler):
        refusal = self.sim.ftp_login_refusal(username)
        if refusal is not None:
            raise AuthenticationFailed(refusal)
        super().validate_authentication(username, password, handler)


class _Handler(FTPHandler):
    banner = "Ondaweb FTP server ready."
    auth_failed_timeout = 0.2  # the library's 3 s pause after a refused login only slows the tests down
    sim = None  # set on the subclass made for one server

    def ftp_STOR(self, file, mode="w"):
        refusal = self.sim.ftp_write_refusal()
        if refusal is not None:
            self.respond("550 " + refusal)
            return None
        return super().ftp_STOR(file, mode)

    def _relative(self, file):
        return "/" + os.path.relpath(file, self.sim.ftp_root).replace(os.sep, "/")

    def on_login(self, username):
        self.sim.note_request({"proto": "ftp", "event": "login", "user": username})

    def on_login_failed(self, username, password):
        self.sim.note_request({"proto": "ftp", "event": "login refused", "user": username})

    def on_file_received(self, file):
        self.sim.note_request(
            {"proto": "ftp", "event": "stored", "user": self.username, "path": self._relative(file),
             "size": os.path.getsize(file)}
        )

    def on_incomplete_file_received(self, file):
        self.sim.note_request({"proto": "ftp", "event": "incomplete", "user": self.username,
                               "path": self._relative(file)})
        os.remove(file)


class _Transfer(ThrottledDTPHandler):
    """Uploads at full speed, or at `text` bytes a second (2048 unless given) in the mode `slow`."""

    sim = None  # set on the subclass made for one server

    @property
    def read_limit(self):
        fault = self.sim.ftp_fault
        if fault.mode != "slow":
            return 0
        return int(fault.text) if (fault.text or "").isdigit() else 2048


class FtpServer:
    def __init__(self, sim, host, port):
        authorizer = _Authorizer(sim)
        for user, password in ACCOUNTS:
            authorizer.add_user(user, password, sim.ftp_root, perm="elradfmwMT")
        transfer = type("SimFtpTransfer", (_Transfer,), {"sim": sim})
        handler = type("SimFtpHandler", (_Handler,), {"sim": sim, "authorizer": authorizer, "dtp_handler": transfer})
        self.server = FTPServer((host, port), handler)
        self.address = self.server.address
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._run, name="ftp", daemon=True)

    def start(self):
        self._thread.start()

    def _run(self):
        # One loop step at a time, so that stop() from another thread is seen.
        while not self._stopping.is_set():
            self.server.ioloop.loop(timeout=0.2, blocking=False)
        self.server.close_all()

    def stop(self):
        self._stopping.set()
        self._thread.join(timeout=5)
