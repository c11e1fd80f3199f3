#!/usr/bin/python3
"""The wizard's window as a screen reader meets it: the window's accessibility tree walked through
AT-SPI on every page, and the announcements a screen reader follows heard by an event listener.

    WindowAccessibilityTest.py LUMORA OBJECT.json

Starts and stops its own Xvfb and a private D-Bus session (dbus-run-session, which starts the
AT-SPI bus and registry), runs `lumora wizard` in it with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and
moves through the pages as a person does: the AT-SPI "Press" action on buttons, keys through the
registry. A missing tool skips the test (exit 77), except under CI=true, where it fails.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TOOLS = ["Xvfb", "dbus-run-session", "/usr/libexec/at-spi-bus-launcher"]


def missing_tools():
    missing = [t for t in TOOLS if shutil.which(t) is None and not os.access(t, os.X_OK)]
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        missing.append("python3-pyatspi")
    return missing


def outside(lumora, design_object):
    """Starts Xvfb and the D-Bus session and runs this script inside them."""
    missing = missing_tools()
    if missing:
        print("missing: " + ", ".join(missing) + " (./setup installs them)")
        return 1 if os.environ.get("CI") == "true" else SKIP
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL)
    os.close(write)
    try:
        display = os.read(read, 16).decode().strip()
        if not display:
            print("Xvfb did not start")
            return 1
        env = dict(os.environ, DISPLAY=":" + display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_QPA_PLATFORM="xcb")
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        inner = subprocess.run(["dbus-run-session", "--", sys.executable, __file__, "--inside",
                                lumora, design_object], env=env, timeout=90,
                               stderr=subprocess.PIPE, text=True)
        # The bus daemons' own chatter is noise; what the test says is on standard output.
        for line in inner.stderr.splitlines():
            if "dbus-daemon" not in line and "SpiRegistry" not in line and "XDG_RUNTIME" not in line:
                print(line, file=sys.stderr)
        return inner.returncode
    finally:
        xvfb.terminate()
        xvfb.wait()
        os.close(read)


# --- Inside the session -------------------------------------------------------------------------

# Per page (the window's name): each focusable control shown, as (role, name, label). The name
# None is a combo box, which AT-SPI on Qt names by its current entry; the label is the label that
# names the control (LABEL_FOR it, and its name), or None for a control named otherwise.
NAV = [("push button", "Help", None), ("push button", "Back", None),
       ("push button", "Next", None), ("push button", "Cancel", None)]
# An advanced page has Close in place of Back and Next.
SUB_NAV = [("push button", "Help", None), ("push button", "Close", None),
           ("push button", "Cancel", None)]
PAGES = {
    "Lumora - Step 1": [
        ("tree", "Available Drivers", "Available Drivers"),
        ("combo box", None, "Desktop Driver Support"),
        ("push button", "Advanced...", None)] + NAV,
    "Lumora - Advanced Driver Attributes": [
        ("combo box", None, None),
        ("text", "Lumora - Advanced Driver Attributes", None),
        ("text", "New driver name", "New driver name"),
        ("push button", "Add", None)] + SUB_NAV,
    "Lumora - Step 2": [
        ("tree", "Available data sources", "Available data sources"),
        ("push button", "Advanced...", None)] + NAV,
    "Lumora - Advanced Data Source Attributes": [
        ("combo box", None, None),
        ("text", "Lumora - Advanced Data Source Attributes", None),
        ("radio button", "User", None),
        ("radio button", "System", None),
        ("check box", "Uninstall data source with application.", None),
        ("text", "New data source name", "New data source name"),
        ("push button", "Add", None),
        ("push button", "Test", None)] + SUB_NAV,
    "Lumora - Summary": [("text", "Lumora - Summary", None), ("push button", "Finish", None)]
    + [c for c in NAV if c[1] != "Next"],
}
# The way through the pages: the button pressed (by its mnemonic from the keyboard, the focus
# staying in the list just ticked, or by the AT-SPI action) and the page it leads to.
ROUTE = [("Alt+N", "Lumora - Step 2"),
         ("Advanced...", "Lumora - Advanced Data Source Attributes"),
         ("Close", "Lumora - Step 2"),
         ("Next", "Lumora - Summary"),
         ("Back", "Lumora - Step 2"),
         ("Back", "Lumora - Step 1"),
         # Last, as the message box there leaves the window inactive without a window manager.
         ("Advanced...", "Lumora - Advanced Driver Attributes")]
KEY_DOWN, KEY_SPACE, KEY_N, ALT = 0xFF54, 0x20, 0x6E, 8


class Inside:
    def __init__(self):
        import pyatspi
        from gi.repository import GLib
        self.pyatspi = pyatspi
        self.context = GLib.MainContext.default()
        self.events = []
        self.failures = []
        # (Qt sends a value change only to a bus where someone listens for value changes, as screen
        # readers do.)
        for kind in ["object:property-change:accessible-name", "object:state-changed:checked",
                     "object:selection-changed", "object:property-change:accessible-value",
                     "object:value-changed", "focus:"]:
            pyatspi.Registry.registerEventListener(self.heard, kind)

    def heard(self, event):
        try:
            self.events.append((event.type, event.source.getRoleName(), event.source.name,
                                event.detail1, event.source))
        except Exception:  # an object already gone
            pass

    def pump(self, seconds):
        end = time.time() + seconds
        while time.time() < end:
            while self.context.iteration(False):
                pass
            time.sleep(0.02)

    def check(self, ok, what):
        if not ok:
            self.failures.append(what)

    def until(self, condition, seconds=10):
        end = time.time() + seconds
        while time.time() < end:
            self.pump(0.05)
            found = condition()
            if found:
                return found
        return None

    # The tree.
    def showing(self, o):
        return o.getState().contains(self.pyatspi.STATE_SHOWING)

    def each(self, o):
        """The objects shown under `o`, without the entries inside lists and combo boxes."""
        for child in o:
            if child is None or not self.showing(child):
                continue
            yield child
            if child.getRoleName() not in ("tree", "combo box", "table"):
                yield from self.each(child)

    def find(self, o, role, name):
        for each in self.each(o):
            if each.getRoleName() == role and (name is None or each.name == name):
                return each
        return None

    def related(self, o, relation):
        for r in o.getRelationSet():
            if r.getRelationType() == relation:
                return [r.getTarget(i) for i in range(r.getNTargets())]
        return []

    def press(self, o):
        action = o.queryAction()
        for i in range(action.nActions):
            if action.getName(i) == "Press":
                return action.doAction(i)
        self.check(False, f"{o.getRoleName()} '{o.name}' cannot be pressed")

    def modifiers(self, how):
        self.pyatspi.Registry.generateKeyboardEvent(ALT, None, how)

    def key(self, keysym):
        self.pyatspi.Registry.generateKeyboardEvent(keysym, None, self.pyatspi.KEY_SYM)
        self.pump(0.2)

    # The checks.
    def walk_page(self, window, page):
        ps = self.pyatspi
        shown = [o for o in self.each(window) if o.getState().contains(ps.STATE_FOCUSABLE)]
        found = sorted((o.getRoleName(), o.name) for o in shown)
        for role, name, label in PAGES[page]:
            match = [o for o in shown if o.getRoleName() == role and (name is None or o.name == name)]
            self.check(len(match) == 1, f"{page}: no one {role} '{name}' among {found}")
            if not match:
                continue
            control = match[0]
            if label is not None:
                labels = [o for o in self.each(window) if o.getRoleName() == "label"
                          and o.name == label]
                self.check(len(labels) == 1, f"{page}: no label '{label}'")
                for lab in labels:
                    targets = self.related(lab, ps.RELATION_LABEL_FOR)
                    self.check(control in targets, f"{page}: '{label}' is not the {role}'s label")
        self.check(len(shown) == len(PAGES[page]),
                   f"{page}: focusable controls {found}, expected {len(PAGES[page])}")
        self.check(all(o.name for o in shown), f"{page}: a control without a name in {found}")
        # Every label that names something names a control shown here.
        for lab in (o for o in self.each(window) if o.getRoleName() == "label"):
            for target in self.related(lab, ps.RELATION_LABEL_FOR):
                self.check(target in shown, f"{page}: label '{lab.name}' names nothing shown")
        marks = [o for o in self.each(window) if o.getRoleName() == "label" and o.name == "Brevant"]
        self.check(len(marks) == 1, f"{page}: the maker's mark is read {len(marks)} times")
        images = [o for o in self.each(window) if o.getRoleName() == "image"]
        self.check(len(images) >= 1 and all(o.name == "" for o in images),
                   f"{page}: the artwork is not an image without a name")
        return shown

    def message_box(self, w, app):
        """A driver added twice: the refusal is an alert, and its OK button answers it."""
        self.find(w, "text", "New driver name").queryComponent().grabFocus()
        self.pump(0.2)
        self.pyatspi.Registry.generateKeyboardEvent(0, "SQL Server", self.pyatspi.KEY_STRING)
        self.until(lambda: self.find(w, "push button", "Add").getState().contains(
            self.pyatspi.STATE_ENABLED), 3)
        self.press(self.find(w, "push button", "Add"))
        alert = self.until(lambda: next((a for a in app if a is not None and a.getRoleName()
                                         == "alert" and self.showing(a)), None), 5)
        self.check(alert is not None, "the message box is not an alert")
        if alert is not None:
            self.press(self.find(alert, "push button", "OK"))
            self.until(lambda: not self.showing(alert), 3)

    def instruction(self, window):
        labels = [o for o in self.each(window) if o.getRoleName() == "label"]
        return labels[0].name if labels else ""

    def run(self, lumora, design_object):
        wizard = subprocess.Popen([lumora, "wizard", design_object, "--registry", "none"])
        try:
            self.tour(wizard)
        finally:
            if wizard.poll() is None:
                wizard.kill()
            wizard.wait()
        for failure in self.failures:
            print("FAILED: " + failure)
        return 1 if self.failures else 0

    def tour(self, wizard):
        ps = self.pyatspi

        def window():
            for app in ps.Registry.getDesktop(0):
                for w in app or []:
                    if w is not None and w.name.startswith("Lumora - ") and self.showing(w):
                        return w, app
            return None

        found = self.until(window, 20)
        w, app = found if found else (None, None)
        if w is None:
            return self.check(False, "the wizard's window never reached AT-SPI")
        self.check(w.getRoleName() == "dialog", f"the window is a {w.getRoleName()}")
        self.walk_page(w, w.name)

        # A tick, from the keyboard: the third row of the drivers list.
        tree = self.find(w, "tree", None)
        tree.queryComponent().grabFocus()
        self.pump(0.3)
        self.events.clear()
        self.key(KEY_DOWN)
        self.key(KEY_DOWN)
        self.key(KEY_SPACE)
        self.until(lambda: any(e[0] == "object:state-changed:checked" for e in self.events), 5)
        self.check(any(e[:4] == ("object:state-changed:checked", "table cell",
                               "Microsoft ODBC for Oracle", 1) for e in self.events),
                   f"the tick was not announced: {[e[:4] for e in self.events]}")

        for button, page in ROUTE:
            self.events.clear()
            target = self.find(w, "push button", "Next" if button == "Alt+N" else button)
            if target is None:
                return self.check(False, f"{w.name}: no button '{button}' among {[(o.getRoleName(), o.name) for o in self.each(w)]}")
            if button == "Alt+N":
                self.modifiers(ps.KEY_LOCKMODIFIERS)
                self.key(KEY_N)
                self.modifiers(ps.KEY_UNLOCKMODIFIERS)
            else:
                self.press(target)
            if not self.until(lambda: w.name == page, 5):
                return self.check(False, f"'{button}' did not lead to '{page}' but '{w.name}'")
            self.pump(0.3)
            if ("object:property-change:accessible-name", "dialog", page) not in [
                    e[:3] for e in self.events]:
                return self.check(False, f"the change to '{page}' was not announced")
            shown = self.walk_page(w, page)
            # The focus went from the button pressed straight to the new page's control, which
            # carries the step's instruction: never through a control hidden or left behind.
            now = [o for o in shown if o.getState().contains(ps.STATE_FOCUSED)]
            self.check(len(now) == 1 and now[0].description == self.instruction(w),
                       f"'{page}': the focused control does not carry the step's instruction")
            strays = [e[1:3] for e in self.events if e[0] == "focus:" and e[4] != target
                      and (not now or (e[4] != now[0] and e[4].parent != now[0]))]
            self.check(not strays, f"'{page}': the focus passed through {strays}")
            if page == "Lumora - Advanced Driver Attributes":
                # A combo change, from the keyboard, on the focused combo box.
                combo = self.find(w, "combo box", None)
                before = combo.name
                self.events.clear()
                combo.queryComponent().grabFocus()
                self.pump(0.2)
                self.key(KEY_DOWN)
                self.until(lambda: combo.name != before, 5)
                self.pump(0.5)
                self.check(any(e[1] == "combo box" and e[0] in (
                    "object:property-change:accessible-name", "object:selection-changed")
                    and e[2] != before for e in self.events),
                    f"the combo change was not announced: {[e[:4] for e in self.events]}")
                self.message_box(w, app)

        # The help window is a dialog.
        self.press(self.find(w, "push button", "Help"))

        def help_window():
            for app in ps.Registry.getDesktop(0):
                for h in app or []:
                    if h is not None and h.name.startswith("Help"):
                        return h
            return None

        found = self.until(help_window, 5)
        self.check(found is not None and found.getRoleName() == "dialog",
                   f"the help window is a {found.getRoleName() if found else 'missing'}")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--inside":
        work = tempfile.mkdtemp()
        try:
            copy = os.path.join(work, "object.json")
            shutil.copy(sys.argv[3], copy)
            sys.exit(Inside().run(sys.argv[2], copy))
        finally:
            shutil.rmtree(work)
    if len(sys.argv) != 3:
        sys.exit("usage: WindowAccessibilityTest.py LUMORA OBJECT.json")
    sys.exit(outside(sys.argv[1], sys.argv[2]))
