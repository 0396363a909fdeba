// A set-up read from name/value pairs, the same for a page's link and the
// desktop's options: k, t, paused, anchored columns and shapes drawn on the
// string. Each setting that cannot be used as given is noted, with what was
// done instead; the page shows the notes and the desktop refuses to start.
// Plain data and free functions; no SDL here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "string_model.h"

// What was done with a setting that could not be used as given.
enum class SetupFix {
    HeldToBound,    // out of range: held to the nearest bound, SetupNote::used
    NotANumber,     // ignored
    NotAWholeNumber,// ignored
    NotZeroOrOne,   // paused takes 0 or 1: ignored
    NotThreeNumbers,// a shape needs three whole numbers: ignored
    SameColumns,    // an arch from a column to itself: ignored
    NoAnchors,      // wavestring_paced has no anchors: ignored
    UnknownName,    // ignored
    BadString,      // the string's part of a link could not be read: the string is at rest
};

struct SetupNote {
    std::string name;  // as given
    std::string value; // as given
    SetupFix fix;
    long used = 0;     // the bound used instead, for HeldToBound
};

// A hump: a raised cosine centred on column `at`, `width` columns wide at its
// foot. An arch: half a sine from column `at` to column `to`, rightwards
// round the loop, nought at both ends. Heights in pixels, down positive.
struct Shape {
    enum Kind { Hump, Arch } kind;
    int at;
    int widthOrTo;
    double height;
};

struct Setup {
    int columns = 0;            // the string's points: the bound of the columns
    double k = kInitialK;
    int t = kInitialT;
    bool paused = false;
    std::vector<int> anchors;   // anchored columns, on the centre line
    std::vector<Shape> shapes;  // added to the displacements, in order
    std::vector<SetupNote> notes;
};

// A set-up with nothing set, for a string of `columns` points.
Setup makeSetup(int columns);

// Reads one setting: k (a decimal), t (a whole number), paused (1, or empty,
// for paused; 0 for running), anchors (whole numbers separated by commas),
// hump (centre, width, height) and arch (from, to, height). A later setting
// of the same name replaces an earlier one, but humps and arches add up.
// Anything not used as given is noted in setup.notes.
void readSetting(Setup& setup, std::string_view name, std::string_view value);

// The set-up applied to a flat string at start: k, t, the anchors, then the
// shapes. Returns whether the string runs (not paused).
bool applySetup(const Setup& setup, StringState& state);
