"""Stands in for GNOME Online Accounts (goa-daemon), which a test cannot run: org.gnome.OnlineAccounts on a private
D-Bus bus, with the names and signatures of GOA 3.46.

The object manager at /org/gnome/OnlineAccounts (GetManagedObjects; InterfacesRemoved when an account goes) lists
the Manager object (IsSupportedProvider) and an object /org/gnome/OnlineAccounts/Accounts/ID for each account with:
org.gnome.OnlineAccounts.Account (EnsureCredentials; Remove, which removes the account as goa-daemon does and which
a client should never call); org.gnome.OnlineAccounts.Mail, unless the account's mail is disabled (goa-daemon then
drops it too); and org.gnome.OnlineAccounts.OAuth2Based (GetAccessToken, ClientId, ClientSecret) or, for an account
with a password, org.gnome.OnlineAccounts.PasswordBased (GetPassword of "smtp-password" or "imap-password").

--account SPEC      an account (repeat for more): comma-separated KEY=VALUE and flags. id=ID ([A-Za-z0-9_],
                    default account_N_0), email=ADDRESS (required), provider=google|windows_live|imap_smtp (default
                    google), name=FULL NAME, smtp=HOST[:PORT] (default: the provider's server), security=starttls|
                    ssl|none (default starttls), user=SMTP USER NAME (default: the address), client-id=ID,
                    client-secret=SECRET, password=PASSWORD (a password account: PasswordBased, provider imap_smtp
                    unless given), and the flags mail-disabled, attention-needed, no-smtp-auth
--address ADDRESS   the bus to serve on (default: $DBUS_SESSION_BUS_ADDRESS; without either it refuses to run)
--private-bus       start a bus of its own (dbus-daemon --session), which ends with this process
--expires-in SECS   the lifetime of the access tokens it hands out (default 3600)
--tokens FILE       append each access token it makes as "TOKEN EXPIRY USER" (EXPIRY in whole seconds since the
                    epoch, USER the account's SMTP user name): the format of oauth2_server.py's tokens file, so that
                    the SMTP fixture checks a bearer from here the same way
--log FILE          append each method call as "Method ID RESULT", RESULT "ok" or the GOA error's last part

GetAccessToken answers the account's token while it is good, with the seconds left, and makes a new one ("goa-"
and random) once it has expired. While an account needs attention, GetAccessToken, EnsureCredentials and
GetPassword fail with org.gnome.OnlineAccounts.Error.NotAuthorized, as when the provider refused a refresh. Setting
a writable property (IsTemporary, MailDisabled...) stores and signals the value, but changes no interface.
Prints the bus address on stdout once it owns the name, then reads commands on stdin, each answered "ok" (or "error
WHY"), until stdin closes: "attention ID" (AttentionNeeded, signalled with PropertiesChanged), "restore ID", "expire"
(every token handed out has expired; the tokens file is replaced whole with the new times) and "remove ID".
"""

import argparse
import ctypes
import math
import os
import re
import secrets
import signal
import subprocess
import sys
import time

from gi.repository import Gio, GLib

BUS_NAME = "org.gnome.OnlineAccounts"
ROOT = "/org/gnome/OnlineAccounts"
ERROR = "org.gnome.OnlineAccounts.Error."
PROVIDERS = {  # ProviderType: ProviderName, SMTP server
    "google": ("Google", "smtp.gmail.com"),
    "windows_live": ("Microsoft", "smtp-mail.outlook.com"),
    "imap_smtp": ("IMAP and SMTP", ""),
}
SERVICES = ["Mail", "Calendar", "Contacts", "Chat", "Documents", "Maps", "Music", "Printers", "Photos", "Files",
            "Ticketing", "Todo", "ReadLater"]

