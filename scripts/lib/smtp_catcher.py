"""Local SMTP catcher for the demo: accepts every message on a loopback port
and stores it in a Maildir. Prints "READY <port>" once it listens. With
--stats it keeps a JSON file with the number of SMTP sessions that carried
messages and the number of messages."""
import argparse
import json
import mailbox
import os
import random
import signal
import socket
import threading

from aiosmtpd.controller import Controller


class MaildirHandler:
    def __init__(self, path, stats):
        self.box = mailbox.Maildir(path, create=True)
        for sub in ("tmp", "new", "cur"):  # Maildir(create=True) skips them when the folder exists
            os.makedirs(os.path.join(path, sub), exist_ok=True)
        self.lock = threading.Lock()
        self.stats = stats
        self.sessions = set()
        self.messages = 0

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.box.add(envelope.original_content or envelope.content)
            self.sessions.add(session.peer)
            self.messages += 1
            if self.stats:
                with open(self.stats, "w") as out:
                    json.dump({"sessions": len(self.sessions), "messages": self.messages}, out)
        return "250 Message accepted for delivery"


def free_port():
    # Four digits, because the account dialog's port field holds four characters.
    for port in random.sample(range(2600, 9999), 200):
        with socket.socket() as probe:
            try:
                probe.bind(("127.0.0.1", port))
                return port
            except OSError:
                continue
    raise SystemExit("no free port")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--maildir", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--stats")
    args = parser.parse_args()
    port = args.port or free_port()
    controller = Controller(MaildirHandler(args.maildir, args.stats), hostname="127.0.0.1", port=port)
    controller.start()
    print(f"READY {port}", flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
