#!/usr/bin/env python3
"""smtp_server.py FOLDER [--refuse] [--delay S]: writes its port to FOLDER/port, each message as a
mail program reads it to FOLDER/<n>.json (or refuses it), S seconds after it arrived; ends when its
standard input closes."""
import asyncio, base64, email, email.policy, json, os, socket, sys

from aiosmtpd.smtp import SMTP

FOLDER = sys.argv[1]
REFUSE = "--refuse" in sys.argv[2:]
DELAY = float(sys.argv[sys.argv.index("--delay") + 1]) if "--delay" in sys.argv else 0.0
taken = 0


class Keeper:
    async def handle_DATA(self, server, session, envelope):
        global taken
        await asyncio.sleep(DELAY)
        if REFUSE:
            return "554 Transaction failed: refused by the test"
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        texts, attachments = [], []
        for part in message.walk():
            data = part.get_payload(decode=True)
            if part.is_multipart():
                continue
            if part.get_filename():
                attachments.append({"name": part.get_filename(), "data": base64.b64encode(data).decode()})
            else:
                texts.append(data.decode(part.get_content_charset() or "utf-8"))
        taken += 1
        with open(os.path.join(FOLDER, "%d.json" % taken), "w") as f:
            json.dump({"rcpt": envelope.rcpt_tos, "cc": str(message.get("Cc", "")),
                       "subject": str(message.get("Subject", "")), "text": "".join(texts),
                       "attachments": attachments}, f)
        return "250 OK"


async def main():
    loop = asyncio.get_running_loop()
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen()
    server = await loop.create_server(lambda: SMTP(Keeper(), enable_SMTPUTF8=True), sock=listener)
    with open(os.path.join(FOLDER, "port.tmp"), "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(os.path.join(FOLDER, "port.tmp"), os.path.join(FOLDER, "port"))
    reader = asyncio.StreamReader()
    await loop.connect_read_pipe(lambda: asyncio.StreamReaderProtocol(reader), sys.stdin)
    while await reader.read(1024):
        pass
    server.close()


asyncio.run(main())
