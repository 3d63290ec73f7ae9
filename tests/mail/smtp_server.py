#!/usr/bin/env python3
"""smtp_server.py FOLDER [--refuse] [--delay S]: writes its port to FOLDER/port, each message as a
mail program reads it to FOLDER/<n>.json (or refuses it), S seconds after it arrived; ends when its
standard input closes."""
import asyncio, base64, email, email.policy, itertools, json, os, socket, sys

from aiosmtpd.smtp import SMTP

FOLDER = sys.argv[1]
REFUSE = "--refuse" in sys.argv[2:]
DELAY = float(sys.argv[sys.argv.index("--delay") + 1]) if "--delay" in sys.argv else 0.0
taken = itertools.count(1)


def publish(name, text):
    # Whole or not at all: the test reads the folder while the server writes into it.
    with open(os.path.join(FOLDER, name + ".tmp"), "w") as f:
        f.write(text)
    os.replace(os.path.join(FOLDER, name + ".tmp"), os.path.join(FOLDER, name))


class Keeper:
    async def handle_DATA(self, server, session, envelope):
        await asyncio.sleep(DELAY)
        if REFUSE:
            return "554 Transaction failed: refused by the test"
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        parts = [(part.get_filename(), part.get_payload(decode=True), part.get_content_charset())
                 for part in message.walk() if not part.is_multipart()]
        publish("%d.json" % next(taken), json.dumps({
            "rcpt": envelope.rcpt_tos, "cc": str(message.get("Cc", "")), "subject": str(message.get("Subject", "")),
            "text": "".join(data.decode(charset or "utf-8") for name, data, charset in parts if not name),
            "attachments": [{"name": name, "data": base64.b64encode(data).decode()}
                            for name, data, _ in parts if name]}))
        return "250 OK"


async def main():
    listener = socket.create_server(("127.0.0.1", 0))
    server = await asyncio.get_running_loop().create_server(lambda: SMTP(Keeper(), enable_SMTPUTF8=True),
                                                            sock=listener)
    publish("port", str(listener.getsockname()[1]))
    await asyncio.to_thread(sys.stdin.read)  # until the test closes it
    server.close()


asyncio.run(main())
