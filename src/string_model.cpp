#include "string_model.h"

#include <algorithm>

StringState makeString(int w)
{
    StringState state;
    state.w = std::max(w, 0);
    state.pos.assign(state.w, 0.0);
    state.vel.assign(state.w, 0.0);
#if !WAVESTRING_PACED
    state.anchored.assign(state.w, 0);
#endif
    return state;
}

void resetString(StringState& state)
{
    std::fill(state.pos.begin(), state.pos.end(), 0.0);
    std::fill(state.vel.begin(), state.vel.end(), 0.0);
#if !WAVESTRING_PACED
    std::fill(state.anchored.begin(), state.anchored.end(), 0);
#endif
}

void adjustK(StringState& state, double step)
{
    state.k = limite(state.k + step, 0.0, 1.0);
}

void adjustT(StringState& state, int step)
{
    // Summed as doubles, so no int overflow; the clamped result is a whole
    // number inside [kMinT, kMaxT] and converts exactly.
    state.t = static_cast<int>(limite(static_cast<double>(state.t) + step, kMinT, kMaxT));
}

static double couplingDivisor(const StringState& state)
{
#if WAVESTRING_PACED
    (void)state;
    return 2.0;
#else
    return static_cast<double>(state.t + state.t);
#endif
}

void couplePoints(StringState& state)
{
    const double divisor = couplingDivisor(state);
    const int w = state.w;
    const double* pos = state.pos.data();
    double* vel = state.vel.data();
    // The neighbours wrap round: point 0 and point w - 1 are neighbours.
    // Written without a remainder per point, which is slow in this loop.
    for (int i = 0; i < w; ++i) {
        const int left = i == 0 ? w - 1 : i - 1;
        const int right = i == w - 1 ? 0 : i + 1;
        vel[i] = vel[i] + (pos[left] - 2.0 * pos[i] + pos[right]) / divisor;
    }
}

void stepString(StringState& state)
{
    couplePoints(state);
    for (int i = 0; i < state.w; ++i)
        advancePoint(state, i);
}

void advancePoint(StringState& state, int i)
{
    state.vel[i] = isAnchored(state, i) ? 0.0 : state.vel[i] * state.k;
    state.pos[i] = state.pos[i] + state.vel[i];
}
