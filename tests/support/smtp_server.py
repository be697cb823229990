"""A real SMTP server for the tests: aiosmtpd on a free port of 127.0.0.1.

Each message received is stored as <folder>/<n>.eml with its envelope in <n>.env (the sender on the first
line, one recipient a line after it); <folder>/connections counts the connections. Prints the port on
stdout, then serves until its standard input closes.

--reject-message N --reject-code C   answer C (4xx or 5xx) to the DATA of message N instead of 250
--drop-message N                      close the connection instead of accepting message N
--starttls                            offer STARTTLS, with a self-signed certificate for 127.0.0.1 and localhost
                                      made for this server as <folder>/cert.pem
--smtps                               speak TLS from the first byte, with that certificate
--auth USER PASSWORD                  offer AUTH (PLAIN, LOGIN) and require it before MAIL; every attempt is
                                      appended to <folder>/auth as "user password tls|plain"
--auth-without-tls                    offer AUTH on an unencrypted connection too
--bearer TOKENS                       offer AUTH XOAUTH2 and OAUTHBEARER, required before MAIL; a token is good
                                      while the file TOKENS (as oauth2_server.py writes it) holds it, its user and
                                      an expiry ahead. A refusal is a 334 JSON error, then 535 (Gmail, RFC 7628);
                                      attempts go to <folder>/auth as "user MECHANISM:token tls|plain"
--mechanisms LIST                     the bearer mechanisms offered, comma-separated (default both)
--close-after N                       close the connection right after the reply to message N
--delay-message N --delay S           wait S seconds before the reply to the DATA of message N
--hang-greeting                       accept connections but never greet
--hang-message N                      never reply to the DATA of message N (once); what the client sends after
                                      it is appended to <folder>/late
--refuse-mail                         answer 552 to every MAIL
--refuse-rcpt ADDRESS                 answer 550 to RCPT of that address
--size N                              advertise SIZE N (RFC 1870) and refuse larger messages
--rcpt-limit N                        answer 452 to every RCPT after the first N of a transaction
--no-smtputf8                         do not offer SMTPUTF8 (RFC 6531)
--delay-greeting S                    greet S seconds after a connection is made
--no-accept                           no SMTP at all: a port whose queue is full, so that a connection is never
                                      made
The EHLO names are appended to <folder>/ehlo, one a line; every connection that greeted appends "quit" or
"dropped" to <folder>/ends when it closes.
"""

import argparse
import asyncio
import json
import os
import socket
import ssl
import subprocess
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import MISSING, SMTP, AuthResult


