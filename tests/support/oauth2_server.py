"""A small OAuth2 authorization server for the tests, on a free port of 127.0.0.1: the authorization code flow with
PKCE (RFC 6749, RFC 7636 with S256 only) for a native client answered on a loopback redirect (RFC 8252).

GET /authorize   takes client_id, redirect_uri, response_type=code, code_challenge, code_challenge_method=S256,
                 and state and scope. The user consents at once: it redirects (302) to redirect_uri with code and the
                 same state. A redirect_uri that is not http on a loopback address (127.0.0.1 or [::1], any port and
                 path) or an unknown client_id is answered 400 without a redirect, as RFC 6749 4.1.2.1 wants; other
                 faults are redirected as error=invalid_request (or unsupported_response_type, invalid_scope).
POST /token      form-encoded. grant_type=authorization_code with code, redirect_uri (the same as in the
                 authorization), client_id and code_verifier (43 to 128 unreserved characters whose S256 is the
                 challenge); a code is good once, for 60 seconds. grant_type=refresh_token with refresh_token and
                 client_id. Answers JSON: access_token, token_type "Bearer", expires_in, scope, and refresh_token
                 after a code (and after each refresh with --rotate). Faults: 400 invalid_request, invalid_grant,
                 unsupported_grant_type; 401 invalid_client.

FOLDER/tokens    every access token issued, one a line: "TOKEN EXPIRY USER", EXPIRY in whole seconds since the epoch
                 (rounded up; the token is good while time() < EXPIRY), USER the --user address. The SMTP fixture should take a
                 bearer T for user U (XOAUTH2 "user=U^Aauth=Bearer T^A^A", OAUTHBEARER "n,a=U,^Aauth=Bearer T^A^A",
                 ^A the byte 1) only when a line holds T, U and an EXPIRY still ahead. Lines are only appended, but
                 for "expire" below, which replaces the file whole (a rename): a reader never sees half a line.
FOLDER/requests  one line a request: "authorize code", "authorize ERROR", "token GRANT_TYPE ok" or
                 "token GRANT_TYPE ERROR" (ERROR an RFC 6749 error code); the reason goes to stderr.

--client-id ID        the one client it knows (default: test-client)
--client-secret S     require this secret at /token (client_secret in the form, or HTTP Basic)
--user ADDRESS        who signs in (default: jo@example.org)
--scope SCOPE         the scopes an authorization must ask for, blank-separated (default: any)
--expires-in SECONDS  the lifetime of an access token (default: 3600)
--rotate              a refresh also issues a new refresh token, and the old one stops working
--deny                authorizations redirect with error=access_denied, as when the user says no
--wrong-state         authorizations redirect with a state other than the one given
--refuse-refresh      refreshes are answered invalid_grant, as when the user revoked the grant
--token-type TYPE     the token_type of the answers (default: Bearer)
--omit FIELD          leaves FIELD out of the token answers (may be given more than once)
Prints the port on stdout, then serves until stdin closes. Commands on stdin, each answered "ok" (or "error WHY"):
"allow", "deny", "wrong-state" (how the next authorizations go), "refuse-refresh", "accept-refresh", and "expire"
(every access token issued so far has expired).
"""

import argparse
import base64
import hashlib
import ipaddress
import json
import math
import os
import re
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

VERIFIER = re.compile(r"[A-Za-z0-9\-._~]{43,128}")
CHALLENGE = re.compile(r"[A-Za-z0-9\-_]{43}")


class OAuthError(Exception):
    def __init__(self, error, description, status=400):
        super().__init__(description)
        self.error, self.description, self.status = error, description, status


def loopback(uri):
    parts = urllib.parse.urlsplit(uri)
    try:
        return parts.scheme == "http" and ipaddress.ip_address(parts.hostname or "").is_loopback and not parts.fragment
    except ValueError:  # a name, even localhost (RFC 8252 8.3)
        return False