XML = """<node>
<interface name="org.freedesktop.DBus.ObjectManager">
  <method name="GetManagedObjects"><arg name="objects" direction="out" type="a{oa{sa{sv}}}"/></method>
  <signal name="InterfacesAdded"><arg name="object" type="o"/><arg name="interfaces" type="a{sa{sv}}"/></signal>
  <signal name="InterfacesRemoved"><arg name="object" type="o"/><arg name="interfaces" type="as"/></signal>
</interface>
<interface name="org.gnome.OnlineAccounts.Manager">
  <method name="IsSupportedProvider">
    <arg name="provider_type" direction="in" type="s"/><arg name="is_supported" direction="out" type="b"/>
  </method>
</interface>
<interface name="org.gnome.OnlineAccounts.Account">
  <property name="ProviderType" type="s" access="read"/> <property name="ProviderName" type="s" access="read"/>
  <property name="ProviderIcon" type="s" access="read"/> <property name="Id" type="s" access="read"/>
  <property name="IsLocked" type="b" access="read"/> <property name="IsTemporary" type="b" access="readwrite"/>
  <property name="AttentionNeeded" type="b" access="read"/> <property name="Identity" type="s" access="read"/>
  <property name="PresentationIdentity" type="s" access="read"/>
  %s
  <method name="Remove"/>
  <method name="EnsureCredentials"><arg name="expires_in" direction="out" type="i"/></method>
</interface>
<interface name="org.gnome.OnlineAccounts.Mail">
  <property name="EmailAddress" type="s" access="read"/> <property name="Name" type="s" access="read"/>
  <property name="ImapSupported" type="b" access="read"/> <property name="ImapAcceptSslErrors" type="b" access="read"/>
  <property name="ImapHost" type="s" access="read"/> <property name="ImapUseSsl" type="b" access="read"/>
  <property name="ImapUseTls" type="b" access="read"/> <property name="ImapUserName" type="s" access="read"/>
  <property name="SmtpSupported" type="b" access="read"/> <property name="SmtpAcceptSslErrors" type="b" access="read"/>
  <property name="SmtpHost" type="s" access="read"/> <property name="SmtpUseAuth" type="b" access="read"/>
  <property name="SmtpAuthLogin" type="b" access="read"/> <property name="SmtpAuthPlain" type="b" access="read"/>
  <property name="SmtpAuthXoauth2" type="b" access="read"/> <property name="SmtpUseSsl" type="b" access="read"/>
  <property name="SmtpUseTls" type="b" access="read"/> <property name="SmtpUserName" type="s" access="read"/>
</interface>
<interface name="org.gnome.OnlineAccounts.OAuth2Based">
  <method name="GetAccessToken">
    <arg name="access_token" direction="out" type="s"/><arg name="expires_in" direction="out" type="i"/>
  </method>
  <property name="ClientId" type="s" access="read"/> <property name="ClientSecret" type="s" access="read"/>
</interface>
<interface name="org.gnome.OnlineAccounts.PasswordBased">
  <method name="GetPassword"><arg name="id" direction="in" type="s"/><arg name="password" direction="out" type="s"/>
  </method>
</interface>
</node>""" % "".join('<property name="%sDisabled" type="b" access="readwrite"/>' % s for s in SERVICES)
INFO = Gio.DBusNodeInfo.new_for_xml(XML)
V = GLib.Variant