class Store:
    def __init__(self, folder, args):
        self.folder = folder
        self.count = 0
        self.connections = 0
        self.args = args
        self.reject_message = args.reject_message
        self.reject_code = args.reject_code
        self.drop_message = args.drop_message
        self.hang_greeting = False  # set once the controller's own check has been answered
        self.delay_greeting = 0  # likewise

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        with open(os.path.join(self.folder, "ehlo"), "a") as f:
            f.write(hostname + "\n")
        return responses

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.args.refuse_mail:
            return "552 5.3.4 sender <%s> refused by the test server" % address
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.args.rcpt_limit and len(envelope.rcpt_tos) >= self.args.rcpt_limit:
            return "452 4.5.3 Too many recipients"
        if address == self.args.refuse_rcpt:
            return "550 5.1.1 <%s> no such user here" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_QUIT(self, server, session, envelope):
        server.said_quit = True
        return "221 Bye"

    def write_connections(self):
        with open(os.path.join(self.folder, "connections"), "w") as f:
            f.write(str(self.connections))

    async def handle_DATA(self, server, session, envelope):
        number = self.count + 1
        if number == self.args.delay_message:
            await asyncio.sleep(self.args.delay)
        if number == self.args.hang_message:
            self.args.hang_message = 0  # once: the next connection's message goes through
            server.hung = True
            await asyncio.Event().wait()
        if number == self.drop_message:
            server.transport.close()
            return "421 closing"
        if number == self.reject_message:
            self.count = number  # the attempt counts, so that later messages keep their numbers
            return "%d message %d refused by the test server" % (self.reject_code, number)
        self.count = number
        base = os.path.join(self.folder, str(number))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w") as f:
            f.write(envelope.mail_from + "\n")
            for rcpt in envelope.rcpt_tos:
                f.write(rcpt + "\n")
        if number == self.args.close_after:
            # The reply, then the end of the line at once: the client finds it closed before its next message.
            server.transport.write(b"250 OK message %d stored\r\n" % number)
            server.transport.close()
        return "250 OK message %d stored" % number

    def bearer_good(self, user, token):
        with open(self.args.bearer) as f:
            return any(w[0] == token and w[2] == user and int(w[1]) > time.time() for w in map(str.split, f))

    async def bearer(self, server, args, mechanism):
        if len(args) > 1:  # libcurl sends no initial response; this server takes none
            return AuthResult(success=False, handled=False, message="501 5.5.4 no initial response, please")
        blob = await server.challenge_auth("")
        if blob is MISSING:
            return AuthResult(success=False, handled=True)
        fields = blob.split(b"\x01")
        if mechanism == "OAUTHBEARER":  # "n,a=USER," then key=value pairs (RFC 7628 3.1)
            header = fields[0].split(b",")
            user = next((h[2:] for h in header if h.startswith(b"a=")), b"")
        else:  # "user=USER" then "auth=Bearer TOKEN"
            user = next((f[5:] for f in fields if f.startswith(b"user=")), b"")
        auth = next((f[5:] for f in fields if f.startswith(b"auth=")), b"")
        token = auth[7:] if auth.startswith(b"Bearer ") else b""
        with open(os.path.join(self.folder, "auth"), "ab") as f:
            f.write(b"%s %s:%s %s\n" % (user, mechanism.encode(), token, encryption(server)))
        if self.bearer_good(user.decode(errors="replace"), token.decode(errors="replace")):
            return AuthResult(success=True, auth_data=user)
        status = "400" if mechanism == "XOAUTH2" else "invalid_token"
        error = {"status": status, "schemes": "bearer", "scope": "https://mail.google.com/"}
        # The client answers the error with a dummy response (^A), and is refused after it.
        if await server.challenge_auth(json.dumps(error)) is MISSING:
            return AuthResult(success=False, handled=True)
        return AuthResult(success=False, handled=False, message="535 5.7.8 Username and Password not accepted")

    async def auth_XOAUTH2(self, server, args):
        return await self.bearer(server, args, "XOAUTH2")

    async def auth_OAUTHBEARER(self, server, args):
        return await self.bearer(server, args, "OAUTHBEARER")


class CountingSMTP(SMTP):
    def connection_made(self, transport):
        if self.event_handler.hang_greeting:
            self.silent = transport  # kept open, and never answered
            return
        super().connection_made(transport)
        # STARTTLS makes the same connection again over TLS: count each one once.
        if getattr(self, "_counted", False):
            return
        self._counted = True
        self.event_handler.connections += 1
        self.event_handler.write_connections()

    async def _handle_client(self):
        if self.event_handler.delay_greeting:
            await asyncio.sleep(self.event_handler.delay_greeting)
        await super()._handle_client()

    def data_received(self, data):
        if getattr(self, "hung", False):
            with open(os.path.join(self.event_handler.folder, "late"), "ab") as f:
                f.write(data)
        super().data_received(data)

    def connection_lost(self, error):
        if getattr(self, "silent", None):
            return
        if getattr(self, "session", None) is not None and self.session.host_name:
            with open(os.path.join(self.event_handler.folder, "ends"), "a") as f:
                f.write("quit\n" if getattr(self, "said_quit", False) else "dropped\n")
        super().connection_lost(error)


