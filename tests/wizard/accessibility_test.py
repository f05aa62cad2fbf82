#!/usr/bin/python3
"""Reads the wizard as a screen reader does, through AT-SPI, on an X server and
a D-Bus session of its own: every control on the three panes and in the account
dialog has a name, the ones a user looks for the right one. Usage:
accessibility_test.py HOST (AccessibilityHost.cpp). Exit 77 (skipped) when
Xvfb, the accessibility bus or pyatspi is missing, except under CI=true."""
import os
import select
import shutil
import subprocess
import sys
import time

SKIPPED = 77
FIRST_DISPLAY = 85

WIZARD = "Assistent zur Erstellung von Velmoras..."
# (stage argument, what the report calls it, the window read, names that must be there)
STAGES = [
    ("0", "recipients pane", WIZARD, ["Kunden", "Empfänger", "Ausgewählte Kunden übernehmen", "Weiter >"]),
    ("1", "message pane", WIZARD, ["Betreff", "Dringlichkeit", "Nachricht", "Schriftart", "Schriftgröße", "Anlagen",
                                   "Fett", "Seriendruckfeld"]),
    ("2", "send pane", WIZARD, ["Fertigstellen"]),
    ("konto", "account dialog", "Einstellungen", ["Ihr Name", "e-Mail Adresse", "Server Port", "Kennwort",
                                                  "Speichern"]),
]


def missing_tools():
    missing = [tool for tool in ("Xvfb", "dbus-run-session") if not shutil.which(tool)]
    if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
        missing.append("at-spi2-core")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        missing.append("python3-pyatspi")
    return missing


def start_x_server():
    """An X server on the first free display from :85 on (never :77)."""
    for number in range(FIRST_DISPLAY, FIRST_DISPLAY + 40):
        if number == 77 or os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                return number, server
            if server.poll() is not None:
                break
            time.sleep(0.05)
        server.kill()
        server.wait()
    raise RuntimeError("no free X display")


def outside(host):
    missing = missing_tools()
    if missing:
        print("accessibility test skipped, missing:", ", ".join(missing))
        return 1 if os.environ.get("CI") == "true" else SKIPPED
    number, server = start_x_server()
    try:
        env = dict(os.environ, DISPLAY=f":{number}", ORV_ACCESSIBILITY_INSIDE="1")
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        return subprocess.call(["dbus-run-session", "--", sys.executable, __file__, host], env=env, timeout=280)
    finally:
        server.terminate()
        server.wait()


def wait_for_bus():
    for _ in range(100):
        if subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                           "org.a11y.Bus.GetAddress"], capture_output=True).returncode == 0:
            return
        time.sleep(0.1)
    raise RuntimeError("the accessibility bus did not start")


def wait_for_ready(process, seconds=60):
    deadline = time.time() + seconds
    while time.time() < deadline and process.poll() is None:
        if select.select([process.stdout], [], [], 0.2)[0] and process.stdout.readline().strip() == "bereit":
            return True
    return False


def find_application(pyatspi, pid, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for application in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
            try:
                if application is not None and application.get_process_id() == pid and application.childCount:
                    return application
            except Exception:  # an application that went away meanwhile
                continue
        time.sleep(0.2)
    return None


def controls(pyatspi, accessible):
    """Every control a user can work on that is on screen; tables, lists and
    combo boxes count once (their cells and entries are their content)."""
    interactive = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
                   pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT,
                   pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE,
                   pyatspi.ROLE_LIST, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_PAGE_TAB,
                   pyatspi.ROLE_MENU_ITEM}
    found = []
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        role = child.getRole()
        if role in interactive:
            found.append((child.getRoleName(), child.name or ""))
        if role not in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_COMBO_BOX):
            found.extend(controls(pyatspi, child))
    return found


def read_stage(pyatspi, host, stage, window):
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    process = subprocess.Popen([host, stage], env=env, stdout=subprocess.PIPE, text=True)
    try:
        if not wait_for_ready(process):
            raise RuntimeError(f"stage {stage}: the wizard did not come up")
        application = find_application(pyatspi, process.pid)
        if application is None:
            raise RuntimeError(f"stage {stage}: the wizard is not on the accessibility bus")
        time.sleep(0.5)  # the windows' trees are filled in as they are shown
        windows = [application.getChildAtIndex(i) for i in range(application.childCount)]
        shown = [w for w in windows if w is not None and w.name == window]
        if not shown:
            raise RuntimeError(f"stage {stage}: no window {window!r}")
        return controls(pyatspi, shown[0])
    finally:
        process.terminate()
        process.wait(timeout=20)


def inside(host):
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for_bus()
        import pyatspi
        failures = []
        for stage, title, window, required in STAGES:
            found = read_stage(pyatspi, host, stage, window)
            named = [name for _, name in found if name.strip()]
            nameless = [role for role, name in found if not name.strip()]
            print(f"{title}: {len(named)} named controls, {len(nameless)} without a name")
            if nameless:
                failures.append(f"{title}: controls without a name: {', '.join(nameless)}")
            for name in required:
                if name not in named:
                    failures.append(f"{title}: no control named {name!r} (named: {', '.join(sorted(set(named)))})")
        for failure in failures:
            print("FAIL", failure)
        return 1 if failures else 0
    finally:
        launcher.terminate()
        launcher.wait()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    run = inside if os.environ.get("ORV_ACCESSIBILITY_INSIDE") == "1" else outside
    sys.exit(run(sys.argv[1]))
