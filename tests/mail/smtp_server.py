#!/usr/bin/env python3
"""A loopback SMTP server for the mail tests.

Listens on a free port of 127.0.0.1 and prints "PORT <n>" and writes <n> to <folder>/port once ready. Each message it takes
is written to <folder>/<n>.eml as received and, read as a mail program reads it, to
<folder>/<n>.json: envelope recipients, headers, text and attachment (base64).
With --refuse every message is refused at DATA. Ends when its standard input closes.
"""
import argparse
import asyncio
import base64
import email
import email.policy
import json
import socket
import os
import sys

from aiosmtpd.smtp import SMTP


class Keeper:
    def __init__(self, folder, refuse):
        self.folder = folder
        self.refuse = refuse
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        if self.refuse:
            return "554 Transaction failed: refused by the test"
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        texts = []
        attachments = []
        for part in message.walk():
            if part.is_multipart():
                continue
            data = part.get_payload(decode=True)
            if part.get_filename():
                attachments.append({"name": part.get_filename(),
                                    "data": base64.b64encode(data).decode("ascii")})
            else:
                texts.append(data.decode(part.get_content_charset() or "utf-8"))
        summary = {
            "sender": envelope.mail_from,
            "rcpt": envelope.rcpt_tos,
            "from": str(message.get("From", "")),
            "to": str(message.get("To", "")),
            "cc": str(message.get("Cc", "")),
            "subject": str(message.get("Subject", "")),
            "text": "".join(texts),
            "attachments": attachments,
        }
        with open(base + ".json", "w") as f:
            json.dump(summary, f)
        return "250 OK"


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--refuse", action="store_true")
    args = parser.parse_args()
    loop = asyncio.get_running_loop()
    keeper = Keeper(args.folder, args.refuse)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen()
    server = await loop.create_server(lambda: SMTP(keeper, enable_SMTPUTF8=True), sock=listener)
    print("PORT", listener.getsockname()[1], flush=True)
    with open(os.path.join(args.folder, "port.tmp"), "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(os.path.join(args.folder, "port.tmp"), os.path.join(args.folder, "port"))
    # Standard input closing (the test ended, or died) ends the server.
    reader = asyncio.StreamReader()
    await loop.connect_read_pipe(lambda: asyncio.StreamReaderProtocol(reader), sys.stdin)
    while await reader.read(1024):
        pass
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
