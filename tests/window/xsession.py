"""One of the programs in a real window on its own Xvfb, driven like a user.

The X side goes through the usual command-line tools: Xvfb for the server,
xdotool for real input (XTEST pointer motion, buttons and keys), xprop for the
caption, xwd for the window's pixels, and close_window (built next to the
tests) for the WM_DELETE_WINDOW message that a window manager would send.
Everything waits by polling with a deadline; nothing sleeps a fixed time.
WAVESTRING_TEST_TIMEOUT_SCALE, a whole number, multiplies every deadline.

Each session's Xvfb comes from tests/with_xvfb.sh, which says which display
it takes.

A Windows build of a program (a .exe) runs under Wine, in the Wine prefix
given, and is driven the same way: Wine shows its windows as X windows.
"""

import array
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 640, 480
CENTRE_ROW = HEIGHT // 2
WITH_XVFB = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "with_xvfb.sh")

COLOURS = {0xFFFFFF: "white", 0xFF0000: "red", 0x00FF00: "green"}

# SDL 1.2 on X11 takes a press that follows the release of the same key within
# about 2 ms for auto-repeat and drops it; keep keys well apart.
KEY_DELAY_MS = 10


class Failure(Exception):
    """What the program did differs from what a user should see."""


def timeout_scale():
    value = os.environ.get("WAVESTRING_TEST_TIMEOUT_SCALE", "1")
    if not value.isdigit() or int(value) < 1:
        raise Failure(f"WAVESTRING_TEST_TIMEOUT_SCALE is {value!r}, not a whole number from 1 up")
    return int(value)


def deadline_loop(seconds, interval=0.01):
    """Yields until the deadline, times the scale, sleeping a little between turns."""
    end = time.monotonic() + seconds * timeout_scale()
    while True:
        yield
        if time.monotonic() > end:
            return
        time.sleep(interval)


def run_tool(*args, env=None):
    return subprocess.run(args, env=env, check=True, capture_output=True).stdout


def wine_env(prefix):
    """What a Windows program run by Wine needs in its environment: its Wine
    prefix, no debug output, and no offer to install Wine's Mono or Gecko."""
    return {"WINEPREFIX": os.path.abspath(prefix), "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}


def stop_wine(env):
    """Ends what Wine still runs in the prefix of env. Wine keeps a server and
    a desktop process per prefix for a few seconds after the last program
    ends, tied to the X display of the first one: a program started then, on
    another display, or none, would share that desktop."""
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=10 * timeout_scale())


