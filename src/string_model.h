// The simulated string: a closed loop of points, one per screen column,
// stepped once per frame. Plain data and free functions; no SDL here.
#pragma once

#include <vector>

// The program comes in two variants built from these same sources:
//   WAVESTRING_PACED 0: wavestring, with anchored points and t as the
//                       coupling divisor (1 to 1000);
//   WAVESTRING_PACED 1: wavestring_paced, no anchors, a fixed coupling
//                       divisor of 2 and t as the pause per frame in
//                       milliseconds (0 to 1000).
#ifndef WAVESTRING_PACED
#define WAVESTRING_PACED 0
#endif

#if WAVESTRING_PACED
inline constexpr int kMinT = 0;
#else
inline constexpr int kMinT = 1;
#endif
inline constexpr int kMaxT = 1000;
inline constexpr double kInitialK = 0.9;
// The heights of the top and bottom rows of the 480-row window, the
// highest and lowest a pointer can set.
inline constexpr int kTopHeight = -240;
inline constexpr int kBottomHeight = 239;
inline constexpr int kInitialT = 1;

struct StringState {
    int w = 0;                 // number of points, one per screen column
    std::vector<double> pos;   // displacement from the centre line, pixels, down is positive
    std::vector<double> vel;   // velocity, pixels per step
#if !WAVESTRING_PACED
    std::vector<int> anchored; // 1: held in place, 0: free
#endif
    double k = kInitialK;      // velocity kept per step, [0, 1]
    int t = kInitialT;         // [kMinT, kMaxT]; see above
};

// Whether point i is held in place; never, in the paced variant.
inline bool isAnchored(const StringState& state, int i)
{
#if WAVESTRING_PACED
    (void)state;
    (void)i;
    return false;
#else
    return state.anchored[i] != 0;
#endif
}

// Clamp: the lower bound if it is greater than value, else the upper bound if
// value is greater than it, else value. A NaN value comes back unchanged.
// Inline: drawing clamps four times per column.
inline double limite(double value, double low, double high)
{
    if (low > value)
        return low;
    if (value > high)
        return high;
    return value;
}

// A flat string of w points (w >= 0) with the initial k and t.
StringState makeString(int w);

// Flattens the string and frees every anchor; k and t stay.
void resetString(StringState& state);

// k becomes limite(k + step, 0, 1).
void adjustK(StringState& state, double step);

// t becomes limite(t + step, kMinT, kMaxT).
void adjustT(StringState& state, int step);

// First half of a step: every velocity takes the pull of its two neighbours
// (the second difference of the displacements), with the ends of the loop
// joined. Reads pos only, so the order of the points does not matter.
void couplePoints(StringState& state);

// Second half of a step, for point i (0 <= i < w): damp the velocity (or stop
// an anchored point), then move the point by the new velocity.
void advancePoint(StringState& state, int i);

// A whole step: the coupling pass, then every point's update. The frame runs
// the two halves itself, to draw each column right after its update.
void stepString(StringState& state);
