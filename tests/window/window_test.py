#!/usr/bin/env python3
"""Real-window checks of wavestring and wavestring_paced.

Each run starts its own Xvfb, starts the program in it on the SDL 1.2 library
asked for, and does what a user does: moves the pointer, presses buttons and
keys, closes the window; then reads back what a user would see, the window's
pixels and its caption.

A Windows build (--wine PREFIX) runs under Wine in that Wine prefix, on the
SDL.dll beside it.

Each check is declared once, by @check below: the programs it runs, the SDL
1.2 libraries it runs on, whether it runs under Wine too, and what it needs
(a started program, with arguments and an environment of its own; only an X
display; or nothing). CMake registers one test for each from --list.

usage: window_test.py --list
       window_test.py --program PATH [--sdl-dir DIR] [--tools DIR] [--model PATH]
                      [--wine PREFIX] CHECK
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from types import SimpleNamespace

sys.dont_write_bytecode = True  # keep the source tree clean

from xsession import (CENTRE_ROW, WIDTH, Failure, Picture, Session, deadline_loop, rest_rows,
                      run_tool, stop_wine, timeout_scale, wine_env)

LEFT, MIDDLE, RIGHT = 1, 2, 3
REST = Picture.of_string(rest_rows())
PROGRAMS = ("wavestring", "wavestring_paced")
LIBRARIES = ("classic", "compat")
CHECKS = {}


def check(programs=PROGRAMS, libraries=LIBRARIES, wine=False, needs="window", args=(), env=None):
    """Declares the function below as the check named after it: the programs
    and libraries it runs on, whether under Wine too, and what it needs:
    "window" (the program started in a session, with args and env),
    "display" (a session, the program not started) or None."""
    def declare(function):
        CHECKS[function.__name__.removeprefix("check_")] = SimpleNamespace(
            function=function, programs=programs, libraries=libraries, wine=wine, needs=needs, args=args, env=env)
        return function
    return declare


def run_of(session, program, sdl_dir, wine, model):
    """What a check is given: the session (when it needs one), the program's
    path and name, whether it is wavestring_paced, the folder of its SDL 1.2
    library, its Wine prefix and its model_frames."""
    name = os.path.splitext(os.path.basename(program))[0]
    return SimpleNamespace(session=session, program=program, name=name, paced=name == "wavestring_paced",
                           sdl_dir=sdl_dir, wine=wine, model=model)


def plucked_at(x, row):
    """A string at rest but for column x, drawn on row."""
    rows = rest_rows()
    rows[x] = row
    return Picture.of_string(rows)


def caption(k, t):
    return f"Vibrelle : k={k} et t={t}"


# The language a program speaks, from the environment: English (the locale
# C.UTF-8) or French (fr_FR.UTF-8, which scripts/install-deps generates),
# under Wine as on Linux. The language variables of the tests' own
# environment are left out.
LANGUAGE_VARIABLES = ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG")
IN_ENGLISH = {"LANG": "C.UTF-8"}
IN_FRENCH = {"LANG": "fr_FR.UTF-8"}
ALL_IN_FRENCH = {"LC_ALL": "fr_FR.UTF-8"}  # numbers too: "0,900000"


def with_language(env, language):
    """env without its language variables, then with those of language."""
    return dict({key: value for key, value in env.items() if key not in LANGUAGE_VARIABLES}, **language)


def require_french_locale():
    """Under a locale that is not generated, setlocale fails and a program
    speaks English: a check in French would prove nothing."""
    if "fr_FR.utf8" not in subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split():
        raise Failure("the locale fr_FR.UTF-8 is not generated (scripts/install-deps generates it)")


def caption_t(text):
    match = re.fullmatch(r"Vibrelle : k=(-?\d+\.\d{6}) et t=(\d+)", text)
    if not match:
        raise Failure(f"caption {text!r} is not 'Vibrelle : k=%f et t=%u'")
    return float(match.group(1)), int(match.group(2))


def k_out_of_range(text):
    return not 0.0 <= caption_t(text)[0] <= 1.0 or "k=-" in text


def press_until(session, key, wanted, forbidden, batch=40):
    """Presses key until the caption reads wanted, in batches that SDL's event
    queue holds, waiting for each batch to show before the next: the paced
    program drains its queue only once per frame of up to a second. Every key
    counts one step in the caption; a press that SDL dropped is made again."""
    now = session.caption()
    for _ in range(60):
        if forbidden(now):
            raise Failure(f"caption {now!r} on the way to {wanted!r}")
        if now == wanted:
            return
        count = min(batch, max(remaining_steps(now, wanted), 1))
        session.keys(*[key] * count)
        expected = step_caption(now, wanted, count)
        for _ in deadline_loop(3):
            now = session.caption()
            if now == expected or forbidden(now):
                break
        # else a press was lost: look again
    raise Failure(f"caption never read {wanted!r}; it reads {session.caption()!r}")


def remaining_steps(now, wanted):
    (k_now, t_now), (k_want, t_want) = caption_t(now), caption_t(wanted)
    return max(round(abs(k_want - k_now) / 0.01), abs(t_want - t_now))


def step_caption(now, wanted, count):
    """The caption count presses after now, going towards wanted."""
    (k_now, t_now), (k_want, t_want) = caption_t(now), caption_t(wanted)
    if k_now != k_want:
        steps = min(count, round(abs(k_want - k_now) / 0.01))
        k = k_now + steps * 0.01 * (1 if k_want > k_now else -1)
        return caption(f"{abs(k):.6f}", t_now)
    steps = min(count, abs(t_want - t_now))
    return caption(f"{k_now:.6f}", t_now + steps * (1 if t_want > t_now else -1))


def expect_stops_at(session, key, bound, back, back_caption, out_of_range):
    """Presses key until the caption reads bound, then three more times: it
    must stay; then back once, which the caption must show as back_caption.
    No caption out_of_range may be seen on the way."""
    press_until(session, key, bound, out_of_range)
    session.keys(key, key, key, back)
    session.wait_caption(back_caption, forbidden=out_of_range)


def hold_still(session, wanted, what):
    """The picture stays wanted while frames pass. k goes a step up and back
    down, and the caption shows each step: it is set in a frame before that
    frame's present, and a frame's changes are presented within a refresh
    interval, less than a key's round trip, so once the second step shows,
    the frame of the first has been drawn and shown since the first
    picture. k must be below 1."""
    back = session.caption()
    k, t = caption_t(back)
    for key, shown in ((None, back), ("Right", caption(f"{k + 0.01:.6f}", t)), ("Left", back)):
        if key:
            session.keys(key)
        session.wait_caption(shown)
        picture = session.picture()
        if picture != wanted:
            raise Failure(f"{what}:\n" + picture.differences(wanted))


# -- the checks ------------------------------------------------------------------

@check(wine=True)
def check_rest(run):
    """First caption, and the string at rest: one white dot per column on the
    centre row, no red, nothing else, frame after frame."""
    session = run.session
    first = caption("0.900000", 1)
    session.wait_caption(first)
    # The bare title set at start-up lasts until the first frame, often too
    # short a time to be seen; when it is seen, it comes first.
    if session.captions_seen not in ([first], ["Vibrelle", first]):
        raise Failure(f"captions at start-up: {session.captions_seen}")
    session.wait_picture(REST, what="the string at rest")
    hold_still(session, REST, "a string at rest moved")


@check(wine=True, env=ALL_IN_FRENCH)
def check_paused_edits(run):
    """While paused, each button puts its dot exactly under the cursor; Space
    clears everything and the string then stays flat. Under a French locale,
    whose numbers have a decimal comma: the caption keeps its point."""
    session = run.session
    session.keys("Return")  # pause

    rows = rest_rows()
    rows[100] = 340
    session.move(100, 340)
    session.press(LEFT)
    session.wait_picture(Picture.of_string(rows), what="white dot under the cursor at column 100")
    session.release(LEFT)

    velocity_rows = rest_rows()
    velocity_rows[200] = 100
    session.move(200, 100)
    session.press(RIGHT)
    wanted = Picture.of_string(rows, velocity_rows=velocity_rows)
    session.wait_picture(wanted, what="red dot under the cursor at column 200")
    session.release(RIGHT)

    # A middle press, then a key: once the caption shows the key, the frame
    # that took the press has drawn.
    session.move(300, 400)
    session.press(MIDDLE)
    session.keys("Right")
    session.wait_caption(caption("0.910000", 1))
    anchors = ()
    if not run.paced:
        rows[300] = 400
        anchors = (300,)
    wanted = Picture.of_string(rows, anchors=anchors, velocity_rows=velocity_rows)
    session.wait_picture(wanted, what="the middle click's result")
    session.release(MIDDLE)
    hold_still(session, wanted, "releasing the middle button changed the picture")

    session.keys("space")
    session.wait_picture(REST, what="the cleared string")
    session.keys("Return")  # run again
    hold_still(session, REST, "the cleared string moved")
    session.wait_caption(caption("0.910000", 1))  # Space and Return leave k and t


@check(wine=True)
def check_click(run):
    """A quick click of each button makes its edit, a middle click toggles
    once; while running, a click plucks the string."""
    session = run.session
    session.keys("Return")  # pause
    rows, velocity_rows = rest_rows(), rest_rows()
    rows[100] = 340
    session.move(100, 340)
    session.click(LEFT)
    session.wait_picture(Picture.of_string(rows), what="the left click's white dot")
    velocity_rows[200] = 100
    session.move(200, 100)
    session.click(RIGHT)
    session.wait_picture(Picture.of_string(rows, velocity_rows=velocity_rows),
                         what="the right click's red dot")
    if not run.paced:
        rows[300] = 400
        session.move(300, 400)
        session.click(MIDDLE)
        session.wait_picture(Picture.of_string(rows, anchors=(300,), velocity_rows=velocity_rows),
                             what="the middle click's anchor")
    session.keys("space", "Return")  # clear and run
    session.wait_picture(REST, what="the cleared string")
    session.move(320, 340)
    session.click(LEFT)
    session.wait_picture(lambda picture: picture != REST, what="a wave from a click")


def watch_picture(session, wanted, what):
    """The picture stays wanted while a key is held for three repeat delays
    (SDL's 500 ms)."""
    for _ in deadline_loop(1.5):
        picture = session.picture()
        if picture != wanted:
            raise Failure(f"{what}:\n" + picture.differences(wanted))


@check()
def check_held_keys(run):
    """Held Return and Space act once; held arrow keys repeat, and t runs over
    its range in seconds; a single press after that still moves by one step.

    The repeats are SDL's own: with the X server's auto-repeat on, classic
    SDL 1.2 tells a repeat from a new press by finding the server's release
    and press of the key side by side in its queue, which a loaded machine
    can split into a release and a new press."""
    session = run.session
    run_tool("xset", "r", "off", env=session.env)
    session.key_down("Return")
    plucked = plucked_at(320, 340)
    session.move(320, 340)
    session.click(LEFT)
    session.wait_picture(plucked, what="the pluck, paused")
    watch_picture(session, plucked, "held Return resumed the string")
    session.key_up("Return")

    session.key_down("space")
    session.wait_picture(REST, what="the cleared string")
    session.move(100, 300)
    session.click(LEFT)
    session.wait_picture(plucked_at(100, 300), what="a pluck with Space held")
    watch_picture(session, plucked_at(100, 300), "held Space cleared the string again")
    session.key_up("space")

    started = time.monotonic()
    session.key_down("Up")
    session.wait_caption(caption("0.900000", 1000), seconds=30,
                         forbidden=lambda text: caption_t(text)[1] > 1000)
    print(f"t from 1 to 1000 in {time.monotonic() - started:.1f} s of holding Up")
    session.key_up("Up")
    session.keys("Down")
    session.wait_caption(caption("0.900000", 999))


@check()
def check_covered(run):
    """Edits made while paused show, and show again after another window was
    mapped over the window and removed, although nothing moves any more."""
    session = run.session
    session.keys("Return")  # pause
    rows, velocity_rows = rest_rows(), rest_rows()
    for button, x, y in ((LEFT, 100, 340), (RIGHT, 200, 100)):
        (rows if button == LEFT else velocity_rows)[x] = y
        wanted = Picture.of_string(rows, velocity_rows=velocity_rows)
        session.move(x, y)
        session.press(button)
        session.wait_picture(wanted, what=f"the edit at column {x} while paused")
        session.release(button)

    cover = session.cover()
    try:
        session.wait_picture(lambda picture: picture != wanted, what="the window covered")
    finally:
        cover.terminate()
        cover.wait()
    session.wait_picture(wanted, what="the edits again once uncovered")


@check(wine=True, needs="display")
def check_options(run):
    """The set-up options start the program set up as a link would: k and t
    in the caption, paused with a hump whose top is exactly its height, and
    in wavestring two green anchors on the centre line."""
    session = run.session
    anchors = () if run.paced else (100, 500)
    session.start("--k=1", "--t=30", "--paused", "--hump=320,40,-100",
                  *(["--anchors=" + ",".join(map(str, anchors))] if anchors else []))
    session.wait_caption(caption("1.000000", 30))

    def rows(picture, x, colour):
        return sorted(y for (column, y), name in picture.dots.items() if column == x and name == colour)

    picture = session.wait_picture(lambda seen: rows(seen, 320, "white") == [CENTRE_ROW - 100],
                                   what="the hump's top on row 140")
    for x in range(WIDTH):
        if x in anchors and rows(picture, x, "green") != [CENTRE_ROW]:
            raise Failure(f"no green anchor on the centre row at column {x}: {rows(picture, x, 'green')}")
        if abs(x - 320) >= 20 and x not in anchors and rows(picture, x, "white") != [CENTRE_ROW]:
            raise Failure(f"column {x}, outside the hump, is not on the centre row")
    session.keys("Left")  # k below 1, for hold_still
    session.wait_caption(caption("0.990000", 30))
    hold_still(session, picture, "the paused string moved")


@check(programs=("wavestring",), libraries=("classic",), wine=True)
def check_bounds(run):
    """k stops at 1 and at 0; t stops at its lower bound. Once per platform,
    to show that the keys reach the caption there: the steps of k are the
    model's, checked bit for bit on every target (model.*), and held_keys
    takes t to 1000."""
    low = 0 if run.paced else 1

    def out_of_range(text):
        return k_out_of_range(text) or not low <= caption_t(text)[1] <= 1000

    session = run.session
    expect_stops_at(session, "Right", caption("1.000000", 1), "Left", caption("0.990000", 1), out_of_range)
    expect_stops_at(session, "Left", caption("0.000000", 1), "Right", caption("0.010000", 1), out_of_range)
    expect_stops_at(session, "Down", caption("0.010000", low), "Up", caption("0.010000", low + 1), out_of_range)


@check(wine=True)
def check_quit(run):
    """Escape, and the close button, end the program with status 0."""
    session = run.session
    session.keys("Escape")
    status = session.wait_exit()
    if status != 0:
        raise Failure(f"Escape: exit status {status}")
    session.start()
    session.close_window()
    status = session.wait_exit()
    if status != 0:
        raise Failure(f"close button: exit status {status}")


def model_pictures(model, x, row, k_presses, frames):
    """The model's pictures after a click at column x, row, while paused,
    from the click (0) to frames: a map from each picture's two lines of
    rows (model_frames' output) to its frame."""
    out = run_tool(model, str(x), str(row), str(k_presses), str(frames)).decode().split("\n")
    pictures = {}
    for frame in range(frames + 1):
        pictures.setdefault((out[2 * frame], out[2 * frame + 1]), frame)
    return pictures


def rows_of(picture):
    """The two lines of rows, as model_frames prints them, of a picture that
    is a string's, else None."""
    white, red = {}, {}
    for (x, y), colour in picture.dots.items():
        (red if colour == "red" else white).setdefault(x, []).append(y)
    if sorted(white) != list(range(WIDTH)) or any(len(rows) != 1 for rows in white.values()) \
            or any(len(rows) != 1 for rows in red.values()):
        return None
    rows = [white[x][0] for x in range(WIDTH)]
    velocity_rows = [red[x][0] if x in red else rows[x] for x in range(WIDTH)]  # a white dot hides a red one
    if Picture.of_string(rows, velocity_rows=velocity_rows) != picture:
        return None
    return " ".join(map(str, rows)), " ".join(map(str, velocity_rows))


@check(wine=True)
def check_running_frame(run):
    """A picture taken after the string ran on from a click is one the frames
    draw, pixel for pixel: the model's, stepped a whole number of times. At
    k = 1 the waves never fade, so it differs from the string at rest."""
    session = run.session
    session.keys("Return")  # pause
    press_until(session, "Right", caption("1.000000", 1), k_out_of_range)
    frames = 3000  # 3 s of running, at most, between the two Returns
    pictures = model_pictures(run.model, 320, 340, 10, frames)
    plucked = plucked_at(320, 340)
    session.move(320, 340)
    session.click(LEFT)
    session.wait_picture(plucked, what="the click, paused")
    session.keys("Return")  # run
    session.wait_picture(lambda picture: picture != plucked, what="the string running")
    session.keys("Return")  # pause
    seen = session.wait_picture(lambda picture: rows_of(picture) in pictures,
                                what=f"one of the model's first {frames} frames")
    frame = pictures[rows_of(seen)]
    print(f"the paused window shows the model's frame {frame}")
    if frame == 0 or seen == REST:
        raise Failure(f"the window shows frame {frame}, {'at rest' if seen == REST else 'the click'}")


def run_to_end(command, env, seconds, cwd=None):
    """Runs command, with no input and its output caught, to its end within
    seconds (times the timeout scale)."""
    try:
        return subprocess.run(command, env=env, cwd=cwd, capture_output=True, stdin=subprocess.DEVNULL,
                              timeout=seconds * timeout_scale())
    except subprocess.TimeoutExpired:
        raise Failure(f"{' '.join(command)}: still running {seconds * timeout_scale()} s later") from None


# What --help prints, as a pattern, in each language: the usage line, the
# keys, and the last line, which points at the man page or at the read-me.
def help_pattern(name, french):
    if french:
        return (rf"Utilisation\u00a0: {re.escape(name)} \[--help \| --version \| R\u00c9GLAGE\.\.\.\]\n(.*\n)+"
                rf".*\u00c9chap +quitte\n\n.*\u00e0 faire\u00a0:\n"
                rf"(man 6 {re.escape(name)}|LISEZMOI\.txt, \u00e0 c\u00f4t\u00e9 de {re.escape(name)}\.exe)\n")
    return (rf"Usage: {re.escape(name)} \[--help \| --version \| SET-UP\.\.\.\]\n(.*\n)+"
            rf".*Escape +quit\n\n.*things to try: .*{re.escape(name)}.*\n")


# What a Linux user may set, and whether the programs then speak French:
# gettext's rules, LC_ALL before LC_MESSAGES before LANG, and LANGUAGE, a list
# of languages to try in turn, read only where the locale is not C (as every
# program that uses gettext does).
LINUX_LANGUAGES = (
    ({"LANG": "fr_FR.UTF-8"}, True),
    ({"LC_ALL": "fr_FR.UTF-8"}, True),
    ({"LANG": "C.UTF-8", "LC_MESSAGES": "fr_FR.UTF-8"}, True),
    ({"LANG": "C.UTF-8", "LANGUAGE": "fr"}, True),
    ({"LANGUAGE": "fr"}, False),
    ({"LC_ALL": "C", "LANG": "fr_FR.UTF-8", "LANGUAGE": "fr"}, False),
    ({"LANG": "C.UTF-8", "LANGUAGE": "de"}, False),  # no German catalogue
    ({"LANG": "C.UTF-8", "LANGUAGE": "de:fr"}, True),
)


@check(libraries=("classic",), wine=True, needs=None)
def check_console(run):
    """--help and --version print on the standard output they were given (a
    pipe here) and nothing on stderr, with status 0, and leave no file
    beside the program; --help in English, and in French under a French
    locale. On Linux, --help and an error (SDL failing to start) in the
    language each setting of LINUX_LANGUAGES asks for, and a bad option or
    value is an error that names it, with status 2 (under Wine it shows in
    a message box: message_box). (The texts come from the program, not SDL:
    one library will do.)"""
    program, wine_prefix, name = os.path.abspath(run.program), run.wine, run.name
    folder = os.path.dirname(program)
    env = dict(os.environ, **wine_env(wine_prefix)) if wine_prefix else dict(os.environ)
    require_french_locale()
    before = sorted(os.listdir(folder))
    for option, language, expected in (("--version", IN_ENGLISH, rf"{re.escape(name)} \d+\.\d+\.\d+\n"),
                                       ("--help", IN_ENGLISH, help_pattern(name, False)),
                                       ("--help", IN_FRENCH, help_pattern(name, True))):
        result = run_to_end(["wine", program, option] if wine_prefix else [program, option],
                            with_language(env, language), 20, cwd=folder)
        out, err = result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")
        if wine_prefix:  # Windows' text files end their lines with CR LF
            out = out.replace("\r\n", "\n")
        if result.returncode != 0 or err or not re.fullmatch(expected, out):
            raise Failure(f"{option} under {language}: status {result.returncode}, stdout {out!r}, stderr {err!r}")
    if wine_prefix:
        check_parent_console(program, with_language(env, IN_ENGLISH), "--version", rf"{re.escape(name)} \d+\.\d+\.\d+\n")
        check_parent_console(program, with_language(env, IN_FRENCH), "--help", help_pattern(name, True))
        stop_wine(env)
    else:
        expect_languages(program, name, env)
        expect_bad_options(program, name, run.paced, with_language(env, IN_ENGLISH))
    after = sorted(os.listdir(folder))
    if after != before:
        raise Failure(f"the folder of the program held {before}, now {after}")


def expect_languages(program, name, env):
    """--help and an error in the language each setting asks for."""
    env = {key: value for key, value in env.items() if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(SDL_VIDEODRIVER="x11")
    wrong = []
    for language, french in LINUX_LANGUAGES:
        out = run_to_end([program, "--help"], with_language(env, language), 10).stdout.decode()
        err = run_to_end([program], with_language(env, language), 10).stderr.decode()
        usage = "Utilisation\u00a0: " if french else "Usage: "
        error = f"{name}\u00a0: SDL_Init a \u00e9chou\u00e9\u00a0: " if french else f"{name}: SDL_Init failed: "
        print(f"{language}: {out.splitlines()[0] if out else ''!r} {err!r}")
        if not out.startswith(usage + name) or not err.startswith(error):
            wrong.append(f"under {language}, expected {'French' if french else 'English'}: {out[:40]!r}, {err!r}")
    if wrong:
        raise Failure("\n  ".join(wrong))


def expect_bad_options(program, name, paced, env):
    """A bad option or value, or an argument the program does not know, is
    an error that names it: status 2, one line on stderr, no window."""
    cases = [("--k=abc", "not a number"), ("--t=5000", "out of range; the nearest value allowed is 1000"),
             ("--paused=2", "takes no value, or 0 or 1"), ("--speed=3", "unknown option"),
             ("--hump=1,2", "takes three whole numbers separated by commas"),
             ("--anchors=1,2", "wavestring_paced has no anchors") if paced
             else ("--anchors=100,640", "out of range; the nearest value allowed is 639")]
    for args, problem in [(["--k=1", option], f"{option}: {problem}") for option, problem in cases] \
            + [(["--unknown"], "--unknown: unknown option (see --help)\n")]:
        result = run_to_end([program, *args], dict(env, DISPLAY=":79"), 20)
        err = result.stderr.decode(errors="replace")
        if result.returncode != 2 or not err.startswith(f"{name}: {problem}") or err.count("\n") != 1 or result.stdout:
            raise Failure(f"{' '.join(args)}: status {result.returncode}, stderr {err!r}; expected 2 and "
                          f"'{name}: {problem}'")


def check_parent_console(program, env, option, expected):
    """Started from a console without its handles, as cmd starts a windowed
    program, the program writes to the console of the program that started
    it: cmd's "start /wait", in a terminal (script), where Wine's console
    shows it, in the terminal's encoding (UTF-8)."""
    name = os.path.basename(program)
    command = f"wine cmd /c start /wait {name} {option}"
    result = run_to_end(["script", "-qec", command, "/dev/null"], env, 20, cwd=os.path.dirname(os.path.abspath(program)))
    # The terminal also gets the console's cursor controls and CR CR LF.
    shown = re.sub(r"\x1b\[\??[0-9;]*[A-Za-z]|\r", "", result.stdout.decode(errors="replace"))
    if result.returncode != 0 or not re.fullmatch(expected, shown):
        raise Failure(f"{command} under {env.get('LANG')}: status {result.returncode}, the console shows {shown!r}")


def wine_message_boxes(stderr):
    """The texts Wine put in the message boxes it showed, from its trace of
    them on stderr (WINEDEBUG trace+msgbox), with its escapes undone: \\XXXX
    a character by its hex code."""
    texts = re.findall(r'trace:msgbox:MSGBOX_OnInit L"((?:[^"\\]|\\.)*)"', stderr)
    escapes = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"'}
    return [re.sub(r"\\([0-9a-fA-F]{4}|.)", lambda m: chr(int(m.group(1), 16)) if len(m.group(1)) == 4
                   else escapes.get(m.group(1), m.group(1)), text) for text in texts]


@check(libraries=(), wine=True, needs="display")
def check_message_box(run):
    """A start that fails shows why in a message box titled with the
    program's name, and on stderr, and the program ends once the box is
    closed: SDL failing to start (a video driver that does not exist) in
    English, status 1; a bad option in French under a French locale, status
    2. The box's text is read from Wine's trace of the boxes it shows."""
    session, name = run.session, run.name
    require_french_locale()
    for language, args, status_wanted, separator, why in (
            (IN_ENGLISH, (), 1, ": ", "SDL_Init failed: "),
            (IN_FRENCH, ("--k=abc",), 2, "\u00a0: ", "--k=abc\u00a0: n\u2019est pas un nombre")):
        env = dict(with_language(session.env, language), SDL_VIDEODRIVER="no_such_driver",
                   WINEDEBUG="-all,trace+msgbox")
        session.stderr.seek(0)
        session.stderr.truncate()
        session.process = subprocess.Popen(session.command(*args), env=env, stdin=subprocess.DEVNULL,
                                           stdout=subprocess.DEVNULL, stderr=session.stderr)
        box = None
        for _ in deadline_loop(20):
            session.check_alive()
            found = session.xdotool_lines("search", "--onlyvisible", "--name", f"^{re.escape(name)}$")
            if found:
                box = found[0]
                break
        else:
            raise Failure(f"no message box titled {name!r} within {20 * timeout_scale()} s")
        if session.caption_of(box) != name:
            raise Failure(f"the message box is titled {session.caption_of(box)!r}, expected {name!r}")
        session.xdotool("windowfocus", "--sync", box)
        session.xdotool("key", "Return")  # its OK button
        status = session.wait_exit()
        err = session.program_stderr()
        lines = [line for line in err.splitlines() if "trace:msgbox" not in line]
        boxes = wine_message_boxes(err)
        print(f"{language} {' '.join(args)}: status {status}, stderr {lines!r}, the box says {boxes!r}")
        if status != status_wanted or len(lines) != 1 or not lines[0].startswith(name + separator + why) \
                or boxes != [lines[0][len(name + separator):]]:
            raise Failure(f"under {language} {' '.join(args)}: status {status}, stderr {err!r}; expected "
                          f"{status_wanted}, '{name}{separator}{why}' and the same in the box")
        stop_wine(session.env)


@check()
def check_x_server_killed(run):
    """Killed under the running program, the X server takes it along within
    seconds: the program ends, not by a signal, and no sanitizer speaks up."""
    session = run.session
    os.kill(int(session.server_pid), signal.SIGKILL)
    status = session.wait_exit(5)
    err = session.program_stderr()
    print(f"status {status} once the X server was killed, stderr: {err!r}")
    if status < 0 or re.search("Sanitizer|runtime error", err):
        raise Failure(f"ended by signal {-status}" if status < 0 else "a sanitizer spoke up")


@check(needs=None)
def check_no_display(run):
    """With no display to reach (no DISPLAY, SDL_VIDEODRIVER unset, empty or
    x11; a DISPLAY with no server): status 1, at once, after one line on
    stderr that says what failed, whatever driver SDL fell back on. In a
    terminal (a tmux pane) the line stays on the screen and the title is
    kept. (The messages in English, whatever the tests' own language.)"""
    folder = tempfile.TemporaryDirectory()  # a runtime folder of its own, which SDL 2 asks for
    env = {key: value for key, value in with_language(os.environ, IN_ENGLISH).items()
           if key not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TMUX")}
    env.update(XDG_RUNTIME_DIR=folder.name, **({"LD_LIBRARY_PATH": run.sdl_dir} if run.sdl_dir else {}))
    line = rf"{re.escape(run.name)}: SDL_\w+ failed: .+\n"
    for what, more in (("no DISPLAY", {}), ("an empty SDL_VIDEODRIVER", {"SDL_VIDEODRIVER": ""}),
                       ("SDL_VIDEODRIVER=x11", {"SDL_VIDEODRIVER": "x11"}), ("a DISPLAY with no server", {"DISPLAY": ":79"})):
        if what == "a DISPLAY with no server" and os.path.exists("/tmp/.X11-unix/X79"):
            raise Failure("display :79 has a server; cannot test an unreachable one")
        result = run_to_end([run.program], dict(env, **more), 20)
        err = result.stderr.decode(errors="replace")
        print(f"{what}: status {result.returncode}, stderr: {err!r}")
        if result.returncode != 1 or not re.fullmatch(line, err):
            raise Failure(f"{what}: status {result.returncode}, stderr {err!r}; expected 1 and one line "
                          f"'{run.name}: SDL_... failed: why'")
    # A real terminal: the pane keeps its title and shows the line once the
    # program has ended (cat then holds the pane open).
    with folder:
        tmux = ["tmux", "-S", os.path.join(folder.name, "tmux"), "-f", "/dev/null"]
        script = f"printf '\\033]2;terminal title\\007'; '{run.program}'; echo \"status $?\"; exec cat"
        subprocess.run([*tmux, "new-session", "-d", script], env=env, check=True)
        try:
            for _ in deadline_loop(20):
                pane = run_tool(*tmux, "capture-pane", "-p").decode()
                if "status" in pane:
                    break
            title = run_tool(*tmux, "display", "-p", "#{pane_title}").decode().strip()
        finally:
            subprocess.run([*tmux, "kill-server"], capture_output=True)
    rows = [row for row in pane.splitlines() if row]
    print(f"tmux pane, title {title!r}: {rows}")
    if len(rows) != 2 or not re.fullmatch(line, rows[0] + "\n") or rows[1] != "status 1" or title != "terminal title":
        raise Failure("in a terminal: expected the one line, then status 1, and the title kept")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--list", action="store_true",
                        help="list each check: its name, programs, libraries and 'wine' if it runs under Wine")
    parser.add_argument("--program")
    parser.add_argument("--sdl-dir", help="directory of the SDL 1.2 library (default: the system's)")
    parser.add_argument("--tools", help="directory of close_window")
    parser.add_argument("--model", help="the program's model_frames, for running_frame")
    parser.add_argument("--wine", metavar="PREFIX", help="run the Windows program under Wine in PREFIX")
    parser.add_argument("check", nargs="?", choices=CHECKS)
    args = parser.parse_args()
    if args.list:
        for name, declared in CHECKS.items():
            print(name, ",".join(declared.programs) or "-", ",".join(declared.libraries) or "-",
                  "wine" if declared.wine else "-")
        return 0
    if not args.program or not args.check:
        parser.error("give --program and a check, or --list")

    started = time.monotonic()
    declared = CHECKS[args.check]
    sdl = f"SDL 1.2 in {args.sdl_dir or 'the system'}" if not args.wine else "Wine"
    try:
        session = None
        if declared.needs:
            session = Session(args.program, args.sdl_dir, tools_dir=args.tools, wine_prefix=args.wine)
        try:
            if declared.needs == "window":
                session.start(*declared.args, env=declared.env)
            declared.function(run_of(session, args.program, args.sdl_dir, args.wine, args.model))
        finally:
            if session:
                session.close()
    except Failure as failure:
        print(f"FAIL {args.check} ({sdl}): {failure}")
        return 1
    print(f"ok {args.check} ({sdl}) in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
