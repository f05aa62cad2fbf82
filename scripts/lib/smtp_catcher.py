"""Local SMTP catcher for the demo: accepts every message on a loopback port
and stores it in a Maildir. Prints "READY <port>" once it listens."""
import argparse
import mailbox
import signal
import threading

from aiosmtpd.controller import Controller


class MaildirHandler:
    def __init__(self, path):
        self.box = mailbox.Maildir(path, create=True)
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.box.add(envelope.original_content or envelope.content)
        return "250 Message accepted for delivery"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--maildir", required=True)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    controller = Controller(MaildirHandler(args.maildir), hostname="127.0.0.1", port=args.port or 2525)
    controller.start()
    print(f"READY {controller.port}", flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
