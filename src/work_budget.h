// How long a web page may run frames in one animation frame of the browser.
// A page that works too long in an animation frame makes the browser drop
// the next ones, and the picture judders; one that works too little runs
// wavestring_paced at t = 0, which has no pause, slower than it could.
//
// The budget is a share of the display's refresh interval, both learnt from
// the times at which the browser calls the page:
// - the refresh interval is the shortest gap between two animation frames
//   (allowed to grow by 1 % per animation frame, for a display that slows
//   down);
// - an animation frame that comes more than half an interval late means
//   the browser dropped one. If the page's own work in the animation frame
//   before was a sizable part of an interval, it may have caused that, and
//   the share shrinks by a quarter. If the page did little, the late frame
//   is the device's (another program, the browser's own work) and changes
//   nothing: working less would not bring the frames back.
// - each animation frame on time lets the share grow a little, so that it
//   comes back within a second or two once the page may work more.
// The share stays between a quarter and three quarters of the interval, so
// that t = 0 keeps running fast on a busy device, and the browser always
// keeps time for its own work.
#pragma once

#include <algorithm>

inline constexpr double kAssumedRefreshMs = 1000.0 / 60;
inline constexpr double kFastestRefreshMs = 1000.0 / 250;
inline constexpr double kSlowestRefreshMs = 1000.0 / 20;
inline constexpr double kRefreshGrowth = 1.01;   // per animation frame
inline constexpr double kLateAfterIntervals = 1.5;
inline constexpr double kMinShare = 0.25;
inline constexpr double kMaxShare = 0.75;
inline constexpr double kShareShrink = 0.75;     // on a late frame the page caused
inline constexpr double kShareGrowth = 0.003;    // per animation frame on time

struct WorkBudget {
    double refreshMs = kAssumedRefreshMs; // the display's refresh interval, as learnt
    double share = 0.5;                   // of it, the work budget
    double lastStartMs = -1;              // when the last animation frame began (< 0: none yet)
    double lastWorkMs = 0;                // the page's own work in it
};

// The milliseconds of work an animation frame may take.
inline double budgetMs(const WorkBudget& budget)
{
    return budget.share * budget.refreshMs;
}

// At the start of an animation frame, at startMs on the page's clock, after
// the last one's work was noted: learns the refresh interval and adapts the
// share.
inline void startAnimationFrame(WorkBudget& budget, double startMs)
{
    const double gap = startMs - budget.lastStartMs;
    const bool first = budget.lastStartMs < 0;
    budget.lastStartMs = startMs;
    if (first)
        return;
    budget.refreshMs = std::clamp(std::min(gap, budget.refreshMs * kRefreshGrowth), kFastestRefreshMs, kSlowestRefreshMs);
    if (gap <= kLateAfterIntervals * budget.refreshMs)
        budget.share = std::min(budget.share + kShareGrowth, kMaxShare);
    else if (budget.lastWorkMs > kMinShare * budget.refreshMs)
        budget.share = std::max(budget.share * kShareShrink, kMinShare);
}

// At the end of an animation frame: the page's own work in it, frames and
// present.
inline void endAnimationFrame(WorkBudget& budget, double workMs)
{
    budget.lastWorkMs = workMs;
}
