"""Checks the headless demo run: every customer with an address and an invoice
got exactly one message addressed to them, personalised with their own data,
opening with the salutation their record calls for and carrying their own
invoice; a customer without an invoice got nothing; the sender got one test
mail, marked "[Test] ". Writes summary.json, which shows how a woman, a man and
a company without a person were greeted. Exit code 0 only when all of that holds."""
import email
import html as htmlcodec
import email.policy
import json
import mailbox
import sqlite3
import sys
from pathlib import Path


def bodies(message):
    plain = html = ""
    for part in message.walk():
        if part.get_content_type() == "text/plain" and not part.get_filename():
            plain = part.get_content()
        elif part.get_content_type() == "text/html":
            html = htmlcodec.unescape(part.get_content())
    return plain, html


def expected_salutation(anrede, name):
    """How the letter should open, worked out here from the record alone."""
    anrede, name = (anrede or "").strip(), (name or "").strip()
    word = anrede.split(" ")[0].lower() if anrede else ""
    if name and word in ("herr", "herrn"):
        return "Sehr geehrter Herr" + anrede[len(word):] + " " + name
    if name and word in ("frau", "familie"):
        return "Sehr geehrte " + anrede + " " + name
    return "Sehr geehrte Damen und Herren"


def kind_of(anrede):
    return (anrede or "").split(" ")[0] or "Firma"


def test_mail(message, to):
    plain, _ = bodies(message)
    return {"to": to, "subject": message["Subject"], "opens": plain.strip().splitlines()[0] if plain.strip() else "",
            "attachments": [part.get_filename() for part in message.walk() if part.get_filename()]}


def read_json(path):
    return json.loads(path.read_text()) if path.exists() else {}


def main(out_dir, database):
    out = Path(out_dir)
    driver = json.loads((out / "driver.json").read_text())
    stats = json.loads((out / "catcher-stats.json").read_text())
    db = sqlite3.connect(database)
    customers = {row[0].lower(): row for row in db.execute(
        "SELECT EMail, KundenNr, Anrede, Name, Firma FROM tbKunden WHERE EMail<>''")}
    greeted = {}
    received = {}
    problems = []
    invoices = out / "Rechnungen"
    test_mails = []
    for key, raw in mailbox.Maildir(str(out / "maildir"), create=False).items():
        message = email.message_from_bytes(raw.as_bytes(), policy=email.policy.default)
        to = message["To"].addresses[0].addr_spec.lower()
        if message["Subject"].startswith("[Test] "):
            test_mails.append(test_mail(message, to))
            continue
        received[to] = received.get(to, 0) + 1
        customer = customers.get(to)
        if not customer:
            problems.append(f"message to unknown address {to}")
            continue
        plain, html = bodies(message)
        if str(customer[1]) not in plain or str(customer[1]) not in html:
            problems.append(f"{to}: customer number missing in the bodies")
        opening = plain.strip().splitlines()[0] if plain.strip() else ""
        salutation = expected_salutation(customer[2], customer[3]) + ","
        if opening != salutation or salutation not in html:
            problems.append(f"{to}: opens with '{opening}', expected '{salutation}'")
        kind = kind_of(customer[2])
        if kind not in greeted or customer[1] < greeted[kind][0]:
            greeted[kind] = (customer[1], {
                "customer": f"{customer[1]} {customer[2] or ''} {customer[3] or customer[4] or ''}".strip(),
                "letter_opens": opening})
        if "<#" in plain or "<#" in html:
            problems.append(f"{to}: unreplaced placeholder")
        files = {part.get_filename(): part.get_content() for part in message.walk() if part.get_filename()}
        invoice = f"Rechnung {customer[1]}.pdf"
        if "Preisliste-Frühjahr.txt.zip" not in files:
            problems.append(f"{to}: attachment missing")
        if invoices.is_dir() and files.get(invoice) != (invoices / invoice).read_bytes():
            problems.append(f"{to}: not exactly their own invoice")
    expected = {address: 1 if not invoices.is_dir() or (invoices / f"Rechnung {row[1]}.pdf").exists() else 0
                for address, row in customers.items()}
    for address, count in expected.items():
        if received.get(address, 0) != count:
            problems.append(f"{address} received {received.get(address, 0)} messages, expected {count}")
    if invoices.is_dir() and len(test_mails) != 1:
        problems.append(f"{len(test_mails)} test mails to the sender")
    summary = {
        "recipients": driver["recipients"],
        "sent": driver["sent"],
        "refused": driver["refused"],
        "smtp_sessions": stats["sessions"],
        "seconds": driver["seconds"],
        "confirmation": driver.get("confirmation", ""),
        "preview": driver.get("preview", {}),
        "salutations": {kind: greeted[kind][1] for kind in ("Frau", "Herr", "Firma") if kind in greeted},
        "without_invoice": sum(1 for count in expected.values() if count == 0),
        "test_mail": test_mails[0] if test_mails else {},
        "scaled": read_json(out / "scaled.json"),
        "printed": read_json(out / "printed.json"),
    }
    (out / "summary.json").write_text(json.dumps(summary, indent=2, ensure_ascii=False) + "\n", encoding="utf-8")
    print(json.dumps(summary, ensure_ascii=False))
    for problem in problems[:20]:
        print("problem:", problem, file=sys.stderr)
    for kind in ("Frau", "Herr", "Firma"):
        if kind not in greeted:
            problems.append(f"no letter to a customer of the kind {kind}")
    if not driver.get("confirmation"):
        problems.append("finishing sent without asking")
    ok = not problems and driver["recipients"] == len(customers) and driver["sent"] == sum(expected.values())
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
