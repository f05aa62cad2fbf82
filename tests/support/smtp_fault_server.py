"""An SMTP server that misbehaves on purpose (--mode, see SmtpTestServer.h); prints
"READY <port>", serves until stdin closes, records sessions like smtp_test_server.py."""

import argparse
import asyncio
import contextlib
import os
import sys

from smtp_test_server import Session


async def reply(writer, text):
    writer.write(text.encode() + b"\r\n")
    await writer.drain()


async def dialogue(mode, reader, writer, session):
    await reply(writer, "220 velmora-fault ESMTP")
    while True:
        line = await reader.readline()
        if not line:
            return
        verb = line.decode("utf-8", "replace").strip().split(" ")[0].upper()
        session.log("AUTH" if verb == "AUTH" else verb)
        if verb in ("EHLO", "HELO"):
            extra = ["250-STARTTLS"] if mode == "starttls-refused" else []
            for text in ["250-velmora-fault"] + extra + ["250-AUTH PLAIN LOGIN", "250 8BITMIME"]:
                await reply(writer, text)
        elif verb == "STARTTLS":
            await reply(writer, "454 4.7.0 TLS not available due to temporary reason")
        elif verb == "DATA":
            await reply(writer, "354 End data with <CR><LF>.<CR><LF>")
            await reader.read(1)
            return
        elif verb == "QUIT":
            await reply(writer, "221 Bye")
            return
        else:
            await reply(writer, "250 OK")


def make_client_handler(mode, directory):
    async def handle(reader, writer):
        session = Session(directory)
        try:
            if mode == "greeting421":
                await reply(writer, "421 4.3.2 Service not available, closing channel")
            elif mode == "silent":
                await reader.read()
            elif mode == "endless-line":
                writer.write(b"220 ")
                while True:
                    writer.write(b"x" * 1024)
                    await writer.drain()
                    await asyncio.sleep(0.01)
            else:
                await dialogue(mode, reader, writer, session)
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
        "greeting421", "silent", "endless-line", "drop-in-data", "starttls-refused"])
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
