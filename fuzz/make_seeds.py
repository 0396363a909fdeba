#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz_corpus, in the
input format described at the top of event_fuzzer.cpp."""
import pathlib
import struct

ESCAPE, RETURN, SPACE, LEFT, RIGHT, UP, DOWN = range(7)  # the key table's order


KEY_SYMBOLS = (27, 13, 32, 276, 275, 273, 274)


def key(index):
    """A press of one of the key table's keys, released: a key-down with no
    key-up in between is the key held, which Return and Space ignore."""
    return bytes([1, index]) + key_up(KEY_SYMBOLS[index])


def any_key(symbol):
    return bytes([0]) + struct.pack(">H", symbol)


def key_up(symbol):
    return bytes([2]) + struct.pack(">H", symbol)


def motion(x, y):
    return bytes([3]) + struct.pack(">HH", x, y)


def press(button):
    return bytes([4, button])


def release(button):
    return bytes([5, button])


def other(which):
    return bytes([6, which])


QUIT = other(0)


def frames(n=1):
    return bytes([7, 0]) * n


def model_frames(n):
    return bytes([7, n])


seeds = {
    "pluck_and_drag": motion(100, 340) + press(1) + frames(20) + motion(630, 60) + frames(20)
    + press(3) + frames(20) + release(3) + frames(10),
    "key_table": b"".join(key(k) + frames() for k in (RIGHT, UP, LEFT, DOWN, RETURN, SPACE, RETURN))
    + b"".join(any_key(s) for s in (0, 8, 9, 13, 27, 32, 97, 273, 274, 275, 276, 282, 322))
    + b"".join(key_up(s) for s in (13, 27, 32, 273, 276)) + frames(2) + key(ESCAPE) + frames(),
    "right_button_at_bottom_row": key(RIGHT) * 11 + motion(320, 479) + press(3) + frames()
    + model_frames(255) * 4 + frames(),
    "anchors": motion(60, 200) + press(2) + frames() + release(2) + frames() + motion(60, 300)
    + press(2) + release(2) + frames() + motion(60, 100) + press(2) + frames() + release(2)
    + press(1) + frames(3) + motion(61, 100) + frames(3) + release(1) + model_frames(99) + frames(),
    "mouse_far_outside": motion(65535, 65535) + b"".join(press(b) for b in (0, 4, 5, 200, 255, 1))
    + frames() + motion(639, 0) + press(1) + frames() + motion(640, 479) + press(3) + frames()
    + release(9) + frames(),
    "pause_and_edit": key(RETURN) + motion(320, 440) + press(1) + frames(3) + release(1) + key(SPACE)
    + frames() + key(RETURN) + frames(2),
    "quit_then_more": frames(2) + b"".join(other(w) for w in range(1, 12)) + QUIT + frames()
    + motion(5, 5) + press(1) + frames(),
    "t_to_both_ends": key(UP) * 1000 + frames() + key(DOWN) * 1000 + frames(),
}

corpus = pathlib.Path(__file__).resolve().parent.parent / "tests" / "fuzz_corpus"
corpus.mkdir(exist_ok=True)
for name, data in seeds.items():
    (corpus / name).write_bytes(data)


# The link's target (link_fuzzer.cpp): the string's bytes of a shared link
# (string_link.h), and settings, one name=value per line.
def varint(value):
    zigzag = value * 2 if value >= 0 else -value * 2 - 1
    out = bytearray()
    while zigzag >= 0x80:
        out.append(zigzag & 0x7F | 0x80)
        zigzag >>= 7
    out.append(zigzag)
    return bytes(out)


def linked_string(shift, order, pos, vel):
    """The bytes of a string whose values are given in steps of 2^-shift."""
    out = bytearray([1, shift, order])
    for values in (pos, vel):
        before = before_that = 0
        for value in values:
            out += varint(value - (0, before, 2 * before - before_that)[order])
            before_that, before = before, value
    return bytes(out)


spike = [0] * 640
spike[320] = 50 * 64
ramp = [i * 3 for i in range(640)]
link_seeds = {
    "string_at_rest": linked_string(6, 2, [0] * 640, [0] * 640),
    "string_spike": linked_string(6, 2, spike, [0] * 640),
    "string_ramp_moving": linked_string(0, 1, ramp, [-(i % 7) for i in range(640)]),
    "string_raw": linked_string(3, 0, spike, ramp),
    "string_truncated": linked_string(6, 2, spike, [0] * 640)[:700],
    "settings": b"k=1\nt=30\npaused=1\nanchors=160,480,-3,700,x\nhump=320,60,-100\narch=160,480,-100\n",
    "settings_bad": b"k=abc\nt=1.5\npaused=maybe\nhump=1,2\narch=5,5,5\nspeed=3\nk=1e999\nt=-99999999999999999999\n",
}
link_corpus = corpus.parent / "fuzz_corpus_link"
link_corpus.mkdir(exist_ok=True)
for name, data in link_seeds.items():
    (link_corpus / name).write_bytes(data)
