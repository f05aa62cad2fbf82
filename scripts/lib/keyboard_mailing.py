#!/usr/bin/python3
"""A whole mailing done with the keyboard alone, on a real X display: the demo
host with the demo customers and a local SMTP catcher, driven by key presses
through xdotool (no pointer moves, no clicks), with a screenshot of each step.

    keyboard_mailing.py HOST OUT_DIR [DISPLAY]

HOST is build/app/velmora-demo-host; the screenshots go to OUT_DIR as
k1-…png to k8-…png; DISPLAY is an X display already running (default :85).
Exits non-zero unless every customer with an address received one message.
"""
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
PYTHON = "/usr/bin/python3"  # the one with aiosmtpd


def run(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout.strip()


class Desk:
    def __init__(self, display, out):
        self.env = dict(os.environ, DISPLAY=display)
        self.out = Path(out)
        self.window = None
        self.presses = 0

    def wait_for_window(self, name, seconds=30):
        deadline = time.time() + seconds
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], env=self.env,
                                   capture_output=True, text=True).stdout.split()
            if found:
                self.focus(found[-1])
                return found[-1]
            time.sleep(0.2)
        raise RuntimeError(f"no window {name!r}")

    def focus(self, window):
        """Without a window manager nobody hands the keyboard to a window
        that opens or to the one left when a dialog closes; X is told so."""
        self.window = window
        run("xdotool", "windowfocus", "--sync", window, env=self.env)
        time.sleep(0.3)

    def keys(self, *keys, pause=0.25):
        for key in keys:
            run("xdotool", "key", "--clearmodifiers", key, env=self.env)
            self.presses += 1
            time.sleep(pause)

    def type(self, text):
        run("xdotool", "type", "--delay", "40", text, env=self.env)
        self.presses += len(text)
        time.sleep(0.3)

    def shoot(self, name):
        geometry = run("xdotool", "getwindowgeometry", "--shell", self.window, env=self.env)
        g = dict(line.split("=") for line in geometry.splitlines())
        crop = f"{g['WIDTH']}x{g['HEIGHT']}+{g['X']}+{g['Y']}"
        time.sleep(0.4)
        run("import", "-window", "root", "-crop", crop, "+repage", str(self.out / f"{name}.png"), env=self.env)


def start_catcher(folder):
    catcher = subprocess.Popen([PYTHON, str(ROOT / "scripts/lib/smtp_catcher.py"), "--maildir",
                                str(folder / "maildir"), "--port", "0"], stdout=subprocess.PIPE, text=True)
    line = catcher.stdout.readline()
    if not line.startswith("READY"):
        raise RuntimeError("the SMTP catcher did not start")
    return catcher, int(line.split()[1])


def write_settings(folder, port):
    (folder / "velmora.ini").write_text(
        "[Velmora]\nName=Velmora Feinkost GmbH\nEMail=versand@velmora-feinkost.example\n"
        "Firma=Velmora Feinkost GmbH\nAntwortAdresse=service@velmora-feinkost.example\n"
        f"Server=127.0.0.1\nPort={port}\nUSR=\nPWD=\n")


def letter(desk):
    """The message pane: subject, a placeholder and a bullet list from the toolbar."""
    desk.type("Unser Frühjahrsangebot")
    desk.keys("Tab", "Tab", "Tab", "Tab", "Tab")  # priority, read receipt, preview, toolbar, text
    desk.type("Guten Tag ")
    desk.keys("F10", "Home", "Right", "Right", "Down")  # the variables menu of the toolbar
    desk.keys("Down", "Down", "Down", "Down")  # Datum, Kunden Nummer, Anrede, Vorname
    desk.shoot("k3-platzhalter-menue")
    desk.keys("Return")
    desk.type(",")
    desk.keys("Return")
    desk.type("diese Woche frisch für Sie:")
    desk.keys("Return", "F10", "End", "space")  # Aufzählung from the toolbar
    desk.type("Brötchen vom Steinofen")
    desk.keys("Return")
    desk.type("Rote Grütze")
    desk.keys("Return", "F10", "End", "space")
    desk.keys("ctrl+b")
    desk.type("Ihr Velmora-Team")
    desk.keys("ctrl+b", "Menu")
    desk.shoot("k4-kontextmenue")
    desk.keys("Escape")
    desk.shoot("k5-nachricht")


def mailing(desk):
    wizard = desk.wait_for_window("Assistent zur Erstellung")
    desk.shoot("k1-empfaenger-leer")
    desk.keys("alt+e")  # E-Mail Einstellungen
    desk.wait_for_window("^Einstellungen$")
    desk.shoot("k1b-konto")
    desk.keys("Escape")
    desk.focus(wizard)
    desk.keys("alt+b")  # Alle Kunden übernehmen
    desk.shoot("k2-empfaenger")
    desk.keys("alt+w")
    letter(desk)
    desk.keys("alt+w")
    desk.shoot("k6-senden")
    desk.keys("alt+f")  # Fertigstellen asks first
    time.sleep(0.5)
    desk.shoot("k7-frage")
    desk.keys("alt+j")
    time.sleep(3)
    desk.focus(wizard)
    desk.shoot("k8-gesendet")
    desk.keys("alt+s")  # Schließen


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    host, out = sys.argv[1], sys.argv[2]
    display = sys.argv[3] if len(sys.argv) > 3 else ":85"
    Path(out).mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        folder = Path(work)
        run(PYTHON, str(ROOT / "scripts/lib/make_demo_db.py"), str(folder / "kunden.sqlite"))
        catcher, port = start_catcher(folder)
        write_settings(folder, port)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_DATA_HOME=str(folder / "data"))
        app = subprocess.Popen([host, "--database", str(folder / "kunden.sqlite"), "--config",
                                str(folder / "velmora.ini")], env=env)
        desk = Desk(display, out)
        try:
            mailing(desk)
            app.wait(timeout=30)
        finally:
            if app.poll() is None:
                app.terminate()
            catcher.terminate()
        delivered = len(list((folder / "maildir" / "new").glob("*")))
        print(f"{desk.presses} key presses, {delivered} messages delivered")
        return 0 if delivered > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
