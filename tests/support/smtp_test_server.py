"""Recording SMTP server (aiosmtpd) for the tests; see SmtpTestServer.h.

Prints "READY <port>", serves until stdin closes. Under --dir: sessions/NNN/
commands.log (AUTH without payload), MMM.eml, MMM.envelope, closed; ca.pem with TLS.
"""

import argparse
import asyncio
import base64
import hmac
import os
import random
import ssl
import subprocess
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def openssl(directory, *args):
    subprocess.run(["openssl", *args], check=True, cwd=directory,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def server_context(directory):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(os.path.join(directory, "server.pem"),
                            os.path.join(directory, "server.key"))
    return context


def make_certificates(directory):
    def run(*args):
        openssl(directory, *args)
    curve = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run("req", "-x509", *curve, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
        "-subj", "/CN=Velmora Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("req", *curve, "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost")
    with open(os.path.join(directory, "server.ext"), "w") as ext:
        ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                  "extendedKeyUsage=serverAuth\n")
    run("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
        "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext")
    return server_context(directory)


def make_self_signed(directory, common_name, days):
    """A certificate such as a man in the middle would present: self-signed,
    with any common name (markup included) and, with days -1, expired."""
    subject = "/CN=" + common_name.replace("\\", "\\\\").replace("/", "\\/")
    openssl(directory, "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
            "-nodes", "-keyout", "server.key", "-out", "server.csr", "-utf8", "-subj", subject)
    openssl(directory, "x509", "-req", "-in", "server.csr", "-signkey", "server.key",
            "-days", str(days), "-out", "server.pem")
    return server_context(directory)


class Session:
    count = 0
    tempfail_once_used = False

    def __init__(self, directory):
        Session.count += 1
        self.path = os.path.join(directory, "sessions", "%03d" % Session.count)
        os.makedirs(self.path)
        self.messages = 0

    def log(self, line):
        with open(os.path.join(self.path, "commands.log"), "a", encoding="utf-8",
                  errors="backslashreplace") as out:
            out.write(line + "\n")

    def store(self, envelope):
        self.messages += 1
        stem = os.path.join(self.path, "%03d" % self.messages)
        with open(stem + ".eml.part", "wb") as out:
            out.write(envelope.original_content)
        os.rename(stem + ".eml.part", stem + ".eml")
        with open(stem + ".envelope", "w", encoding="utf-8") as out:
            out.write("MAIL %s\n" % envelope.mail_from)
            for rcpt in envelope.rcpt_tos:
                out.write("RCPT %s\n" % rcpt)

    def close(self):
        open(os.path.join(self.path, "closed"), "w").close()


class Handler:
    def __init__(self, options):
        self.options = options

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if not self.options.auth:
            responses = [r for r in responses if not r.startswith("250-AUTH")]
        return responses

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        lowered = address.lower()
        if "tempfail-once" in lowered and not Session.tempfail_once_used:
            Session.tempfail_once_used = True
            return "451 4.3.0 Temporary local problem"
        if "tempfail" in lowered and "tempfail-once" not in lowered:
            return "451 4.3.0 Temporary local problem"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if "refuse" in address.lower():
            return "550 5.1.1 <%s>: user unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if any("reject-data" in r.lower() for r in envelope.rcpt_tos):
            return "554 5.6.0 Message content rejected"
        server.recording.store(envelope)
        drop = self.options.drop_after
        if drop and server.recording.messages >= drop:
            asyncio.get_event_loop().call_soon(server.drop_connection)
        return "250 2.0.0 Ok: queued"


class RecordingSMTP(SMTP):
    def __init__(self, handler, directory, credentials=("", ""), **kwargs):
        self.credentials = credentials
        super().__init__(handler, **kwargs)
        self.directory = directory
        self.recording = None
        for name, method in list(self._smtp_methods.items()):
            self._smtp_methods[name] = self._logged(name, method)

    def _logged(self, name, method):
        async def wrapper(arg):
            # AUTH carries credentials: keep the mechanism, drop the payload.
            shown = (arg or "").split(" ")[0] if name == "AUTH" else (arg or "")
            self.recording.log((name + " " + shown).rstrip())
            return await method(arg)
        return wrapper

    async def push(self, status):
        text = status.decode("utf-8", "replace") if isinstance(status, bytes) else status
        if text.startswith('500 Error: command "') or text.startswith("500 Error: bad"):
            self.recording.log("UNRECOGNIZED")
        return await super().push(status)

    def connection_made(self, transport):
        if self.recording is None:
            self.recording = Session(self.directory)
        super().connection_made(transport)

    def connection_lost(self, error):
        super().connection_lost(error)
        if self.recording is not None:
            # The socket closes only after this returns.
            self.loop.call_soon(self.recording.close)

    async def auth_CRAM__MD5(self, _, args):
        challenge = "<%d.%d@velmora-test>" % (os.getpid(), id(self))
        response = await self.challenge_auth(challenge)
        if not isinstance(response, bytes):
            return AuthResult(success=False)
        user, _, digest = response.decode("utf-8", "replace").rpartition(" ")
        wanted = self.credentials
        expected = hmac.new(wanted[1].encode(), challenge.encode(), "md5").hexdigest()
        ok = user == wanted[0] and hmac.compare_digest(digest, expected)
        return AuthResult(success=ok, handled=False)

    async def auth_XOAUTH2(self, _, args):
        # The configured password stands for the access token.
        wanted = ("user=%s\x01auth=Bearer %s\x01\x01" % self.credentials).encode()
        try:
            blob = base64.b64decode(args[1]) if len(args) > 1 else b""
        except ValueError:
            blob = b""
        return AuthResult(success=hmac.compare_digest(blob, wanted), handled=False)

    def drop_connection(self):
        if self.transport is not None:
            self.transport.close()


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == user and auth_data.password.decode() == password)
        return AuthResult(success=ok, handled=False)
    return check


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--short-port", action="store_true")  # a free port below 10000
    for flag in ("--tls", "--implicit-tls", "--require-starttls"):
        parser.add_argument(flag, action="store_true")
    parser.add_argument("--auth", default="")  # USER:PASSWORD
    parser.add_argument("--mechanisms", default="PLAIN LOGIN")
    parser.add_argument("--drop-after", type=int, default=0)
    parser.add_argument("--self-signed", default="")  # common name of a self-signed certificate
    parser.add_argument("--valid-days", type=int, default=2)
    options = parser.parse_args()

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    os.makedirs(os.path.join(options.dir, "sessions"), exist_ok=True)
    context = None
    if options.self_signed:
        context = make_self_signed(options.dir, options.self_signed, options.valid_days)
    elif options.tls or options.implicit_tls:
        context = make_certificates(options.dir)
    handler = Handler(options)
    kwargs = dict(hostname="velmora-test", data_size_limit=0, enable_SMTPUTF8=True,
                  auth_require_tls=False, loop=loop)
    if context is not None and not options.implicit_tls:
        kwargs.update(tls_context=context, require_starttls=options.require_starttls)
    offered = options.mechanisms.split() if options.auth else []
    kwargs.update(auth_exclude_mechanism=[m for m in ("PLAIN", "LOGIN", "CRAM-MD5", "XOAUTH2")
                                               if m not in offered])
    if options.auth:
        user, _, password = options.auth.partition(":")
        kwargs.update(authenticator=authenticator(user, password), credentials=(user, password))

    ports = random.sample(range(2000, 10000), 500) if options.short_port else [options.port]
    for port in ports:
        try:
            server = loop.run_until_complete(loop.create_server(
                lambda: RecordingSMTP(handler, options.dir, **kwargs), "127.0.0.1", port,
                ssl=context if options.implicit_tls else None))
            break
        except OSError:
            if port == ports[-1]:
                raise
    print("READY %d" % server.sockets[0].getsockname()[1], flush=True)
    loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1(4096) or loop.stop())
    loop.run_forever()


if __name__ == "__main__":
    main()
