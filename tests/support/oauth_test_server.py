"""An OAuth2 authorization server and an SMTP server that logs in with XOAUTH2
only, in one process, for the sign-in tests; see OAuthTestServer.h.

HTTP on 127.0.0.1: GET /authorize (redirects at once, as if the person had
signed in; with a scope containing "refuse" as if they had declined), POST
/token (authorization_code with PKCE, refresh_token; refresh tokens are turned
over on every use), POST /revoke. SMTP takes AUTH XOAUTH2 only with a current
access token. Prints "READY <http port> <smtp port>", serves until stdin
closes; events go to <dir>/events.log, one line each.
"""

import argparse
import asyncio
import base64
import hashlib
import json
import os
import random
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from aiosmtpd.smtp import SMTP, AuthResult


class Grants:
    def __init__(self, directory, client_id, lifetime):
        self.lock = threading.Lock()
        self.log_path = os.path.join(directory, "events.log")
        self.client_id = client_id
        self.lifetime = lifetime
        self.codes = {}      # code -> (challenge, redirect_uri)
        self.refresh = set()
        self.access = {}     # token -> expiry

    def log(self, line):
        with self.lock, open(self.log_path, "a", encoding="utf-8") as out:
            out.write(line + "\n")

    def issue(self):
        access = secrets.token_urlsafe(24)
        refresh = secrets.token_urlsafe(24)
        with self.lock:
            self.access[access] = time.monotonic() + self.lifetime
            self.refresh.add(refresh)
        return {"access_token": access, "refresh_token": refresh,
                "token_type": "Bearer", "expires_in": self.lifetime}

    def current(self, token):
        with self.lock:
            return self.access.get(token, 0) > time.monotonic()


def s256(verifier):
    digest = hashlib.sha256(verifier.encode()).digest()
    return base64.urlsafe_b64encode(digest).rstrip(b"=").decode()


def http_handler(grants):
    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def answer(self, status, body=None, headers=()):
            data = json.dumps(body).encode() if body is not None else b""
            self.send_response(status)
            for name, value in headers:
                self.send_header(name, value)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def refuse(self, code, why):
            grants.log("refused %s %s" % (self.path.split("?")[0], code))
            self.answer(400, {"error": code, "error_description": why})

        def do_GET(self):
            url = urllib.parse.urlsplit(self.path)
            if url.path != "/authorize":
                return self.answer(404)
            q = dict(urllib.parse.parse_qsl(url.query))
            if q.get("client_id") != grants.client_id or q.get("code_challenge_method") != "S256" \
                    or not q.get("code_challenge") or q.get("response_type") != "code":
                return self.refuse("invalid_request", "client, PKCE or response type wrong")
            if "refuse" in q.get("scope", ""):
                grants.log("authorize refused")
                return self.answer(302, headers=[("Location", q["redirect_uri"] + "?" + urllib.parse.urlencode(
                    {"error": "access_denied", "error_description": "Zugriff verweigert",
                     "state": q.get("state", "")}))])
            code = secrets.token_urlsafe(16)
            with grants.lock:
                grants.codes[code] = (q["code_challenge"], q.get("redirect_uri", ""))
            grants.log("authorize scope=%s" % q.get("scope", ""))
            target = q["redirect_uri"] + "?" + urllib.parse.urlencode(
                {"code": code, "state": q.get("state", "")})
            self.answer(302, headers=[("Location", target)])

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            form = dict(urllib.parse.parse_qsl(self.rfile.read(length).decode()))
            path = urllib.parse.urlsplit(self.path).path
            if path == "/revoke":
                with grants.lock:
                    grants.refresh.discard(form.get("token", ""))
                grants.log("revoke")
                return self.answer(200, {})
            if path != "/token":
                return self.answer(404)
            if form.get("client_id") != grants.client_id:
                return self.refuse("invalid_client", "unknown client")
            kind = form.get("grant_type")
            if kind == "authorization_code":
                with grants.lock:
                    challenge, redirect = grants.codes.pop(form.get("code", ""), (None, None))
                if challenge is None or s256(form.get("code_verifier", "")) != challenge:
                    return self.refuse("invalid_grant", "code or verifier wrong")
                if urllib.parse.unquote(form.get("redirect_uri", "")) != redirect:
                    return self.refuse("invalid_grant", "redirect differs")
            elif kind == "refresh_token":
                with grants.lock:
                    known = form.get("refresh_token") in grants.refresh
                    grants.refresh.discard(form.get("refresh_token"))
                if not known:
                    return self.refuse("invalid_grant", "refresh token revoked or unknown")
            else:
                return self.refuse("unsupported_grant_type", kind or "")
            grants.log("token %s" % kind)
            self.answer(200, grants.issue())

    return Handler


class XOAuth2SMTP(SMTP):
    def __init__(self, handler, grants, **kwargs):
        super().__init__(handler, **kwargs)
        self.grants = grants

    async def auth_XOAUTH2(self, _, args):
        if len(args) > 1:
            raw = args[1]
        else:
            raw = await self.challenge_auth("", encode_to_b64=False)
            raw = raw.decode() if isinstance(raw, bytes) else ""
        try:
            fields = dict(part.split("=", 1) for part in
                          base64.b64decode(raw).decode().split("\x01") if "=" in part)
        except ValueError:
            fields = {}
        bearer = fields.get("auth", "")
        ok = bearer.startswith("Bearer ") and self.grants.current(bearer[7:])
        self.grants.log("smtp-auth %s %s" % ("ok" if ok else "refused", fields.get("user", "")))
        return AuthResult(success=ok, handled=False,
                          message=None if ok else "535 5.7.3 Authentication unsuccessful")


class MailHandler:
    def __init__(self, grants):
        self.grants = grants

    async def handle_DATA(self, server, session, envelope):
        if not session.authenticated:
            return "530 5.7.0 Authentication required"
        self.grants.log("smtp-message %s" % " ".join(envelope.rcpt_tos))
        return "250 2.0.0 Ok: queued"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--client-id", required=True)
    parser.add_argument("--lifetime", type=int, default=3600)
    options = parser.parse_args()
    grants = Grants(options.dir, options.client_id, options.lifetime)

    http = ThreadingHTTPServer(("127.0.0.1", 0), http_handler(grants))
    threading.Thread(target=http.serve_forever, daemon=True).start()

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = MailHandler(grants)
    # The account dialog's port field takes four digits.
    for port in random.sample(range(2000, 10000), 500):
        try:
            smtp = loop.run_until_complete(loop.create_server(
                lambda: XOAuth2SMTP(handler, grants, hostname="velmora-oauth-test", auth_require_tls=False,
                                    auth_exclude_mechanism=["PLAIN", "LOGIN"], loop=loop),
                "127.0.0.1", port))
            break
        except OSError:
            continue
    print("READY %d %d" % (http.server_address[1], smtp.sockets[0].getsockname()[1]), flush=True)
    loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1(4096) or loop.stop())
    loop.run_forever()
    http.shutdown()


if __name__ == "__main__":
    main()
