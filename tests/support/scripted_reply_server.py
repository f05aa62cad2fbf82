"""SMTP server on 127.0.0.1 whose replies the test scripts, for the delivery journal's tests.

Prints "READY <port>" and serves until stdin closes (or it is killed).
--replies FILE: JSON {address: ["451 4.3.0 Try later", ...]}; each RCPT to that address
takes the next reply from its list, and once the list is used up it is accepted. A 421
reply closes the connection, as a server that sheds load does.
--delay-ms N: waits this long before answering the end of a message (a slow server).
--log FILE: one line per accepted message, "<recipient>\t<Message-ID>", flushed at once,
so that a test can count deliveries even after killing the sender.
"""
import argparse
import asyncio
import json
import os
import sys


class Server:
    def __init__(self, args):
        self.replies = {}
        if args.replies:
            with open(args.replies, encoding="utf-8") as f:
                self.replies = {k.lower(): list(v) for k, v in json.load(f).items()}
        self.delay = args.delay_ms / 1000.0
        self.log = open(args.log, "a", encoding="utf-8") if args.log else None

    async def handle(self, reader, writer):
        async def reply(text):
            writer.write((text + "\r\n").encode())
            await writer.drain()

        await reply("220 scripted ESMTP")
        rcpt, closing = None, False
        try:
            while not closing:
                line = await reader.readline()
                if not line:
                    break
                verb = line.decode("utf-8", "replace").strip()
                upper = verb.upper()
                if upper.startswith("EHLO"):
                    await reply("250-scripted\r\n250-8BITMIME\r\n250 SMTPUTF8")
                elif upper.startswith("HELO") or upper.startswith("MAIL") or upper.startswith("RSET") or upper == "NOOP":
                    await reply("250 OK")
                elif upper.startswith("RCPT"):
                    address = verb[verb.find("<") + 1:verb.rfind(">")].lower()
                    scripted = self.replies.get(address)
                    answer = scripted.pop(0) if scripted else "250 OK"
                    rcpt = address if answer.startswith("250") else None
                    await reply(answer)
                    closing = answer.startswith("421")
                elif upper == "DATA":
                    await reply("354 go ahead")
                    message = await self.read_message(reader)
                    if self.delay:
                        await asyncio.sleep(self.delay)
                    if self.log and rcpt:
                        self.log.write("%s\t%s\n" % (rcpt, message_id(message)))
                        self.log.flush()
                    await reply("250 2.0.0 queued")
                elif upper == "QUIT":
                    await reply("221 bye")
                    closing = True
                else:
                    await reply("502 5.5.2 not implemented")
        except (ConnectionError, asyncio.IncompleteReadError):
            pass
        writer.close()

    @staticmethod
    async def read_message(reader):
        lines = []
        while True:
            line = await reader.readline()
            if not line or line in (b".\r\n", b".\n"):
                return b"".join(lines)
            lines.append(line)


def message_id(message):
    for line in message.split(b"\n"):
        if line.lower().startswith(b"message-id:"):
            return line.split(b":", 1)[1].strip().decode("ascii", "replace")
        if not line.strip():
            break
    return ""


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--replies")
    parser.add_argument("--delay-ms", type=int, default=0)
    parser.add_argument("--log")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    server = Server(args)
    listener = await asyncio.start_server(server.handle, "127.0.0.1", args.port)
    print("READY %d" % listener.sockets[0].getsockname()[1], flush=True)
    loop = asyncio.get_running_loop()
    await loop.run_in_executor(None, sys.stdin.read)
    os._exit(0)


asyncio.run(main())
