# FTP server on a free port of 127.0.0.1, printing "READY <port>": ROOT NAME:PASSWORD:PERMISSIONS...
# ("elr" reads only), or --mute: accepts connections and never answers.
import signal, socket, sys

if sys.argv[1] == "--mute":
    listener = socket.create_server(("127.0.0.1", 0))
    print("READY", listener.getsockname()[1], flush=True)
    signal.pause()  # the kernel completes the connections; nobody ever answers

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

FTPHandler.authorizer = DummyAuthorizer()
for user in sys.argv[2:]:
    name, password, permissions = user.split(":")
    FTPHandler.authorizer.add_user(name, password, sys.argv[1], perm=permissions)
FTPHandler.auth_failed_timeout = 0
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print("READY", server.address[1], flush=True)
sys.stderr = open("/dev/null", "w")  # no log line per command
server.serve_forever()
