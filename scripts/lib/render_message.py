"""Renders the HTML body of one delivered demo message with headless Chromium:
a screenshot, and the printed page (PDF, then text and a picture of it through
poppler), which is compared with the plain part: every written line on the page,
no more blank lines than the plain part has. Exit code 1 when they differ."""
import email
import html as htmlcodec
import email.policy
import json
import mailbox
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

CHROMIUM = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync"]


def collapsed(line):
    return " ".join(re.sub(r"^\s*(•|\d+\.)\s", "", line).split())


def compare(plain, printed):
    plain_lines = plain.replace("\r\n", "\n").rstrip().split("\n")
    page_lines = printed.replace("\f", "").rstrip().split("\n")
    problems = []
    blank_plain = sum(1 for line in plain_lines if not line.strip())
    blank_page = sum(1 for line in page_lines if not line.strip())
    if blank_page > blank_plain:
        problems.append(f"{blank_page} blank lines on the page, {blank_plain} in the plain part")
    page = collapsed(" ".join(page_lines))
    position = 0
    for line in plain_lines:
        wanted = collapsed(line)
        if not wanted:
            continue
        found = page.find(wanted, position)
        if found < 0:
            problems.append(f"not on the page: {wanted}")
        else:
            position = found + len(wanted)
    return problems


def shoot_as_received(message, png):
    """The test mail as a mail program shows it: its headers above its HTML."""
    attachments = ", ".join(part.get_filename() for part in message.walk() if part.get_filename())
    head = "".join(f"<div><b>{name}:</b> {htmlcodec.escape(str(value))}</div>"
                   for name, value in (("Von", message["From"]), ("An", message["To"]),
                                       ("Betreff", message["Subject"]), ("Anlagen", attachments)))
    page_html = (f"<!DOCTYPE html><meta charset='utf-8'><div style='font:13px sans-serif;background:#eef;"
                 f"padding:8px;border-bottom:1px solid #99a'>{head}</div>"
                 + message.get_body(preferencelist=("html",)).get_content())
    with tempfile.TemporaryDirectory() as profile:
        page = Path(profile) / "test.html"
        page.write_text(page_html, encoding="utf-8")
        subprocess.run(CHROMIUM + [f"--user-data-dir={profile}/data", "--window-size=900,560",
                                   f"--screenshot={png}", page.as_uri()], check=True, timeout=120,
                       capture_output=True)


def main(out_dir):
    out = Path(out_dir)
    screens = out / "screens"
    box = mailbox.Maildir(str(out / "maildir"), create=False)
    messages = [email.message_from_bytes(raw.as_bytes(), policy=email.policy.default) for raw in box.values()]
    tests = [m for m in messages if m["Subject"].startswith("[Test] ")]
    message = next(m for m in messages if not m["Subject"].startswith("[Test] "))
    if tests:
        shoot_as_received(tests[0], screens / "9b-testversand.png")
    html = message.get_body(preferencelist=("html",)).get_content()
    plain = message.get_body(preferencelist=("plain",)).get_content()
    with tempfile.TemporaryDirectory() as profile:
        page = Path(profile) / "message.html"
        page.write_text(html, encoding="utf-8")
        pdf = out / "nachricht.pdf"
        common = CHROMIUM + [f"--user-data-dir={profile}/data"]
        subprocess.run(common + ["--window-size=900,700", f"--screenshot={screens / '6-nachricht-html.png'}",
                                 page.as_uri()], check=True, timeout=120, capture_output=True)
        subprocess.run(common + ["--no-pdf-header-footer", f"--print-to-pdf={pdf}", page.as_uri()],
                       check=True, timeout=120, capture_output=True)
    if not shutil.which("pdftotext"):
        print("(pdftotext missing: the printed page is not checked)", file=sys.stderr)
        return 0
    printed = subprocess.run(["pdftotext", "-layout", str(pdf), "-"], check=True, capture_output=True,
                             text=True).stdout
    subprocess.run(["pdftoppm", "-png", "-r", "70", "-singlefile", str(pdf), str(screens / "6-nachricht-gedruckt")],
                   check=True, timeout=120)
    problems = compare(plain, printed)
    (out / "printed.json").write_text(json.dumps({"printed_as_typed": not problems, "problems": problems},
                                                 ensure_ascii=False, indent=2) + "\n", encoding="utf-8")
    for problem in problems:
        print("printed page:", problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