class Account:
    def __init__(self, spec, number):
        fields = dict(item.partition("=")[::2] for item in spec.split(","))
        self.id = fields.get("id") or "account_%d_0" % number
        if not re.fullmatch(r"[A-Za-z0-9_]+", self.id) or not fields.get("email"):
            raise ValueError("an account needs email= and an id of letters, digits and _: %r" % spec)
        email = fields["email"]
        self.password = fields.get("password")
        provider = fields.get("provider") or ("imap_smtp" if self.password else "google")
        provider_name, server = PROVIDERS[provider]
        security = fields.get("security", "starttls")
        self.user = fields.get("user", email)
        self.path = "%s/Accounts/%s" % (ROOT, self.id)
        self.token, self.expiry = None, 0
        account = {
            "ProviderType": V("s", provider), "ProviderName": V("s", provider_name),
            "ProviderIcon": V("s", ". GThemedIcon goa-account-%s goa-account" % provider), "Id": V("s", self.id),
            "IsLocked": V("b", False), "IsTemporary": V("b", False),
            "AttentionNeeded": V("b", "attention-needed" in fields), "Identity": V("s", email),
            "PresentationIdentity": V("s", email)}
        for service in SERVICES:
            account[service + "Disabled"] = V("b", service == "Mail" and "mail-disabled" in fields)
        self.interfaces = {"org.gnome.OnlineAccounts.Account": account}
        if "mail-disabled" not in fields:
            auth = "no-smtp-auth" not in fields
            self.interfaces["org.gnome.OnlineAccounts.Mail"] = {
                "EmailAddress": V("s", email), "Name": V("s", fields.get("name", "")),
                "ImapSupported": V("b", False), "ImapAcceptSslErrors": V("b", False), "ImapHost": V("s", ""),
                "ImapUseSsl": V("b", False), "ImapUseTls": V("b", False), "ImapUserName": V("s", ""),
                "SmtpSupported": V("b", True), "SmtpAcceptSslErrors": V("b", False),
                "SmtpHost": V("s", fields.get("smtp", server)), "SmtpUseAuth": V("b", auth),
                "SmtpAuthLogin": V("b", False), "SmtpAuthPlain": V("b", auth and bool(self.password)),
                "SmtpAuthXoauth2": V("b", auth and not self.password), "SmtpUseSsl": V("b", security == "ssl"),
                "SmtpUseTls": V("b", security == "starttls"), "SmtpUserName": V("s", self.user)}
        if self.password:
            self.interfaces["org.gnome.OnlineAccounts.PasswordBased"] = {}
        else:
            self.interfaces["org.gnome.OnlineAccounts.OAuth2Based"] = {
                "ClientId": V("s", fields.get("client-id", "goa-client")),
                "ClientSecret": V("s", fields.get("client-secret", ""))}

    def attention(self):
        return self.interfaces["org.gnome.OnlineAccounts.Account"]["AttentionNeeded"].unpack()


class Goa:
    def __init__(self, connection, args):
        self.connection, self.args = connection, args
        self.accounts = {}
        self.registrations = {}
        self.managed = {ROOT + "/Manager": {"org.gnome.OnlineAccounts.Manager": {}}}
        self.register(ROOT, "org.freedesktop.DBus.ObjectManager")
        self.register(ROOT + "/Manager", "org.gnome.OnlineAccounts.Manager")
        for number, spec in enumerate(args.account or []):
            account = Account(spec, number + 1)
            self.accounts[account.id] = account
            self.managed[account.path] = account.interfaces
            for interface in account.interfaces:
                self.register(account.path, interface)

    def register(self, path, interface):
        self.registrations.setdefault(path, []).append(self.connection.register_object(
            path, INFO.lookup_interface(interface), self.call, self.get_property, self.set_property))

    def get_property(self, connection, sender, path, interface, name):
        return self.managed[path][interface][name]

    def set_property(self, connection, sender, path, interface, name, value):
        self.changed(path, interface, {name: value})
        return True

    def changed(self, path, interface, properties):
        self.managed[path][interface].update(properties)
        self.connection.emit_signal(None, path, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                                    V("(sa{sv}as)", (interface, properties, [])))

    def call(self, connection, sender, path, interface, method, parameters, invocation):
        if method == "GetManagedObjects":
            return invocation.return_value(V("(a{oa{sa{sv}}})", (self.managed,)))
        if method == "IsSupportedProvider":
            return invocation.return_value(V("(b)", (parameters.unpack()[0] in PROVIDERS,)))
        account = next(a for a in self.accounts.values() if a.path == path)
        error, answer = self.answer(account, method, parameters.unpack())
        if self.args.log:
            with open(self.args.log, "a") as f:
                f.write("%s %s %s\n" % (method, account.id, error or "ok"))
        if error:
            return invocation.return_dbus_error(ERROR + error, answer)
        invocation.return_value(answer)

    def answer(self, account, method, parameters):
        if method == "Remove":  # the user's own account: a test checks the log that this never happens
            GLib.idle_add(self.remove, account)  # after the reply
            return None, None
        if account.attention():
            return "NotAuthorized", "Credentials have expired; sign in to the %s account again in Settings" % (
                account.interfaces["org.gnome.OnlineAccounts.Account"]["ProviderName"].unpack())
        if method == "GetPassword":
            if parameters[0] not in ("smtp-password", "imap-password"):
                return "Failed", "No password with identifier %r" % parameters[0]
            return None, V("(s)", (account.password,))
        if account.password:
            return None, V("(i)", (0,))  # EnsureCredentials of a password account: no expiry known
        now = time.time()
        if account.expiry <= now:  # as goa-daemon refreshes a token that has expired
            account.token, account.expiry = "goa-" + secrets.token_urlsafe(24), math.ceil(now + self.args.expires_in)
            if self.args.tokens:
                with open(self.args.tokens, "a") as f:
                    f.write("%s %d %s\n" % (account.token, account.expiry, account.user))
        left = max(0, int(account.expiry - now))
        return None, V("(si)", (account.token, left)) if method == "GetAccessToken" else V("(i)", (left,))

    def command(self, words):
        if words == ["expire"]:
            return self.expire()
        if len(words) != 2 or words[0] not in ("attention", "restore", "remove") or words[1] not in self.accounts:
            raise ValueError("unknown command or account: %r" % " ".join(words))
        account = self.accounts[words[1]]
        if words[0] == "remove":
            self.remove(account)
        else:
            self.changed(account.path, "org.gnome.OnlineAccounts.Account",
                         {"AttentionNeeded": V("b", words[0] == "attention")})

    def remove(self, account):
        if self.accounts.pop(account.id, None) is None:
            return
        for registration in self.registrations.pop(account.path):
            self.connection.unregister_object(registration)
        del self.managed[account.path]
        self.connection.emit_signal(None, ROOT, "org.freedesktop.DBus.ObjectManager", "InterfacesRemoved",
                                    V("(oas)", (account.path, list(account.interfaces))))

    def expire(self):
        now = int(time.time())
        if self.args.tokens and os.path.exists(self.args.tokens):
            with open(self.args.tokens) as f:
                lines = [line.split() for line in f if line.strip()]
            with open(self.args.tokens + ".new", "w") as f:
                f.writelines("%s %d %s\n" % (token, min(int(expiry), now), user) for token, expiry, user in lines)
            os.replace(self.args.tokens + ".new", self.args.tokens)
        for account in self.accounts.values():
            account.expiry = min(account.expiry, now)


