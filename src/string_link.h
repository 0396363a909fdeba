// The string's points as the bytes a link carries (the page deflates them):
// every displacement and velocity quantized to a step of 2^-shift pixels,
// so that each keeps the row its dot is drawn on, each value less what its
// left neighbours predict, as varints. The page tries several precisions and
// predictions and keeps the shortest link. Plain data; no SDL here.
//
// Bytes: the format (1), the shift, the order of the prediction (0: none,
// 1: the left neighbour, 2: the line through the two left neighbours, which
// suits a smooth string), then for the displacements and then the
// velocities, w zigzag LEB128 varints of value[i] - prediction in steps,
// values before the first taken as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "string_model.h"

inline constexpr std::uint8_t kStringLinkFormat = 1;
inline constexpr int kMaxStepShift = 16;
inline constexpr int kMaxOrder = 2;
// Values beyond this many pixels are carried as this many: their dots sit
// on the window's edge all the same.
inline constexpr double kMaxLinkedValue = 1e6;

// The multiple of step nearest to value that draws on the same row
// (rowFor's rounding, halves away from zero); beyond kMaxLinkedValue, that
// bound; a NaN, 0 (drawn on the centre row as a NaN is).
double quantize(double value, double step);

// The largest number of bytes a string of w points encodes to.
std::size_t maxLinkBytes(int w);

// How a string is written: the step, the prediction, and whether values
// beyond the window are held to its edge (kTopHeight to kBottomHeight),
// where their dots are drawn all the same, to make a shorter link of a
// string that ran far out.
struct LinkPrecision {
    int shift = 6;      // a step of 2^-shift pixels, 0 <= shift <= kMaxStepShift
    int order = 2;      // 0 <= order <= kMaxOrder
    bool heldToWindow = false;
};

// The string's displacements and velocities.
std::vector<std::uint8_t> encodeString(const StringState& state, LinkPrecision precision);

// Reads bytes made by encodeString into the string's displacements and
// velocities. Any other bytes (too few, too many, another format, a value
// beyond kMaxLinkedValue) leave the string untouched and return false.
bool decodeString(const std::uint8_t* bytes, std::size_t size, StringState& state);
