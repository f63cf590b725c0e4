"""Drives the real viewer as a person would: starts it in a folder of pictures,
finds its window by title, reads the title, takes window dumps, moves the
pointer, presses keys and closes the window through the window manager's
WM_DELETE_WINDOW message."""

import os
import re
import struct
import subprocess
import tempfile
import time

import xwd_image

TITLE = "Lumra Sondrel (ver 0.2.0)"
START_TIMEOUT = 90      # seconds; a sanitizer build on a busy machine starts slowly
EXIT_TIMEOUT = 60
POLL_SECONDS = 0.2


def write_tga(path, width, height, pixel_rows):
    """Writes an uncompressed 32-bit TGA; pixel_rows(y) gives the row y (0 = bottom)
    as a list of (red, green, blue, alpha) tuples."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 8)
    body = bytearray()
    for y in range(height):
        for r, g, b, a in pixel_rows(y):
            body.extend((b, g, r, a))
    with open(path, "wb") as f:
        f.write(header + bytes(body))


def viewer_environment(env=None):
    """The environment for a viewer process: the sanitizer build's tests name a
    library to preload into the viewer alone (LUMRA_E2E_PRELOAD)."""
    env = dict(os.environ if env is None else env)
    preload = env.pop("LUMRA_E2E_PRELOAD", "")
    if preload:
        env["LD_PRELOAD"] = preload
    return env


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(POLL_SECONDS)


def xdotool(*args):
    done = subprocess.run(("xdotool",) + tuple(str(a) for a in args),
                          capture_output=True, text=True)
    return done.stdout.strip() if done.returncode == 0 else None


class Viewer:
    """One run of lumra or lumra4 in `folder`, with its output collected in a file."""

    def __init__(self, program, folder, env=None):
        self.folder = folder
        env = viewer_environment(env)
        self._out = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen([program], cwd=folder, stdout=self._out,
                                        stderr=subprocess.STDOUT, env=env)
        self.window = None

    def find_window(self):
        def search():
            if self.process.poll() is not None:
                raise AssertionError("program ended early:\n" + self.output())
            found = xdotool("search", "--name", "^" + re.escape(TITLE))
            return found.split()[0] if found else None
        self.window = wait_for(search, START_TIMEOUT, "the window")
        return self.window

    def title(self):
        return xdotool("getwindowname", self.window) or ""

    def screenshot(self, name="shot"):
        path = os.path.join(self.folder, name + ".xwd")
        subprocess.run(["xwd", "-silent", "-id", self.window, "-out", path], check=True)
        return xwd_image.read_xwd(path)

    def move_pointer(self, x, y):
        xdotool("mousemove", "--window", self.window, x, y)

    def press(self, key):
        xdotool("key", "--window", self.window, key)

    def close_window(self):
        from Xlib import X, display, protocol
        d = display.Display()
        window = d.create_resource_object("window", int(self.window))
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        message = protocol.event.ClientMessage(
            window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(message, event_mask=X.NoEventMask)
        d.sync()  # a round trip: the server has handled the request before we disconnect
        d.close()

    def wait(self):
        return self.process.wait(timeout=EXIT_TIMEOUT)

    def output(self):
        self._out.flush()
        self._out.seek(0)
        return self._out.read()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