class Server:
    def __init__(self, args):
        self.args = args
        self.authorize_mode = "deny" if args.deny else "wrong-state" if args.wrong_state else "allow"
        self.refuse_refresh = args.refuse_refresh
        self.codes = {}  # code -> (redirect_uri, challenge, scope, time issued)
        self.refresh_tokens = {}  # refresh token -> scope
        self.tokens = []  # [token, expiry]
        self.lock = threading.Lock()

    def note(self, line, why=""):
        with open(os.path.join(self.args.folder, "requests"), "a") as f:
            f.write(line + "\n")
        if why:
            print("oauth2_server.py: %s: %s" % (line, why), file=sys.stderr, flush=True)

    def write_tokens(self, replace):
        path = os.path.join(self.args.folder, "tokens")
        lines = ["%s %d %s\n" % (token, expiry, self.args.user) for token, expiry in self.tokens]
        if replace:
            with open(path + ".new", "w") as f:
                f.writelines(lines)
            os.replace(path + ".new", path)
        else:
            with open(path, "a") as f:
                f.write(lines[-1])

    def authorize(self, query):
        """The URL to send the browser to, or an OAuthError for a request that must not be redirected."""
        redirect_uri = query.get("redirect_uri", "")
        if query.get("client_id") != self.args.client_id:
            raise OAuthError("invalid_client", "unknown client_id %r" % query.get("client_id"))
        if not loopback(redirect_uri):
            raise OAuthError("invalid_request", "redirect_uri %r is not http on a loopback address" % redirect_uri)
        answer = {}
        wanted = set(self.args.scope.split())
        if query.get("response_type") != "code":
            answer["error"] = "unsupported_response_type"
        elif query.get("code_challenge_method") != "S256" or not CHALLENGE.fullmatch(query.get("code_challenge", "")):
            answer["error"], answer["error_description"] = "invalid_request", "an S256 code_challenge is required"
        elif not wanted <= set(query.get("scope", "").split()):
            answer["error"], answer["error_description"] = "invalid_scope", "scope must hold " + self.args.scope
        elif self.authorize_mode == "deny":
            answer["error"] = "access_denied"
        else:
            code = "code-" + secrets.token_urlsafe(16)
            self.codes[code] = (redirect_uri, query["code_challenge"], query.get("scope", ""), time.monotonic())
            answer["code"] = code
        self.note("authorize " + answer.get("error", "code"), answer.get("error_description", ""))
        if "state" in query:
            answer["state"] = query["state"] + ("-not-yours" if self.authorize_mode == "wrong-state" else "")
        return redirect_uri + ("&" if "?" in redirect_uri else "?") + urllib.parse.urlencode(answer)

    def token(self, form, basic):
        client_id, secret = basic or (form.get("client_id"), form.get("client_secret"))
        if client_id != self.args.client_id or (self.args.client_secret and secret != self.args.client_secret):
            raise OAuthError("invalid_client", "unknown client or wrong secret", 401)
        grant = form.get("grant_type")
        if grant == "authorization_code":
            code = self.codes.pop(form.get("code", ""), None)  # once only, even when the rest is wrong
            if code is None or time.monotonic() - code[3] > 60:
                raise OAuthError("invalid_grant", "unknown, used or expired code")
            redirect_uri, challenge, scope, _ = code
            if form.get("redirect_uri") != redirect_uri:
                raise OAuthError("invalid_grant", "redirect_uri differs from the authorization's")
            verifier = form.get("code_verifier", "")
            if not VERIFIER.fullmatch(verifier):
                raise OAuthError("invalid_request", "code_verifier must be 43 to 128 unreserved characters")
            digest = base64.urlsafe_b64encode(hashlib.sha256(verifier.encode()).digest()).rstrip(b"=").decode()
            if digest != challenge:
                raise OAuthError("invalid_grant", "code_verifier does not match the code_challenge")
            refresh = "rt-" + secrets.token_urlsafe(24)
            self.refresh_tokens[refresh] = scope
        elif grant == "refresh_token":
            refresh = form.get("refresh_token", "")
            if self.refuse_refresh or refresh not in self.refresh_tokens:
                why = "refresh token revoked" if self.refuse_refresh else "unknown refresh token"
                raise OAuthError("invalid_grant", why)
            scope = self.refresh_tokens[refresh]
            if self.args.rotate:
                del self.refresh_tokens[refresh]
                refresh = "rt-" + secrets.token_urlsafe(24)
                self.refresh_tokens[refresh] = scope
            else:
                refresh = None
        else:
            raise OAuthError("unsupported_grant_type", "grant_type %r" % grant)
        access = "at-" + secrets.token_urlsafe(24)
        self.tokens.append([access, math.ceil(time.time() + self.args.expires_in)])
        self.write_tokens(replace=False)
        answer = {"access_token": access, "token_type": self.args.token_type, "expires_in": self.args.expires_in,
                  "scope": scope}
        if refresh:
            answer["refresh_token"] = refresh
        return {k: v for k, v in answer.items() if k not in self.args.omit}

    def command(self, line):
        if line in ("allow", "deny", "wrong-state"):
            self.authorize_mode = line
        elif line in ("refuse-refresh", "accept-refresh"):
            self.refuse_refresh = line == "refuse-refresh"
        elif line == "expire":
            now = int(time.time())
            for token in self.tokens:
                token[1] = min(token[1], now)
            self.write_tokens(replace=True)
        else:
            raise ValueError("unknown command %r" % line)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass  # the requests file says what the tests need

    def send(self, status, body, content_type, headers=()):
        data = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path != "/authorize":
            return self.send(404, "not found\n", "text/plain")
        server = self.server.oauth
        query = dict(urllib.parse.parse_qsl(url.query))
        try:
            with server.lock:
                location = server.authorize(query)
        except OAuthError as e:
            server.note("authorize " + e.error, e.description)
            return self.send(400, "Sign-in refused: %s\n" % e.description, "text/plain; charset=utf-8")
        self.send(302, "", "text/plain", [("Location", location)])

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("utf-8", "replace")
        if self.path != "/token":
            return self.send(404, "not found\n", "text/plain")
        server = self.server.oauth
        form = dict(urllib.parse.parse_qsl(body))
        basic = None
        authorization = self.headers.get("Authorization", "")
        if authorization.startswith("Basic "):  # id and secret form-encoded, then base64 (RFC 6749 2.3.1)
            client_id, _, secret = base64.b64decode(authorization[6:]).decode().partition(":")
            basic = urllib.parse.unquote_plus(client_id), urllib.parse.unquote_plus(secret)
        grant = form.get("grant_type", "-")
        try:
            if self.headers.get_content_type() != "application/x-www-form-urlencoded":
                raise OAuthError("invalid_request", "the body must be application/x-www-form-urlencoded")
            with server.lock:
                answer = server.token(form, basic)
            server.note("token %s ok" % grant)
            self.send(200, json.dumps(answer), "application/json", [("Pragma", "no-cache")])
        except OAuthError as e:
            server.note("token %s %s" % (grant, e.error), e.description)
            headers = [("WWW-Authenticate", "Basic")] if e.status == 401 else []
            self.send(e.status, json.dumps({"error": e.error, "error_description": e.description}),
                      "application/json", headers)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--client-id", default="test-client")
    parser.add_argument("--client-secret", default="")
    parser.add_argument("--user", default="jo@example.org")
    parser.add_argument("--scope", default="")
    parser.add_argument("--expires-in", type=int, default=3600)
    parser.add_argument("--rotate", action="store_true")
    parser.add_argument("--deny", action="store_true")
    parser.add_argument("--wrong-state", action="store_true")
    parser.add_argument("--refuse-refresh", action="store_true")
    parser.add_argument("--token-type", default="Bearer")
    parser.add_argument("--omit", action="append", default=[])
    args = parser.parse_args()

    httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    httpd.daemon_threads = True
    httpd.oauth = Server(args)
    open(os.path.join(args.folder, "tokens"), "a").close()
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    print(httpd.server_address[1], flush=True)
    for line in sys.stdin:
        if not line.strip():
            continue
        try:
            with httpd.oauth.lock:
                httpd.oauth.command(line.strip())
            print("ok", flush=True)
        except ValueError as e:
            print("error %s" % e, flush=True)
    httpd.shutdown()


if __name__ == "__main__":
    main()
