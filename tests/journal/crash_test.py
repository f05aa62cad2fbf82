"""Kill-and-restart test of the delivery journal.

The demo host works the wizard automatically (--drive) and sends a mailing to
300 customers over a slow loopback server that logs every accepted message.
It is killed with SIGKILL at 20 points of the run (each after a random number
of further messages) and started again each time; the restarted host accepts
the offer to continue, ticking the uncertain recipients, and the wizard must
come back with the mailing's recipients, subject, letter and attachment
without anybody typing them again. At the end every customer must have
exactly one message, except at most one copy more per kill, and nobody may be
missing. Prints the table of kill points.

usage: crash_test.py HOST SOURCE_DIR
"""
import json
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
from collections import Counter

PYTHON = "/usr/bin/python3"
KILLS = 20
RECIPIENTS = 300


def customer_count():
    # make_demo_db.py leaves every 13th (from 5) and 17th (from 3) customer without an address.
    count, with_address = 0, 0
    while with_address < RECIPIENTS:
        with_address += not (count % 13 == 5 or count % 17 == 3)
        count += 1
    return count


def journal_states(data_home):
    path = os.path.join(data_home, "velmora-demo-host", "versandjournal.sqlite")
    if not os.path.exists(path):
        return Counter()
    db = sqlite3.connect(path, timeout=5)
    try:
        return Counter(dict(db.execute("SELECT state, count(*) FROM recipient GROUP BY state")))
    finally:
        db.close()


def delivered(log):
    if not os.path.exists(log):
        return []
    with open(log, encoding="utf-8") as f:
        return [line.split("\t")[0] for line in f if line.strip()]


def resumed_wrongly(out, attachment):
    """What the restarted wizard lacked of the mailing, or None when it did not resume."""
    path = os.path.join(out, "resumed.json")
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as f:
        resumed = json.load(f)
    os.remove(path)
    wanted = {"recipients": RECIPIENTS, "subject": "Unser Frühjahrsangebot für Sie", "attachment": attachment,
              "zip": True}
    wrong = [key for key, value in wanted.items() if resumed.get(key) != value]
    if "Frühjahrsangebot 2027" not in resumed.get("text", ""):
        wrong.append("text")
    return wrong


def main(host, source):
    rnd = random.Random(20261206)
    work = tempfile.mkdtemp(prefix="velmora-crash-")
    db, ini, log, attachment = (os.path.join(work, name) for name in
                                ("kunden.sqlite", "velmora.ini", "delivered.log", "Preisliste.txt"))
    subprocess.run([PYTHON, os.path.join(source, "scripts/lib/make_demo_db.py"), db, str(customer_count())], check=True)
    with open(attachment, "w") as f:
        f.write("Preisliste\n")
    server = subprocess.Popen([PYTHON, os.path.join(source, "tests/support/scripted_reply_server.py"),
                               "--delay-ms", "12", "--log", log], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    port = int(server.stdout.readline().split()[1])
    with open(ini, "w") as f:
        f.write("[Velmora]\nName=Velmora\nEMail=versand@velmora.example\nServer=127.0.0.1\nPort=%d\n" % port)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=os.path.join(work, "data"))
    command = [host, "--database", db, "--config", ini, "--drive", os.path.join(work, "out"), "--attachment", attachment]

    def start():
        return subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    print("%4s %8s %10s %9s %9s %7s" % ("kill", "after", "delivered", "gesendet", "unsicher", "extra"))
    started = time.monotonic()
    resumes, restore_faults = 0, []
    for kill in range(1, KILLS + 1):
        before = len(delivered(log))
        wanted = before + rnd.randint(3, 24)
        host_process = start()
        deadline = time.monotonic() + 60
        while host_process.poll() is None and len(delivered(log)) < wanted and time.monotonic() < deadline:
            time.sleep(0.002)
        if host_process.poll() is None:
            host_process.send_signal(signal.SIGKILL)
        host_process.wait()
        wrong = resumed_wrongly(os.path.join(work, "out"), attachment)
        if wrong is not None:
            resumes += 1
            restore_faults += wrong
        states = journal_states(env["XDG_DATA_HOME"])
        uncertain = states.get("unsicher", 0) + states.get("wird gesendet", 0)
        so_far = delivered(log)
        print("%4d %8d %10d %9d %9d %7d" % (kill, len(so_far) - before, len(so_far), states.get("gesendet", 0),
                                            uncertain, len(so_far) - len(set(so_far))), flush=True)
    for _ in range(3):
        final = start()
        if final.wait(timeout=120) == 0 and not journal_has_open(env["XDG_DATA_HOME"]):
            break
    server.stdin.close()
    server.wait(timeout=10)

    expected = Counter(row[0].lower() for row in sqlite3.connect(db).execute(
        "SELECT EMail FROM tbKunden WHERE EMail IS NOT NULL AND trim(EMail) <> ''"))
    got = Counter(address.lower() for address in delivered(log))
    missing = sorted(a for a in expected if got[a] < expected[a])
    extra = sum(max(0, got[a] - expected[a]) for a in got)
    unknown = sorted(a for a in got if a not in expected)
    print("recipients %d, messages %d, missing %d, extra copies %d (at most %d allowed), %.1f s"
          % (sum(expected.values()), sum(got.values()), len(missing), extra, KILLS, time.monotonic() - started))
    print("resumed %d times with everything in place%s"
          % (resumes, "" if not restore_faults else "; lacking: " + ", ".join(sorted(set(restore_faults)))))
    ok = (sum(expected.values()) == RECIPIENTS and not missing and not unknown and extra <= KILLS
          and resumes > 0 and not restore_faults)
    if missing:
        print("missing:", ", ".join(missing[:10]))
    return 0 if ok else 1


def journal_has_open(data_home):
    states = journal_states(data_home)
    return any(states.get(s, 0) for s in ("offen", "vorübergehend abgelehnt", "wird gesendet"))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