class CountingController(Controller):
    def factory(self):
        return CountingSMTP(self.handler, **self.SMTP_kwargs)


class Authenticator:
    def __init__(self, folder, user, password):
        self.path = os.path.join(folder, "auth")
        self.user = user.encode()
        self.password = password.encode()

    def __call__(self, server, session, envelope, mechanism, auth_data):
        login = auth_data.login or b""
        password = auth_data.password or b""
        with open(self.path, "ab") as f:
            f.write(login + b" " + password + b" " + encryption(server) + b"\n")
        # handled=False: aiosmtpd then answers a refusal with 535 itself.
        return AuthResult(success=login == self.user and password == self.password, handled=False)


def encryption(server):
    return b"tls" if server.session.ssl or server.transport.get_extra_info("ssl_object") else b"plain"


def tls_context(folder):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                   check=True, capture_output=True)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def never_accept(folder):
    # A backlog of none that one connection fills: the kernel drops every later SYN, so a connect waits.
    with open(os.path.join(folder, "connections"), "w") as f:
        f.write("0")
    with socket.socket() as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen(0)
        filler = socket.create_connection(listener.getsockname())
        print(listener.getsockname()[1], flush=True)
        sys.stdin.read()
        filler.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--reject-message", type=int, default=0)
    parser.add_argument("--reject-code", type=int, default=554)
    parser.add_argument("--drop-message", type=int, default=0)
    parser.add_argument("--starttls", action="store_true")
    parser.add_argument("--smtps", action="store_true")
    parser.add_argument("--auth", nargs=2, metavar=("USER", "PASSWORD"))
    parser.add_argument("--auth-without-tls", action="store_true")
    parser.add_argument("--bearer", default="")
    parser.add_argument("--mechanisms", default="XOAUTH2,OAUTHBEARER")
    parser.add_argument("--close-after", type=int, default=0)
    parser.add_argument("--delay-message", type=int, default=0)
    parser.add_argument("--delay", type=float, default=0)
    parser.add_argument("--hang-greeting", action="store_true")
    parser.add_argument("--hang-message", type=int, default=0)
    parser.add_argument("--refuse-mail", action="store_true")
    parser.add_argument("--refuse-rcpt", default="")
    parser.add_argument("--size", type=int, default=0)
    parser.add_argument("--rcpt-limit", type=int, default=0)
    parser.add_argument("--no-smtputf8", action="store_true")
    parser.add_argument("--delay-greeting", type=float, default=0)
    parser.add_argument("--no-accept", action="store_true")
    args = parser.parse_args()
    if args.no_accept:
        return never_accept(args.folder)

    store = Store(args.folder, args)
    store.write_connections()
    port = free_port()
    kwargs = {"data_size_limit": args.size, "enable_SMTPUTF8": not args.no_smtputf8}
    if args.starttls:
        kwargs["tls_context"] = tls_context(args.folder)
    if args.smtps:
        kwargs["ssl_context"] = tls_context(args.folder)
    if args.auth:
        kwargs["authenticator"] = Authenticator(args.folder, *args.auth)
    offered = (["PLAIN", "LOGIN"] if args.auth else []) + (args.mechanisms.split(",") if args.bearer else [])
    kwargs["auth_exclude_mechanism"] = [m for m in ("PLAIN", "LOGIN", "XOAUTH2", "OAUTHBEARER") if m not in offered]
    if args.auth or args.bearer:
        kwargs["auth_required"] = True
        # aiosmtpd counts only STARTTLS as TLS; an smtps line is encrypted from the start.
        kwargs["auth_require_tls"] = not (args.auth_without_tls or args.smtps)
    controller = CountingController(store, hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    # start() checks the server with a connection of its own; only ours count.
    store.hang_greeting = args.hang_greeting
    store.delay_greeting = args.delay_greeting
    store.connections = 0
    store.write_connections()
    print(port, flush=True)
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
