#!/usr/bin/python3
"""The program as the desktop meets it: what a screen reader hears of every page and dialog (the AT-SPI tree),
the window's class and icon, Open With on the installed desktop entry, and which program opens a ZIP archive.

Runs in a D-Bus session of its own (CTest starts it under dbus-run-session, which also brings up the accessibility
bus) with an X server of its own. Arguments: the build folder, the source folder, then unittest's (a case name).
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

BUILD, TOP = sys.argv[1], sys.argv[2]
APP_ID = "org.example.Brevimo"
SMTP_SERVER = os.path.join(TOP, "tests", "support", "smtp_server.py")

# The roles of what a user operates or reads as a value; each must have a name to be spoken.
CONTROL_ROLES = {"push button", "check box", "radio button", "text", "combo box", "list", "progress bar",
                 "spin button", "slider", "toggle button", "password text", "table", "tree", "page tab"}

BUTTONS = [("push button", "< Back"), ("push button", "Next >"), ("push button", "Finish"),
           ("push button", "Cancel")]

# What a screen reader names on each page and dialog, in the order Tab reaches it.
PAGES = {
    "welcome": [("check box", "Always show this screen")] + BUTTONS,
    "source": [("text", "File to split or ZIP archive:"), ("push button", "Open..."), ("push button", "New..."),
               ("list", "Files:"), ("push button", "Add File..."), ("push button", "Remove")] + BUTTONS,
    "destination": [("radio button", "512 kB"), ("radio button", "1 MB"), ("radio button", "1.44 MB (Floppy)"),
                    ("radio button", "2 MB"), ("radio button", "Custom:"), ("text", "Custom piece size"),
                    ("radio button", "Create splitfiles on disk:"), ("radio button", "Create splitmails:"),
                    ("radio button", "Floppy disk /media/floppy"), ("radio button", "Folder:"),
                    ("text", "Folder for the pieces"), ("push button", "Select the folder for the splitfiles"),
                    ("combo box", "Send to:"), ("text", "Send to:"), ("text", "Subject:"),
                    ("push button", "CC, BCC, Body text..."), ("push button", "Settings..."),
                    ("check box", "Send the batch file as text"),
                    ("check box", "Add a checksum list and a join script for Linux and macOS")] + BUTTONS,
    "summary": BUTTONS,
    "running": [("progress bar", "Progress of the job")] + BUTTONS,
    "E-Mail Settings": [("text", "Friendly Name:"), ("text", "E-mail address:"), ("text", "Server:"), ("text", "Port:"),
                        ("combo box", "Security: Host:"), ("combo box", "Sign-in: Host:"), ("text", "User name:"),
                        ("password text", "Password:"), ("push button", "Test"),
                        ("check box", "Dial-up connection"), ("text", "Connection list file: (blank = NetworkManager's)"),
                        ("push button", "Select the connection list file"), ("combo box", "Connection:"),
                        ("check box", "Stop the job when the connection cannot be made"), ("push button", "OK"),
                        ("push button", "Cancel")],
    "Body Text": [("text", "CC:"), ("text", "BCC:"), ("text", "Body text:"),
                  ("push button", "Save as default body text"), ("push button", "OK"), ("push button", "Cancel")],
}


def wait_for(what, probe, timeout=30):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.1)


def read_png(path):
    """The pixels of an 8-bit RGBA PNG as ARGB integers, row by row."""
    data = open(path, "rb").read()
    width, height, depth, kind = struct.unpack(">IIBB", data[16:26])
    assert (depth, kind) == (8, 6), path
    chunks, at = b"", 8
    while at < len(data):
        size, name = struct.unpack(">I4s", data[at:at + 8])
        if name == b"IDAT":
            chunks += data[at + 8:at + 8 + size]
        at += 12 + size
    raw, stride, rows, prior = zlib.decompress(chunks), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = (line[i - 4] if i >= 4 else 0), prior[i], (prior[i - 4] if i >= 4 else 0)
            paeth = min((abs(b - c), a), (abs(a - c), b), (abs(a + b - 2 * c), c))[1] if kind == 4 else 0
            line[i] = (line[i] + [0, a, b, (a + b) // 2, paeth][kind]) & 0xFF
        rows.append(line)
        prior = line
    return width, height, [(r[i + 3] << 24) | (r[i] << 16) | (r[i + 1] << 8) | r[i + 2]
                           for r in rows for i in range(0, stride, 4)]


class Desktop(unittest.TestCase):
    """One X server, settings folder and temporary folder for each case."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="brevimo-desktop-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(xvfb.stdout.close)
        self.addCleanup(xvfb.wait)
        self.addCleanup(xvfb.terminate)
        self.display = ":" + xvfb.stdout.readline().decode().strip()
        runtime = os.path.join(self.dir, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ, DISPLAY=self.display, XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
                        XDG_DATA_HOME=os.path.join(self.dir, "data"), XDG_RUNTIME_DIR=runtime, HOME=self.dir,
                        XDG_STATE_HOME=os.path.join(self.dir, "state"),
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8")
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR"):
            self.env.pop(name, None)

    def settings(self, lines):
        folder = os.path.join(self.env["XDG_CONFIG_HOME"], "Brevimo")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Brevimo.conf"), "w") as f:
            f.write("[General]\n" + "".join(line + "\n" for line in lines))

    def start(self, args):
        process = subprocess.Popen([os.path.join(BUILD, "brevimo")] + args, env=self.env, cwd=self.dir,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.addCleanup(lambda: process.poll() is None and (process.kill(), process.wait()))
        return process

    # The accessibility tree, as a screen reader reads it.
    def application(self, matches):
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)

        def found():
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.childCount and matches(app):
                    return app
        return wait_for("the application in the accessibility tree", found)

    @staticmethod
    def showing(node):
        import pyatspi
        return node.getState().contains(pyatspi.STATE_SHOWING)

    def nodes(self, node):
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None and self.showing(child):
                yield child
                yield from self.nodes(child)

    def window(self, app, title):
        def found():
            for i in range(app.childCount):
                w = app.getChildAtIndex(i)
                if w is not None and w.name == title and self.showing(w):
                    return w
        return wait_for("the window '%s'" % title, found)

    @staticmethod
    def spoken(node):
        # On Linux a combo box's name is its value; its label is the one that labels it, as a reader says it.
        import pyatspi
        if node.getRoleName() != "combo box":
            return node.name
        return " ".join(relation.getTarget(i).name for relation in node.getRelationSet()
                        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                        for i in range(relation.getNTargets()))

    def controls(self, window):
        return [(n.getRoleName(), self.spoken(n)) for n in self.nodes(window) if n.getRoleName() in CONTROL_ROLES]

    def node(self, window, role, name):
        return wait_for("%s '%s'" % (role, name), lambda: next(
            (n for n in self.nodes(window) if n.getRoleName() == role and n.name == name), None))

    def press(self, window, name):
        # As a user does: once the button can be pressed (a disabled one offers no action).
        import pyatspi
        button = self.node(window, "push button", name)
        wait_for("'%s' enabled" % name, lambda: self.enabled(button))
        button.queryAction().doAction(0)

    @staticmethod
    def enabled(node):
        from gi.repository import Atspi
        import pyatspi
        Atspi.Accessible.clear_cache(node)  # Qt does not tell a change of this state
        return node.getState().contains(pyatspi.STATE_ENABLED)

    def windows(self, app, role):
        return [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                if w is not None and w.getRoleName() == role and self.showing(w)]

    def expect_page(self, window, page):
        # Every control on the page speaks a name, and it is the one the table gives (a page shows a moment after
        # the press that leads to it).
        deadline = time.monotonic() + 10
        while self.controls(window) != PAGES[page] and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(self.controls(window), PAGES[page], page)

    def test_accessible_names(self):
        # Every page and dialog, and the bar and status line while a mail series runs.
        source = os.path.join(self.dir, "report.zip")
        with open(source, "wb") as f:
            f.write(os.urandom(2500000))
        server = subprocess.Popen(["/usr/bin/python3", SMTP_SERVER, self.dir, "--delay-message", "2", "--delay", "3"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.addCleanup(server.wait)
        self.addCleanup(server.stdin.close)
        self.addCleanup(server.stdout.close)
        port = int(server.stdout.readline())
        self.settings(["FriendlyName=Jo", "FromEMailAddress=jo@x.test", "Host=127.0.0.1:%d" % port, "UseRAS=0"])
        process = self.start(["/src:" + source, "/sze:512", "/sto:anna@x.test", "/sbj:Big"])
        app = self.application(lambda a: a.get_process_id() == process.pid)
        wizard = self.window(app, "Brevimo")
        for page in ("welcome", "source", "destination"):
            self.expect_page(wizard, page)
            if page == "destination":
                for button, title in (("Settings...", "E-Mail Settings"), ("CC, BCC, Body text...", "Body Text")):
                    self.press(wizard, button)
                    dialog = self.window(app, title)
                    self.expect_page(dialog, title)
                    self.press(dialog, "Cancel")
                    wait_for("the dialog to close", lambda: not self.showing(dialog))
            self.press(wizard, "Next >")
        self.expect_page(wizard, "summary")

        # While the second message waits for the server, the bar holds the share sent, and the line says which.
        self.press(wizard, "Finish")
        bar = self.node(wizard, "progress bar", "Progress of the job")
        wait_for("the bar of message 2", lambda: bar.queryValue().currentValue > 0 and any(
            n.getRoleName() == "label" and n.name == "Send message: 'report.zip 2 of 5'" for n in self.nodes(wizard)))
        value = bar.queryValue()
        self.assertEqual((value.minimumValue, value.maximumValue), (0, 100))
        self.assertTrue(0 < value.currentValue <= 100, value.currentValue)
        self.expect_page(wizard, "running")
        self.press(wizard, "Cancel")
        # The boxes that say where the job stopped and what it kept, each answered with OK, until it has ended.
        told = []
        cancel = self.node(wizard, "push button", "Cancel")

        def ended():
            for box in self.windows(app, "alert"):
                told.extend(n.name for n in self.nodes(box) if n.getRoleName() == "label" and n.name)
                self.press(box, "OK")
                wait_for("the box to close", lambda: not self.showing(box))
            return any("Messages 1 to 2 were sent." in text for text in told) and self.enabled(cancel)
        wait_for("the job's end", ended)
        # The window stays after the cancelled job; closing it ends the run as failed.
        self.assertTrue(self.showing(bar))
        self.press(wizard, "Cancel")
        self.assertEqual(process.wait(30), 1)

    # The window as a dock or task bar sees it: the desktop entry's class, and the program's icon.
    def test_window_class_and_icon(self):
        entry = open(os.path.join(TOP, "data", APP_ID + ".desktop")).read()
        self.assertIn("\nStartupWMClass=%s\n" % APP_ID, entry)
        self.start([])
        window = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--onlyvisible", "--name", "^Brevimo$"],
                                env=self.env, capture_output=True, text=True, check=True).stdout.split()[0]

        def prop(name):
            return subprocess.run(["xprop", "-len", "9999999", "-id", window, "-notype", "-f", name, "32c", "=$0+", name],
                                  env=self.env,
                                  capture_output=True, text=True, check=True).stdout.strip()
        self.assertEqual(subprocess.run(["xprop", "-id", window, "WM_CLASS"], env=self.env, capture_output=True,
                                        text=True).stdout.strip(), 'WM_CLASS(STRING) = "brevimo", "%s"' % APP_ID)
        numbers = [int(n) for n in prop("_NET_WM_ICON").partition("=")[2].split(",")]
        sizes = []
        while numbers:
            width, height = numbers[0], numbers[1]
            pixels, numbers = numbers[2:2 + width * height], numbers[2 + width * height:]
            png = os.path.join(TOP, "data", "icons", "brevimo-%d.png" % width)
            self.assertTrue(os.path.exists(png), "an icon of %dx%d that is not the program's" % (width, height))
            # Where the icon is see-through, only that counts.
            self.assertEqual([p if p >> 24 else 0 for p in pixels], [p if p >> 24 else 0 for p in read_png(png)[2]])
            sizes.append(width)
        self.assertIn(48, sizes)

    # Open With in a file manager, as GLib runs the installed entry: the wizard opens with that file as the source,
    # or on the join page, with the file the pieces rebuild, for a piece of a set.
    def open_with(self, name, field_name="File to split or ZIP archive:", expected=None):
        prefix = self.install()
        source = os.path.join(self.dir, name)
        with open(source, "wb") as f:
            f.write(b"a file to split")
        self.settings(["ShowWelcome=0"])
        subprocess.run(["gio", "launch", os.path.join(prefix, "share", "applications", APP_ID + ".desktop"), source],
                       env=self.env, check=True, timeout=30)
        app = self.application(lambda a: a.name == APP_ID)
        wizard = self.window(app, "Brevimo")
        field = self.node(wizard, "text", field_name).queryText()
        shown = field.getText(0, field.characterCount)
        os.kill(app.get_process_id(), 15)
        self.assertEqual(shown, expected or source)

    def test_open_with(self):
        self.open_with("holiday photos, 2026 (all).bin")

    # A quote in the name reaches the program inside the one argument, and is kept there.
    def test_open_with_quote(self):
        self.open_with('the "best" of 2026.bin')

    def test_open_with_piece(self):
        self.open_with("holiday photos.001", "File name:", "holiday photos")

    # A ZIP archive opens in a viewer of archives; Brevimo is offered for files of no type of their own.
    def test_zip_stays_with_its_viewer(self):
        prefix = self.install()
        applications = os.path.join(prefix, "share", "applications")
        with open(os.path.join(applications, "org.example.ZipViewer.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Zip Viewer\nExec=true %f\nMimeType=application/zip;\n")
        subprocess.run(["update-desktop-database", applications], env=self.env, check=True)
        defaults = subprocess.run(["/usr/bin/python3", "-c", "from gi.repository import Gio\n"
                                   "for t in ('application/zip', 'application/octet-stream'):\n"
                                   "    print(Gio.AppInfo.get_default_for_type(t, False).get_id())"],
                                  env=self.env, capture_output=True, text=True, check=True).stdout.split()
        self.assertEqual(defaults, ["org.example.ZipViewer.desktop", APP_ID + ".desktop"])

    def install(self):
        # As a package puts it: the program on PATH, the entry where the desktop looks for entries.
        prefix = os.path.join(self.dir, "prefix")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
        self.env.update(PATH=os.path.join(prefix, "bin") + ":" + self.env["PATH"],
                        XDG_DATA_DIRS=os.path.join(prefix, "share") + ":/usr/share")
        return prefix


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
