"""Renders the HTML body of one delivered demo message with headless Chromium."""
import email
import email.policy
import mailbox
import subprocess
import sys
import tempfile
from pathlib import Path


def main(out_dir):
    out = Path(out_dir)
    box = mailbox.Maildir(str(out / "maildir"), create=False)
    raw = next(iter(box.values()))
    message = email.message_from_bytes(raw.as_bytes(), policy=email.policy.default)
    body = message.get_body(preferencelist=("html",))
    with tempfile.TemporaryDirectory() as profile:
        page = Path(profile) / "message.html"
        page.write_text(body.get_content(), encoding="utf-8")
        subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking", "--disable-component-update",
                        "--disable-sync", f"--user-data-dir={profile}/data", "--window-size=900,700",
                        f"--screenshot={out / 'screens' / '6-nachricht-html.png'}", page.as_uri()],
                       check=True, timeout=120, capture_output=True)


if __name__ == "__main__":
    main(sys.argv[1])
