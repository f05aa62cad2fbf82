"""An SMTP server that misbehaves on purpose (--mode, see SmtpTestServer.h); prints
"READY <port>", serves until stdin closes, records sessions like smtp_test_server.py,
plus flights.log: "<read number> <verb>" per command, to show what came in one flight.

Markers in any mode: MAIL from an address containing m421, m450 or m552 gets that
reply (421 also closes), m-silent gets no reply ever, m-hangup a closed connection;
a MAIL declaring SIZE= above 100000 gets 552 5.3.4. Full command lines go to
lines.log as "<unix time> <line>" (AUTH without its payload). RCPT to an address containing "refuse" gets 550, one
containing "r421" gets 421 and the connection closes. The end-of-data marker is
logged in flights.log as "<read number> .", after the read that completed it."""

import argparse
import asyncio
import base64
import contextlib
import os
import re
import sys
import time
import types

from smtp_test_server import Session

EHLO_LINES = {
    "exchange-auth": ["250-AUTH GSSAPI NTLM CRAM-MD5 LOGIN"],
    "echo-password": ["250-AUTH PLAIN LOGIN"],
    "starttls-refused": ["250-STARTTLS", "250-AUTH PLAIN LOGIN"],
}
MAIL_MARKERS = {
    "m421": "421 4.3.2 Service shutting down",
    "m450": "450 4.2.1 Mailbox busy, try later",
    "m552": "552 5.3.4 Message size exceeds fixed limit",
}


class Peer:
    """Reads what the client sends, counting each read as one flight."""

    def __init__(self, reader, writer, session, mode):
        self.reader, self.writer, self.session, self.mode = reader, writer, session, mode
        self.buffer = b""
        self.flight = 0

    async def fill(self):
        data = await self.reader.read(65536)
        if not data:
            raise ConnectionError("client gone")
        self.flight += 1
        self.buffer += data

    async def line(self):
        while b"\n" not in self.buffer:
            await self.fill()
        line, _, self.buffer = self.buffer.partition(b"\n")
        return line.decode("utf-8", "replace").strip()

    async def body(self):
        while b"\r\n.\r\n" not in b"\r\n" + self.buffer:
            await self.fill()
        whole = b"\r\n" + self.buffer
        end = whole.index(b"\r\n.\r\n")
        self.buffer = whole[end + 5:]
        return whole[2:end + 2].replace(b"\r\n..", b"\r\n.")

    async def reply(self, text):
        if self.mode == "slow":
            await asyncio.sleep(0.3)
        self.writer.write(text.encode() + b"\r\n")
        await self.writer.drain()

    def log_line(self, line):
        if line.upper().startswith("AUTH "):
            line = " ".join(line.split(" ")[:2])
        with open(os.path.join(self.session.path, "lines.log"), "a") as out:
            out.write("%.3f %s\n" % (time.time(), line))

    def log(self, verb, shown=None):
        if shown is not None:
            self.session.log(shown)
        with open(os.path.join(self.session.path, "flights.log"), "a") as out:
            out.write("%d %s\n" % (self.flight, verb))


async def authenticate(peer, argument):
    mechanism = argument.split(" ")[0].upper()
    if mechanism == "CRAM-MD5" and peer.mode == "exchange-auth":
        return await peer.reply("504 5.7.4 Unrecognized authentication type")
    if mechanism not in ("PLAIN", "LOGIN"):
        return await peer.reply("504 5.7.4 Unrecognized authentication type")
    secrets = []
    if mechanism == "PLAIN":
        secrets = base64.b64decode(argument.split(" ")[1]).split(b"\0")[1:]
    else:
        for prompt in ("VXNlcm5hbWU6", "UGFzc3dvcmQ6"):
            await peer.reply("334 " + prompt)
            answer = await peer.line()
            secrets.append(base64.b64decode(answer))
    if secrets == [b"anna", b"richtig"]:
        return await peer.reply("235 2.7.0 Authentication successful")
    # Some servers quote what they received; the client must not keep it.
    echoed = " ".join(s.decode("utf-8", "replace") for s in secrets) if peer.mode == "echo-password" else ""
    await peer.reply("535 5.7.8 Authentication credentials invalid " + echoed)


async def transaction_step(peer, verb, argument, envelope):
    if verb == "MAIL":
        if "m-silent" in argument.lower():
            await peer.reader.read()
            return False
        if "m-hangup" in argument.lower():
            return False
        size = re.search(r"SIZE=(\d+)", argument, re.IGNORECASE)
        if size and int(size.group(1)) > 100000:
            await peer.reply("552 5.3.4 Message size exceeds fixed limit")
            return True
        for marker, text in MAIL_MARKERS.items():
            if marker in argument.lower():
                await peer.reply(text)
                return marker != "m421"
        envelope.mail_from = argument
        envelope.rcpt_tos = []
    elif verb == "RCPT":
        if "r421" in argument.lower():
            await peer.reply("421 4.3.2 Service shutting down")
            return False
        if "r451" in argument.lower():
            await peer.reply("451 4.3.0 <%s>: temporary failure" % argument)
            return True
        if "refuse" in argument.lower():
            await peer.reply("550 5.1.1 <%s>: user unknown" % argument)
            return True
        envelope.rcpt_tos.append(argument)
    elif verb == "RSET":
        envelope.mail_from, envelope.rcpt_tos = None, []
    await peer.reply("250 OK")
    return True


