"""An HTTPS server for the tests on a free port of 127.0.0.1 that publishes a mail domain's autoconfig file (the
clientConfig 1.1 format of Thunderbird's ISP database) at /mail/config-v1.1.xml, as autoconfig.<domain> does, and at
/.well-known/autoconfig/mail/config-v1.1.xml, as <domain> does; the query (?emailaddress=...) is not needed.

Its certificate is self-signed, made with openssl for 127.0.0.1, localhost and each --name, into FOLDER/cert.pem,
for a client to trust: QSslConfiguration::addCaCertificates in the test's process (Qt 6.4 reads neither
SSL_CERT_FILE nor SSL_CERT_DIR), CURLOPT_CAINFO, curl --cacert, or SSL_CERT_FILE for a client on OpenSSL's defaults.

--folder FOLDER        where the certificate and the request log go (default: a new temporary folder, removed at the
                       end)
--name NAME            also a name of the certificate (repeat for more), e.g. autoconfig.example.org
--config FILE          serve this file as it is; without it, a file is made from the options below:
--domain DOMAIN        the emailProvider id and domain (default: example.org)
--hostname HOST        the outgoingServer's hostname (default: smtp.DOMAIN)
--port PORT            its port (default: 587)
--socket-type TYPE     its socketType: SSL, STARTTLS or plain (default: STARTTLS)
--authentication AUTH  its authentication (default: password-cleartext; also OAuth2, none...)
--username NAME        its username (default: %EMAILADDRESS%)
                       The made file also has an IMAP incomingServer, as real ones do, that a sender must pass over.
--delay SECONDS        wait this long before each answer, for a client's time-out
--not-found WHICH      answer 404 at "mail", "well-known" or "both" of the two places
--redirect URL         answer 301 to URL at the places that are found
Each request is appended to FOLDER/requests as "PATH STATUS", PATH with its query. Prints the port on stdout, then
the certificate file's path, and serves until stdin closes.
"""

import argparse
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from xml.sax.saxutils import escape

PLACES = {"/mail/config-v1.1.xml": "mail", "/.well-known/autoconfig/mail/config-v1.1.xml": "well-known"}


def made_config(args):
    def server(kind, kind_type, hostname, port, socket_type, authentication, username):
        return """    <%s type="%s">
      <hostname>%s</hostname>
      <port>%d</port>
      <socketType>%s</socketType>
      <authentication>%s</authentication>
      <username>%s</username>
    </%s>
""" % (kind, kind_type, escape(hostname), port, escape(socket_type), escape(authentication), escape(username), kind)

    domain = escape(args.domain)
    return ("""<?xml version="1.0" encoding="UTF-8"?>
<clientConfig version="1.1">
  <emailProvider id="%s">
    <domain>%s</domain>
    <displayName>Mail at %s</displayName>
    <displayShortName>%s</displayShortName>
""" % (domain, domain, domain, domain) +
            server("incomingServer", "imap", "imap." + args.domain, 993, "SSL", "password-cleartext",
                   "%EMAILADDRESS%") +
            server("outgoingServer", "smtp", args.hostname or "smtp." + args.domain, args.port, args.socket_type,
                   args.authentication, args.username) +
            "  </emailProvider>\n</clientConfig>\n").encode()


def certificate(folder, names):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    alt = ",".join(["IP:127.0.0.1", "DNS:localhost"] + ["DNS:" + name for name in names])
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=" + alt],
                   check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return cert, context


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A client that refused the certificate or gave up waiting: one line, not a traceback.
        print("autoconfig_server.py: %s" % sys.exc_info()[1], file=sys.stderr, flush=True)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass  # FOLDER/requests says what the tests need

    def do_GET(self):
        settings = self.server.settings
        place = PLACES.get(urllib.parse.urlsplit(self.path).path)
        found = place is not None and settings.not_found not in (place, "both")
        status = (301 if settings.redirect else 200) if found else 404
        with open(os.path.join(settings.folder, "requests"), "a") as f:
            f.write("%s %d\n" % (self.path, status))
        time.sleep(settings.delay)
        body = settings.body if found else b"not found\n"
        self.send_response(status)
        if status == 301:
            self.send_header("Location", settings.redirect)
        self.send_header("Content-Type", "text/xml; charset=utf-8" if found else "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", default="")
    parser.add_argument("--name", action="append", default=[])
    parser.add_argument("--config", default="")
    parser.add_argument("--domain", default="example.org")
    parser.add_argument("--hostname", default="")
    parser.add_argument("--port", type=int, default=587)
    parser.add_argument("--socket-type", default="STARTTLS")
    parser.add_argument("--authentication", default="password-cleartext")
    parser.add_argument("--username", default="%EMAILADDRESS%")
    parser.add_argument("--delay", type=float, default=0)
    parser.add_argument("--not-found", choices=["mail", "well-known", "both"], default="")
    parser.add_argument("--redirect", default="")
    args = parser.parse_args()

    temporary = not args.folder
    if temporary:
        args.folder = tempfile.mkdtemp(prefix="autoconfig-")
    if args.config:
        with open(args.config, "rb") as f:
            args.body = f.read()
    else:
        args.body = made_config(args)
    cert, context = certificate(args.folder, args.name)

    httpd = Server(("127.0.0.1", 0), Handler)
    httpd.settings = args
    # The handshake in the request's thread, so that a client that never speaks holds up no other.
    httpd.socket = context.wrap_socket(httpd.socket, server_side=True, do_handshake_on_connect=False)
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    print(httpd.server_address[1], flush=True)
    print(cert, flush=True)
    sys.stdin.read()
    httpd.shutdown()
    if temporary:
        shutil.rmtree(args.folder)


if __name__ == "__main__":
    main()