def private_bus():
    libc = ctypes.CDLL(None)
    # The bus ends with this process, even when the test has to kill it.
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL,  # as root it complains of the fd limit every time
                              preexec_fn=lambda: libc.prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
    return daemon, daemon.stdout.readline().decode().strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--account", action="append")
    parser.add_argument("--address", default=os.environ.get("DBUS_SESSION_BUS_ADDRESS", ""))
    parser.add_argument("--private-bus", action="store_true")
    parser.add_argument("--expires-in", type=int, default=3600)
    parser.add_argument("--tokens", default="")
    parser.add_argument("--log", default="")
    args = parser.parse_args()
    daemon = None
    if args.private_bus:
        daemon, args.address = private_bus()
    if not args.address:
        sys.exit("goa.py: no --address, no --private-bus and no DBUS_SESSION_BUS_ADDRESS")

    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    connection = Gio.DBusConnection.new_for_address_sync(args.address, flags, None, None)
    try:
        goa = Goa(connection, args)
    except (ValueError, KeyError) as e:
        sys.exit("goa.py: %s" % e)
    owner = connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                 "RequestName", V("(su)", (BUS_NAME, 4)), None, 0, -1, None)  # DO_NOT_QUEUE
    if owner.unpack()[0] != 1:
        sys.exit("goa.py: %s is taken on %s" % (BUS_NAME, args.address))
    print(args.address, flush=True)

    loop = GLib.MainLoop()
    pending = [b""]

    def on_stdin(fd, condition):
        # Several lines may come at once: take them all now, as the watch fires again only for new data.
        data = os.read(fd, 65536)
        if not data:
            loop.quit()
            return False
        *lines, pending[0] = (pending[0] + data).split(b"\n")
        for line in lines:
            try:
                if line.split():
                    goa.command(line.decode().split())
                connection.flush_sync(None)
                print("ok", flush=True)
            except ValueError as e:
                print("error %s" % e, flush=True)
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, on_stdin)
    loop.run()
    connection.close_sync(None)
    if daemon:
        daemon.terminate()
        daemon.wait()


if __name__ == "__main__":
    main()