class Session:
    """Xvfb plus one run of a program in it, with the tools to drive it. The
    program runs on the SDL 1.2 library in sdl_dir, or else on the system's;
    a Windows program (wine_prefix given) on the SDL.dll beside it."""

    def __init__(self, program, sdl_dir=None, tools_dir=None, wine_prefix=None):
        self.program = program
        self.sdl_dir = sdl_dir
        self.wine_prefix = wine_prefix
        self.tools_dir = tools_dir or os.path.dirname(os.path.abspath(__file__))
        require_tools()
        # The server lives until the shell that prints its display reads the
        # end of its input.
        self.xvfb = subprocess.Popen(
            ["sh", WITH_XVFB, "sh", "-c", 'echo "$DISPLAY $XVFB_PID"; exec cat >/dev/null'],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.display, _, self.server_pid = self.xvfb.stdout.readline().decode().strip().partition(" ")
        if not self.display:
            raise Failure(f"no X server (status {self.xvfb.wait()})")
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("SDL_VIDEODRIVER", None)
        if wine_prefix:
            self.env.update(wine_env(wine_prefix))
            stop_wine(self.env)
        self.process = None
        self.window = None
        self.captions_seen = []
        self.args, self.extra_env = (), {}
        self.stderr = tempfile.TemporaryFile()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.wine_prefix:
            stop_wine(self.env)  # while this session's X server is still there
        self.xvfb.stdin.close()
        self.xvfb.wait(timeout=10 * timeout_scale())
        self.stderr.close()

    # -- the program -------------------------------------------------------

    def command(self, *args):
        """The command line that runs the program with args."""
        program = os.path.abspath(self.program)
        return ["wine", program, *args] if self.wine_prefix else [program, *args]

    def start(self, *args, env=None):
        """Starts the program, with args and env added to its environment
        (those of the last start when none are given), and waits for its
        window to be on the screen."""
        if args or env is not None:
            self.args, self.extra_env = args, dict(env or {})
        env = dict(self.env, **self.extra_env)
        if self.sdl_dir:
            env["LD_LIBRARY_PATH"] = self.sdl_dir
        self.process = subprocess.Popen(self.command(*self.args), env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=self.stderr,
                                        cwd=os.path.dirname(os.path.abspath(self.program)))
        # sdl12-compat maps a first window, then destroys it and maps another
        # for its renderer before the first frame: a window found early may be
        # gone a moment later. The program's window is the one whose caption
        # shows a frame's k and t; the captions seen on the way are noted.
        self.window = None
        self.captions_seen = []
        for _ in deadline_loop(20):
            self.check_alive()
            for window in self.xdotool_lines("search", "--onlyvisible", "--name", "^Vibrelle"):
                seen = self.caption_of(window)
                if seen is None:
                    continue  # destroyed since the search
                if not self.captions_seen or self.captions_seen[-1] != seen:
                    self.captions_seen.append(seen)
                if seen.startswith("Vibrelle : "):
                    self.window = window
            if self.window:
                break
        else:
            raise Failure(f"no window showing a frame within {20 * timeout_scale()} s; "
                          f"captions seen: {self.captions_seen}")
        self.check_sdl_library()
        self.check_size()
        self.check_class()
        # The pointer goes into the window and the window takes the keyboard.
        self.move(WIDTH // 2, HEIGHT // 2)
        self.xdotool("windowfocus", "--sync", self.window)
        return self

    def check_alive(self):
        if self.process.poll() is not None:
            raise Failure(f"the program ended with status {self.process.returncode}: "
                          f"{self.program_stderr()!r}")

    def program_stderr(self):
        self.stderr.seek(0)
        return self.stderr.read().decode(errors="replace")

    def check_sdl_library(self):
        """The program really runs on the SDL 1.2 library it was given (under
        Wine, the SDL.dll beside it)."""
        name = "SDL.dll" if self.wine_prefix else "libSDL-1.2"
        wanted = os.path.dirname(os.path.realpath(self.program)) if self.wine_prefix else self.sdl_dir
        with open(f"/proc/{self.process.pid}/maps") as maps:
            libraries = {line.split()[-1] for line in maps if name in line}
        folders = {os.path.dirname(path) for path in libraries}
        if wanted and folders != {os.path.realpath(wanted)}:
            raise Failure(f"expected the SDL 1.2 in {wanted}, found {sorted(libraries)}")

    def check_size(self):
        info = run_tool("xwininfo", "-id", self.window, env=self.env).decode()
        size = {line.split(":")[0].strip(): line.split(":")[1].strip()
                for line in info.splitlines() if line.strip().startswith(("Width", "Height"))}
        if (size.get("Width"), size.get("Height")) != (str(WIDTH), str(HEIGHT)):
            raise Failure(f"window is {size}, expected {WIDTH}x{HEIGHT}")

    def check_class(self):
        """The window's class is the program's name, as its menu entry says."""
        name = os.path.basename(self.program)
        out = run_tool("xprop", "-id", self.window, "WM_CLASS", env=self.env).decode()
        if out != f'WM_CLASS(STRING) = "{name}", "{name}"\n':
            raise Failure(f"window class {out!r}, expected {name}")

    def wait_exit(self, seconds=10):
        """The program's exit status, once it has ended."""
        try:
            return self.process.wait(timeout=seconds * timeout_scale())
        except subprocess.TimeoutExpired:
            raise Failure(f"the program still runs {seconds * timeout_scale()} s later") from None

    # -- what the user sees ----------------------------------------------------

    def caption(self):
        """The window's title as xprop reads it."""
        seen = self.caption_of(self.window)
        if seen is None:
            raise Failure(f"window {self.window} has gone")
        return seen

    def caption_of(self, window):
        """The title of window, or None once the window no longer exists."""
        result = subprocess.run(["xprop", "-id", window, "-notype", "WM_NAME"],
                                env=self.env, capture_output=True)
        if result.returncode != 0:
            return None
        out = result.stdout.decode()
        match = re.fullmatch(r'WM_NAME = "(.*)"\n', out)
        if not match:
            raise Failure(f"unexpected xprop output {out!r}")
        return match.group(1)

    def picture(self):
        return Picture.from_xwd(run_tool("xwd", "-silent", "-id", self.window, env=self.env))

    def wait_caption(self, wanted, seconds=10, forbidden=None):
        """Polls the caption until it reads wanted. forbidden(caption) may name
        a caption that must never be seen on the way."""
        seen = None
        for _ in deadline_loop(seconds):
            self.check_alive()
            seen = self.caption()
            if forbidden and forbidden(seen):
                raise Failure(f"caption {seen!r} while waiting for {wanted!r}")
            if seen == wanted:
                return seen
        raise Failure(f"caption is {seen!r}, expected {wanted!r} within {seconds * timeout_scale()} s")

    def wait_picture(self, wanted, seconds=10, what="picture"):
        """Polls the window until its dots are exactly wanted (a Picture or a
        function of the picture that says whether it is the one)."""
        seen = None
        for _ in deadline_loop(seconds):
            self.check_alive()
            seen = self.picture()
            if (wanted(seen) if callable(wanted) else seen == wanted):
                return seen
        detail = "" if callable(wanted) else "\n" + seen.differences(wanted)
        raise Failure(f"{what} not shown within {seconds * timeout_scale()} s{detail}")

    # -- what the user does ----------------------------------------------------

    def xdotool(self, *args):
        return run_tool("xdotool", *args, env=self.env)

    def xdotool_lines(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True)
        return result.stdout.decode().split("\n")[:-1] if result.returncode == 0 else []

    def move(self, x, y):
        """Moves the pointer to column x and row y of the window; under Wine,
        waits until the program has taken the motion in."""
        self.xdotool("mousemove", "--window", self.window, str(x), str(y))
        if self.wine_prefix:
            self.wait_pointer_read()

    def wait_pointer_read(self):
        """SDL 1.2 on Windows has no motion messages of its own: it reads the
        pointer's position once per drain of the window's messages, after the
        buttons of that drain. A click that comes in the same drain as the
        pointer's jump would act where the pointer was before. t goes a step
        and back: once the caption shows the step, the drain that took the key
        has read the new position, and queued its motion before any later
        click."""
        match = re.fullmatch(r"(Vibrelle : k=\S+ et t=)(\d+)", self.caption())
        if not match:
            raise Failure(f"caption {self.caption()!r} shows no t")
        t = int(match.group(2))
        for key, value in ((("Up", t + 1), ("Down", t)) if t < 1000 else (("Down", t - 1), ("Up", t))):
            self.keys(key)
            self.wait_caption(match.group(1) + str(value))

    def press(self, button):
        self.xdotool("mousedown", str(button))

    def release(self, button):
        self.xdotool("mouseup", str(button))

    def click(self, button):
        """Presses and releases the button back to back, as a quick click or
        a touchpad tap does."""
        self.xdotool("click", str(button))

    def key_down(self, name):
        self.xdotool("keydown", name)

    def key_up(self, name):
        self.xdotool("keyup", name)

    def keys(self, *names):
        """Types the keys in order, spaced so SDL takes none for auto-repeat,
        in batches that SDL's 128-event queue holds."""
        for start in range(0, len(names), 40):
            self.xdotool("key", "--delay", str(KEY_DELAY_MS), *names[start:start + 40])

    def cover(self):
        """Maps another X window (an xmessage) over the whole window; ending
        the returned process removes it again."""
        geometry = self.xdotool("getwindowgeometry", "--shell", self.window).decode()
        where = dict(line.split("=", 1) for line in geometry.split())
        x, y = max(int(where["X"]) - 20, 0), max(int(where["Y"]) - 20, 0)
        return subprocess.Popen(
            ["xmessage", "-geometry", f"{WIDTH + 40}x{HEIGHT + 40}+{x}+{y}", "-bg", "white",
             "covering the window"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close_window(self):
        """Clicks the close button: sends WM_DELETE_WINDOW as a window manager would."""
        run_tool(os.path.join(self.tools_dir, "close_window"), self.window, env=self.env)


class Picture:
    """The window's pixels as a map from (column, row) to a colour name, for
    every pixel that is not black."""

    def __init__(self, dots):
        self.dots = dots

    @staticmethod
    def from_xwd(data):
        width, height, rows = xwd_rows(data)
        if (width, height) != (WIDTH, HEIGHT):
            raise Failure(f"xwd gave {width}x{height}")
        black = array.array("I", bytes(4 * width))
        dots = {}
        for y, row in enumerate(rows):
            if row == black:
                continue
            for x, value in enumerate(row):
                value &= 0xFFFFFF
                if value:
                    dots[(x, y)] = COLOURS.get(value, f"#{value:06x}")
        return Picture(dots)

    @staticmethod
    def of_string(rows, anchors=(), velocity_rows=None):
        """The picture of a string whose column x is drawn on rows[x]: a white
        dot there (green for a column in anchors) over a red dot on
        velocity_rows[x] (default: the centre row, a string at rest)."""
        dots = {}
        for x, row in enumerate(rows):
            dots[(x, velocity_rows[x] if velocity_rows else CENTRE_ROW)] = "red"
            dots[(x, row)] = "green" if x in anchors else "white"
        return Picture(dots)

    def __eq__(self, other):
        return self.dots == other.dots

    def differences(self, wanted, limit=8):
        lines = []
        for key in sorted(set(self.dots) | set(wanted.dots)):
            have, want = self.dots.get(key, "black"), wanted.dots.get(key, "black")
            if have != want:
                lines.append(f"  column {key[0]} row {key[1]}: {have}, expected {want}")
        more = f"\n  ... {len(lines) - limit} more" if len(lines) > limit else ""
        return "\n".join(lines[:limit]) + more


def rest_rows():
    return [CENTRE_ROW] * WIDTH


def xwd_rows(data):
    """The width, height and rows of 0xRRGGBB pixel values of xwd's output,
    which must be 32 bits per pixel."""
    (header_size, _version, _format, _depth, width, height, _xoffset, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line) = struct.unpack(">13I", data[:52])
    colour_count = struct.unpack(">I", data[76:80])[0]
    if bits_per_pixel != 32:
        raise Failure(f"xwd gave {bits_per_pixel} bits per pixel")
    pixels = memoryview(data)[header_size + 12 * colour_count:]
    rows = []
    for y in range(height):
        values = array.array("I", pixels[y * bytes_per_line:y * bytes_per_line + 4 * width].tobytes())
        if (byte_order == 1) != (sys.byteorder == "big"):
            values.byteswap()
        rows.append(values)
    return width, height, rows


def require_tools():
    missing = [tool for tool in ("Xvfb", "xdotool", "xwd", "xwininfo", "xprop", "xset", "xmessage")
               if not shutil.which(tool)]
    if missing:
        raise Failure(f"missing tools: {', '.join(missing)} (run scripts/install-deps)")
