#include "string_link.h"

#include <cmath>

// A value's whole number of steps: |units| <= kMaxLinkedValue * 2^kMaxStepShift,
// under 2^37, so that a prediction and its difference stay far from the
// limits of 64 bits.
using Units = std::int64_t;

// The most bytes one varint takes: a difference is under 2^40 steps, which
// zigzag makes a number of 41 bits, 7 bits per byte.
static constexpr std::size_t kMaxVarintBytes = 6;

double quantize(double value, double step)
{
    if (std::isnan(value))
        return 0;
    const double bounded = limite(value, -kMaxLinkedValue, kMaxLinkedValue);
    const double wanted = std::round(bounded);
    double quantized = std::round(bounded / step) * step;
    // The nearest multiple may round to the next row (value just below a
    // half): the next multiple towards value is inside the row, since a row
    // spans a whole pixel and a step is at most one.
    if (std::round(quantized) != wanted)
        quantized += quantized > bounded ? -step : step;
    return quantized;
}

std::size_t maxLinkBytes(int w)
{
    return 3 + 2 * static_cast<std::size_t>(w > 0 ? w : 0) * kMaxVarintBytes;
}

static void putVarint(std::vector<std::uint8_t>& bytes, Units value)
{
    auto zigzag = static_cast<std::uint64_t>(value < 0 ? ~(value << 1) : value << 1);
    while (zigzag >= 0x80) {
        bytes.push_back(static_cast<std::uint8_t>(zigzag | 0x80));
        zigzag >>= 7;
    }
    bytes.push_back(static_cast<std::uint8_t>(zigzag));
}

// Reads a varint of at most kMaxVarintBytes at `at`; false when there is none.
static bool getVarint(const std::uint8_t* bytes, std::size_t size, std::size_t& at, Units& value)
{
    std::uint64_t zigzag = 0;
    for (std::size_t n = 0; n < kMaxVarintBytes && at < size; ++n) {
        const std::uint8_t byte = bytes[at++];
        zigzag |= static_cast<std::uint64_t>(byte & 0x7f) << (7 * n);
        if ((byte & 0x80) == 0) {
            if (byte == 0 && n > 0)
                return false; // a longer form than needed: not encodeString's
            value = static_cast<Units>(zigzag >> 1) ^ -static_cast<Units>(zigzag & 1);
            return true;
        }
    }
    return false;
}

// What the values before a point predict for it.
static Units predicted(int order, Units before, Units beforeThat)
{
    return order == 0 ? 0 : order == 1 ? before : 2 * before - beforeThat;
}

static void putValues(std::vector<std::uint8_t>& bytes, const std::vector<double>& values, LinkPrecision precision)
{
    const double step = std::ldexp(1.0, -precision.shift);
    Units before = 0, beforeThat = 0;
    for (double value : values) {
        if (precision.heldToWindow)
            value = limite(value, kTopHeight, kBottomHeight);
        const auto units = static_cast<Units>(quantize(value, step) / step);
        putVarint(bytes, units - predicted(precision.order, before, beforeThat));
        beforeThat = before;
        before = units;
    }
}

std::vector<std::uint8_t> encodeString(const StringState& state, LinkPrecision precision)
{
    precision.shift = static_cast<int>(limite(precision.shift, 0, kMaxStepShift));
    precision.order = static_cast<int>(limite(precision.order, 0, kMaxOrder));
    std::vector<std::uint8_t> bytes{kStringLinkFormat, static_cast<std::uint8_t>(precision.shift),
                                    static_cast<std::uint8_t>(precision.order)};
    bytes.reserve(maxLinkBytes(state.w));
    putValues(bytes, state.pos, precision);
    putValues(bytes, state.vel, precision);
    return bytes;
}

// Reads w values into out; false at the first that is not there or too large.
static bool getValues(const std::uint8_t* bytes, std::size_t size, std::size_t& at, int shift, int order,
                      std::vector<double>& out)
{
    const auto maxUnits = static_cast<Units>(std::ldexp(kMaxLinkedValue, shift));
    Units before = 0, beforeThat = 0;
    for (double& value : out) {
        Units difference = 0;
        if (!getVarint(bytes, size, at, difference))
            return false;
        // The prediction is within 3 maxUnits, the difference within 2^41.
        const Units units = difference + predicted(order, before, beforeThat);
        if (units > maxUnits || units < -maxUnits)
            return false;
        value = std::ldexp(static_cast<double>(units), -shift);
        beforeThat = before;
        before = units;
    }
    return true;
}

bool decodeString(const std::uint8_t* bytes, std::size_t size, StringState& state)
{
    if (size < 3 || size > maxLinkBytes(state.w) || bytes[0] != kStringLinkFormat || bytes[1] > kMaxStepShift
        || bytes[2] > kMaxOrder)
        return false;
    const int shift = bytes[1], order = bytes[2];
    std::vector<double> pos(state.pos.size()), vel(state.vel.size());
    std::size_t at = 3;
    if (!getValues(bytes, size, at, shift, order, pos) || !getValues(bytes, size, at, shift, order, vel) || at != size)
        return false;
    state.pos = pos;
    state.vel = vel;
    return true;
}
