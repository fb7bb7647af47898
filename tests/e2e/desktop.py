"""A real X desktop: Xvfb, a window manager and the program under test, driven through X input
(xdotool) and read back from window properties, the clipboard and Xvfb's frame buffer file."""

import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

SCREEN = (1280, 800)


def wait_for(condition, what, timeout=10.0):
    """The condition's first true value; fails naming what was awaited after timeout seconds."""
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(0.03)
    return value


def _numbers(line):
    """The numbers of one line of xprop's output, none when the property is not set."""
    if not line or ("=" not in line and "#" not in line):
        return []
    return [int(v, 0) for v in line.split("#" if "#" in line else "=", 1)[1].split(",") if v.strip()]


class XWindow:
    """One top-level window as the window manager manages it."""

    def __init__(self, desktop, wid):
        self.id = wid
        # -len: the icon's pixels are not worth reading, only whether there are any.
        props = desktop.xprop("-len", "64", "-id", hex(wid), "WM_WINDOW_ROLE", "_NET_WM_PID",
                              "_NET_WM_WINDOW_TYPE", "WM_TRANSIENT_FOR", "_NET_FRAME_EXTENTS",
                              "_NET_WM_ICON")
        self.role = props.get("WM_WINDOW_ROLE", "").partition("=")[2].strip().strip('"')
        self.pid, self.transient_for = ((_numbers(props.get(name)) or [None])[0]
                                        for name in ("_NET_WM_PID", "WM_TRANSIENT_FOR"))
        self.types = props.get("_NET_WM_WINDOW_TYPE", "")
        self.has_icon = "=" in props.get("_NET_WM_ICON", "")
        fields = dict(line.strip().partition(":")[::2]
                      for line in desktop.run("xwininfo", "-id", hex(wid)).splitlines())
        self.x, self.y, self.width, self.height = (int(fields.get(key, 0)) for key in (
            "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
        left, right, top, bottom = _numbers(props.get("_NET_FRAME_EXTENTS")) or [0, 0, 0, 0]
        # Outer edges, frame included, right and bottom exclusive.
        self.frame = (self.x - left, self.y - top, self.x + self.width + right,
                      self.y + self.height + bottom)

    def __repr__(self):
        return f"<{self.role or 'window'} {self.width}x{self.height}+{self.x}+{self.y}>"


class Desktop:
    """Xvfb with a window manager on a display of its own; with manager=False the manager is
    started later, by start_manager."""

    def __init__(self, wm, artifacts, manager=True):
        self.wm, self.artifacts, self.processes, self.logs, self.env = wm, artifacts, [], [], None
        os.makedirs(artifacts, exist_ok=True)
        self.home = tempfile.mkdtemp(prefix="dx-home-", dir="/tmp")
        self.fbdir = tempfile.mkdtemp(prefix="dx-fb-", dir="/tmp")
        try:
            # Xvfb picks a free display itself and names it on the pipe once it takes clients.
            # -noreset: by default the server resets when its last client leaves, and a probe
            # that leaves just as the window manager connects makes it fail to open the display.
            read_fd, write_fd = os.pipe()
            self._spawn(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                         f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-noreset",
                         "-fbdir", self.fbdir], "xvfb", pass_fds=(write_fd,))
            os.close(write_fd)
            with os.fdopen(read_fd) as pipe:
                self.display = ":" + pipe.readline().strip()
            if self.display == ":":
                raise RuntimeError("Xvfb did not start: see " + os.path.join(artifacts, "xvfb.log"))
            self.env = {k: v for k, v in os.environ.items() if k not in (
                "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
            self.env.update(DISPLAY=self.display, HOME=self.home, XDG_RUNTIME_DIR=self.home,
                            XDG_CONFIG_HOME=os.path.join(self.home, ".config"))
            if manager:
                self.start_manager()
        except BaseException:
            self.close()
            raise

    def start_manager(self, replace=False):
        """Starts the window manager, with replace in the place of the one running."""
        check = lambda: self.root_ids("_NET_SUPPORTING_WM_CHECK")  # the manager's own window
        before = check()
        # xfwm4 reads its settings over D-Bus; its compositor would make stacking depend on
        # timing, and real desktops differ on it anyway.
        command = {"openbox": ["openbox"],
                   "xfwm4": ["dbus-run-session", "--", "env", "NO_AT_BRIDGE=1", "xfwm4",
                             "--compositor=off"]}[self.wm]
        self._spawn(command + (["--replace"] if replace else []),
                    self.wm + ("-replacing" if replace else ""))
        wait_for(lambda: check() not in ([], before), f"{self.wm} to manage the screen", timeout=30)

    def _spawn(self, command, log_name, **kwargs):
        self.logs.append(open(os.path.join(self.artifacts, log_name + ".log"), "wb"))
        self.processes.append(subprocess.Popen(command, stdout=self.logs[-1], env=self.env,
                                               stderr=subprocess.STDOUT, start_new_session=True,
                                               **kwargs))

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    os.killpg(process.pid, signal.SIGKILL)
        for log in self.logs:
            log.close()
        shutil.rmtree(self.home, ignore_errors=True)
        shutil.rmtree(self.fbdir, ignore_errors=True)

    def run(self, *command, check=False):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, check=check,
                              timeout=20).stdout

    def xprop(self, *args):
        """The properties asked for, by name: each the whole line xprop gives for it."""
        return {line.split("(", 1)[0].split(":", 1)[0].strip(): line
                for line in self.run("xprop", *args).splitlines()}

    def root_ids(self, name):
        return _numbers(self.xprop("-root", name).get(name))

    def stacking(self):
        """Managed windows from bottom to top."""
        return self.root_ids("_NET_CLIENT_LIST_STACKING")

    def active_window(self):
        return (self.root_ids("_NET_ACTIVE_WINDOW") or [0])[0]

    def activated(self, window):
        wait_for(lambda: self.active_window() == window.id, f"{window} to be active")

    def managed_from_now(self):
        """A call that gives every window the manager took on from now until the call."""
        spy = subprocess.Popen(["stdbuf", "-oL", "xprop", "-root", "-spy", "_NET_CLIENT_LIST"],
                               env=self.env, stdout=subprocess.PIPE, text=True)
        spy.stdout.readline()  # the list as it is: the watch has begun
        def seen():
            spy.terminate()
            return {w for line in spy.communicate()[0].splitlines() for w in _numbers(line)}
        return seen

    def screenshot(self, keep_as=None):
        """The screen, from Xvfb's frame buffer; copied as it is (XWD) to keep_as when given."""
        path = os.path.join(self.fbdir, "Xvfb_screen0")
        if keep_as:
            shutil.copyfile(path, keep_as)
        return Screen(path)

    def key(self, *keys):
        """Keys pressed one after another; "alt+m" holds Alt down while M is pressed."""
        for k in keys:
            *modifiers, last = k.split("+")
            self.run("xdotool", *(a for m in modifiers for a in ("keydown", m)), "key", last,
                     *(a for m in reversed(modifiers) for a in ("keyup", m)), check=True)

    def click(self, point, double=False):
        # Two single clicks on one spot in quick succession would make a double-click: apart by
        # a little more than Qt's 400 ms.
        last_point, last_time = getattr(self, "_last_click", (None, 0.0))
        if point == last_point:
            time.sleep(max(0.0, last_time + 0.5 - time.monotonic()))
        self.run("xdotool", "mousemove", *map(str, point), "click",
                 *(["--repeat", "2", "--delay", "80"] if double else []), "1", check=True)
        self._last_click = (point, time.monotonic())


class Screen:
    """A snapshot of the frame buffer (XWD format, 32 bits a pixel at depth 24)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        header = struct.unpack(">25I", data[:100])
        self.little_endian, self.stride = header[7] == 0, header[12]  # stride: bytes a line
        self.pixels = data[header[0] + 12 * header[19]:]  # after the header and the colour map

    def pixel(self, x, y):
        """Red, green and blue."""
        b0, b1, b2, b3 = self.pixels[y * self.stride + x * 4:][:4]
        return (b2, b1, b0) if self.little_endian else (b1, b2, b3)


class Program:
    """The program as a user starts it: the binary, in a folder, no arguments."""

    def __init__(self, desktop, binary, folder, log_path):
        self.desktop, self.log = desktop, open(log_path, "wb")
        self.process = subprocess.Popen([binary], cwd=folder, env=desktop.env, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def windows(self):
        """The program's managed windows, bottom to top."""
        found = (XWindow(self.desktop, wid) for wid in self.desktop.stacking())
        return [w for w in found if w.pid == self.process.pid]

    def window(self, role):
        """The window with that role once it is on screen."""
        return wait_for(lambda: next((w for w in self.windows() if w.role == role), None),
                        f"the {role} window")

    def has_window(self, role):
        return any(w.role == role for w in self.windows())

    def dialog(self):
        """The message or input box, once it is active and above every window of the program."""
        def find():
            top = (self.windows() or [None])[-1]
            if top and not top.role and "DIALOG" in top.types:
                return top if self.desktop.active_window() == top.id else None
        return wait_for(find, "a box on top of every window, active")

    def no_dialog(self):
        """Once the box has gone and the keyboard is back in a window of the program's own."""
        def gone():
            windows = {w.id: w.role for w in self.windows()}
            active = windows.get(self.desktop.active_window())
            return "" not in windows.values() and active not in (None, "", "frmBackForm")
        wait_for(gone, "the box to close and the keyboard to come back")

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()
