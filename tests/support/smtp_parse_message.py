"""Parses one raw message (stdin) with Python's email package and prints JSON;
the keys are described at SmtpTestServer::parse."""

import base64
import email
import email.policy
import io
import json
import re
import sys
import zipfile


def structure(part):
    if part.is_multipart():
        return "%s(%s)" % (part.get_content_type(),
                           ",".join(structure(p) for p in part.iter_parts()))
    return part.get_content_type()


def zip_entries(data):
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            return [{"name": info.filename, "compressType": info.compress_type,
                     "data": base64.b64encode(archive.read(info)).decode()}
                    for info in archive.infolist()]
    except zipfile.BadZipFile:
        return None


def leaf(part):
    entry = {"contentType": part.get_content_type(),
             "charset": part.get_content_charset() or "",
             "filename": part.get_filename() or ""}
    payload = part.get_payload(decode=True) or b""
    if part.get_content_maintype() == "text" and not entry["filename"]:
        # Wire lines end in CRLF, the written text in LF.
        entry["text"] = payload.decode(entry["charset"] or "ascii").replace("\r\n", "\n")
    else:
        entry["data"] = base64.b64encode(payload).decode()
        entries = zip_entries(payload) if entry["filename"].endswith(".zip") else None
        if entries is not None:
            entry["zipEntries"] = entries
    return entry


def main():
    raw = sys.stdin.buffer.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    head = raw.split(b"\r\n\r\n", 1)[0]
    headers = {}
    for name, value in message.items():
        headers.setdefault(name, []).append(str(value))
    result = {
        "headers": headers,
        "headerLines": sum(1 for line in head.split(b"\r\n") if line and line[:1] not in b" \t"),
        "maxLineLength": max(len(line) for line in raw.split(b"\r\n")),
        "bareLineEnds": len(re.findall(rb"\r(?!\n)|(?<!\r)\n", raw)),
        "structure": structure(message),
        "parts": [leaf(p) for p in message.walk() if not p.is_multipart()],
    }
    print(json.dumps(result))


if __name__ == "__main__":
    main()