async def data(peer, envelope):
    if not envelope.mail_from or not envelope.rcpt_tos:
        await peer.reply("554 5.5.1 No valid recipients")
        return True
    await peer.reply("354 End data with <CR><LF>.<CR><LF>")
    if peer.mode == "drop-in-data":
        await peer.reader.read(1)
        return False
    envelope.original_content = await peer.body()
    peer.log(".")
    if peer.mode == "drop-after-data":
        return False
    if peer.mode in ("drop-announced", "dovecot-like") and peer.buffer:
        # Like Debian 12's Dovecot submission service: the message is kept,
        # then commands that came with its end kill the session.
        peer.session.store(envelope)
        return False
    peer.session.store(envelope)
    envelope.mail_from, envelope.rcpt_tos = None, []
    await peer.reply("250 2.0.0 Ok: queued")
    # The first session of a connection limit ends early, so that the client must connect again.
    return not (peer.mode.startswith("connection-limit") and peer.session.messages == 3)


async def goodbye(peer):
    if peer.mode == "quit-never":
        await peer.reader.read()
        return
    if peer.mode == "quit-late":
        await asyncio.sleep(30)
    await peer.reply("221 Bye")


async def hello(peer, verb):
    if peer.mode == "helo-only":
        return await peer.reply("502 5.5.2 Error: command not recognized" if verb == "EHLO"
                                else "250 velmora-fault")
    if peer.mode == "endless-continuation":
        while True:
            await peer.reply("250-velmora-fault keeps talking")
    lines = ["250-velmora-fault", "250-PIPELINING", "250-SIZE 100000"]
    lines += EHLO_LINES.get(peer.mode, ["250-AUTH PLAIN LOGIN"])
    for text in lines + ["250 8BITMIME"]:
        if peer.mode == "trickle":
            await asyncio.sleep(0.4)
        await peer.reply(text)


async def dialogue(peer):
    await peer.reply("220 submission.test Dovecot ready." if peer.mode == "dovecot-like"
                     else "220 velmora-fault ESMTP")
    envelope = types.SimpleNamespace(mail_from=None, rcpt_tos=[])
    while True:
        line = await peer.line()
        verb, _, argument = line.partition(" ")
        verb = verb.upper()
        peer.log(verb, "AUTH " + argument.split(" ")[0] if verb == "AUTH" else verb)
        peer.log_line(line)
        if verb in ("EHLO", "HELO"):
            await hello(peer, verb)
        elif verb == "STARTTLS":
            await peer.reply("454 4.7.0 TLS not available due to temporary reason")
        elif verb == "AUTH":
            await authenticate(peer, argument)
        elif verb == "DATA":
            if not await data(peer, envelope):
                return
        elif verb == "QUIT":
            return await goodbye(peer)
        elif not await transaction_step(peer, verb, argument, envelope):
            return


def make_client_handler(mode, directory):
    async def handle(reader, writer):
        session = Session(directory)
        with open(os.path.join(session.path, "opened"), "w") as out:
            out.write("%.3f\n" % time.time())
        refused = (mode == "connection-limit" and Session.count > 1) or \
            (mode == "connection-limit-recovers" and Session.count in (2, 3))
        try:
            if refused:
                writer.write(b"421 4.7.0 Error: too many connections from 127.0.0.1\r\n")
            elif mode == "greeting421":
                writer.write(b"421 4.3.2 Service not available, closing channel\r\n")
            elif mode == "silent":
                await reader.read()
            elif mode == "endless-line":
                writer.write(b"220 ")
                while True:
                    writer.write(b"x" * 1024)
                    await writer.drain()
                    await asyncio.sleep(0.01)
            else:
                await dialogue(Peer(reader, writer, session, mode))
        except (ConnectionError, asyncio.IncompleteReadError):
            pass
        finally:
            writer.close()
            with contextlib.suppress(ConnectionError):
                await writer.wait_closed()
            session.close()
    return handle


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--mode", required=True, choices=[
        "greeting421", "silent", "endless-line", "drop-in-data", "starttls-refused", "plain",
        "exchange-auth", "echo-password", "quit-late", "quit-never", "endless-continuation",
        "drop-after-data", "slow", "helo-only", "trickle", "drop-announced", "dovecot-like",
        "connection-limit", "connection-limit-recovers"])
    options = parser.parse_args()
    os.makedirs(os.path.join(options.dir, "sessions"), exist_ok=True)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(asyncio.start_server(
        make_client_handler(options.mode, options.dir), "127.0.0.1", 0))
    print("READY %d" % server.sockets[0].getsockname()[1], flush=True)
    loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1(4096) or loop.stop())
    loop.run_forever()


if __name__ == "__main__":
    main()
