#!/usr/bin/python3
"""Stand-in for the Ondaweb service: its web server and FTP server on a loopback address.

See README.md in this folder for the command line, the demo data and the controls.
"""

import argparse
import importlib.util
import ipaddress
import logging
import os
import signal
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
DEBIAN_PYTHON = "/usr/bin/python3"

if importlib.util.find_spec("pyftpdlib") is None:
    # Another python3 earlier on the PATH lacks Debian's packages: run under Debian's own.
    if os.path.exists(DEBIAN_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(DEBIAN_PYTHON):
        os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON, os.path.abspath(__file__)] + sys.argv[1:])
    sys.exit("ondaweb-sim: python3-pyftpdlib is missing (apt-get install python3-pyftpdlib)")

sys.dont_write_bytecode = True
sys.path.insert(0, HERE)

import simftp  # noqa: E402
import simservice  # noqa: E402


def loopback_address(text):
    host = "127.0.0.1" if text == "localhost" else text
    try:
        address = ipaddress.IPv4Address(host)
    except ipaddress.AddressValueError:
        raise argparse.ArgumentTypeError(f"{text} is not an IPv4 address") from None
    if not address.is_loopback:
        raise argparse.ArgumentTypeError(f"{text} is not a loopback address (127.0.0.0/8)")
    return host


def port_number(text):
    port = int(text)
    if not 0 <= port <= 65535:
        raise argparse.ArgumentTypeError(f"{text} is not a port number")
    return port


def wait_for_stdin_eof(stop):
    # The raw descriptor, not sys.stdin: a daemon thread blocked in a buffered read breaks the interpreter's exit.
    try:
        while os.read(0, 4096):
            pass
    except OSError:
        pass
    stop.set()


def parse_arguments(argv):
    p = argparse.ArgumentParser(prog="ondaweb_sim.py", description="Stand-in for the Ondaweb service (loopback only).")
    p.add_argument("--host", type=loopback_address, default="127.0.0.5", help="loopback address (default 127.0.0.5)")
    p.add_argument("--http-port", type=port_number, default=80, help="web server port, 0 for any free one (default 80)")
    p.add_argument("--ftp-port", type=port_number, default=21, help="FTP server port, 0 for any free one (default 21)")
    p.add_argument("--data-dir", help="folder for the service's files (default: a temporary folder removed at exit)")
    p.add_argument("--seed", default=os.path.join(HERE, "seed.json"), help="JSON fixture (default seed.json here)")
    p.add_argument("--keep", action="store_true", help="keep the data of an earlier run in --data-dir instead of re-seeding")
    p.add_argument("--encoding", default="utf-8", choices=("utf-8", "cp1252"), help="encoding of answers and pages")
    p.add_argument("--exit-on-stdin-eof", action="store_true", help="stop when standard input is closed")
    p.add_argument("--verbose", action="store_true", help="log every HTTP and FTP command on stderr")
    return p.parse_args(argv)


def main(argv=None):
    args = parse_arguments(argv)
    if args.verbose:
        logging.basicConfig(level=logging.INFO)
    else:
        # Without a handler of its own the FTP library would log every command on stderr.
        logging.getLogger("pyftpdlib").addHandler(logging.NullHandler())
        logging.getLogger("pyftpdlib").propagate = False
    temporary = None
    if args.data_dir:
        data_dir = os.path.abspath(args.data_dir)
        os.makedirs(data_dir, exist_ok=True)
    else:
        temporary = tempfile.TemporaryDirectory(prefix="ondaweb-sim-")
        data_dir = temporary.name

    sim = simservice.Simulator(data_dir, args.seed, args.encoding, keep=args.keep)
    try:
        web = simservice.Server((args.host, args.http_port), sim, args.verbose)
    except OSError as e:
        sys.exit(f"ondaweb-sim: cannot listen on {args.host}:{args.http_port}: {e.strerror}")
    try:
        ftp = simftp.FtpServer(sim, args.host, args.ftp_port)
    except OSError as e:
        web.server_close()
        sys.exit(f"ondaweb-sim: cannot listen on {args.host}:{args.ftp_port}: {e.strerror}")

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    if args.exit_on_stdin_eof:
        threading.Thread(target=wait_for_stdin_eof, args=(stop,), daemon=True).start()

    web_thread = threading.Thread(target=web.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
    web_thread.start()
    ftp.start()
    http_port, ftp_port = web.server_address[1], ftp.address[1]
    print(f"ready http://{args.host}:{http_port}/ ftp://{args.host}:{ftp_port}/ data={data_dir}", flush=True)

    while not stop.wait(0.5):
        pass
    sim.stop()
    web.shutdown()
    web.server_close()
    ftp.stop()
    sim.store.db.close()
    if temporary is not None:
        temporary.cleanup()
    return 0


if __name__ == "__main__":
    sys.exit(main())
