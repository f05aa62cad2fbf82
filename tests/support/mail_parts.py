"""Decodes mails as a receiving client would (Python's own parser shares no code with the sender) and prints
one JSON list: per file {"headers": {lower-case name: decoded value}, "text": ..., "html": ...,
"attachments": [{"filename": ..., "hex": payload, "zipped": {member: hex} for a ZIP archive}]}."""

import email
import email.policy
import io
import json
import sys
import zipfile


def unzipped(payload):
    if not zipfile.is_zipfile(io.BytesIO(payload)):
        return {}
    with zipfile.ZipFile(io.BytesIO(payload)) as archive:
        return {name: archive.read(name).hex() for name in archive.namelist()}


def attachment(part):
    payload = part.get_payload(decode=True)
    return {"filename": part.get_filename() or "", "hex": payload.hex(), "zipped": unzipped(payload)}


def describe(path):
    with open(path, "rb") as handle:
        message = email.message_from_binary_file(handle, policy=email.policy.default)
    headers = {}
    for name, value in message.items():
        headers.setdefault(name.lower(), str(value))
    text = message.get_body(preferencelist=("plain",))
    html = message.get_body(preferencelist=("html",))
    attachments = [attachment(part) for part in message.iter_attachments()
                   if part.get_content_maintype() != "multipart"]
    return {"headers": headers,
            "text": text.get_content() if text is not None else "",
            "html": html.get_content() if html is not None else "",
            "attachments": attachments}


json.dump([describe(path) for path in sys.argv[1:]], sys.stdout)
