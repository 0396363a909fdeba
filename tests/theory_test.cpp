// The step against theory. On a ring every sine mode of wavenumber
// kappa = 2 pi m / w is moved by the coupling pass on its own: the second
// difference of cos(kappa i) is -mu cos(kappa i) with mu = 4 sin^2(kappa / 2).
// With a = mu / (2 t) (paced: t = 1) one step maps the mode's displacement x
// and velocity v to
//     v' = k (v - a x),   x' = x + v',
// whose characteristic equation is lambda^2 - (1 + k - k a) lambda + k = 0.
// At k = 1 the mode turns by omega per step, cos omega = 1 - sin^2(kappa/2) / t;
// an underdamped mode shrinks by sqrt(k) per step while it turns.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "string_model.h"

namespace {

using Complex = std::complex<double>;
using std::numbers::pi;

constexpr int kW = 640;

// The divisor of the coupling is 2 t in wavestring and 2 in wavestring_paced.
double effectiveT(int t)
{
#if WAVESTRING_PACED
    (void)t;
    return 1.0;
#else
    return t;
#endif
}

struct Mode {
    int m;    // waves round the loop, 0 < m < w / 2
    int t;
    double k;
    int steps;
};

std::ostream& operator<<(std::ostream& out, const Mode& mode)
{
    return out << "m=" << mode.m << " t=" << mode.t << " k=" << mode.k << " steps=" << mode.steps;
}

double wavenumber(const Mode& mode) { return 2.0 * pi * mode.m / kW; }

double couplingOf(const Mode& mode) // a = mu / (2 t)
{
    const double s = std::sin(wavenumber(mode) / 2.0);
    return 2.0 * s * s / effectiveT(mode.t);
}

// The root of the characteristic equation that the test follows: for an
// underdamped mode the one that turns clockwise, sqrt(k) e^(-i omega), so that
// the wave travels towards higher columns; otherwise the larger real root.
Complex followedRoot(const Mode& mode)
{
    const double b = 1.0 + mode.k - mode.k * couplingOf(mode);
    const double discriminant = b * b - 4.0 * mode.k;
    if (discriminant < 0.0)
        return Complex(b, -std::sqrt(-discriminant)) / 2.0;
    return (b + std::sqrt(discriminant)) / 2.0;
}

// Sets the string to the pure mode Re(Z e^(i kappa j)) with Z = 1, its
// velocities chosen so that the mode is the eigenvector of the root.
StringState startMode(const Mode& mode)
{
    StringState state = makeString(kW);
    state.k = mode.k;
    state.t = mode.t;
    const double kappa = wavenumber(mode);
    const Complex velocity = (followedRoot(mode) - 1.0 + mode.k * couplingOf(mode)) / mode.k;
    for (int j = 0; j < kW; ++j) {
        const Complex wave = std::polar(1.0, kappa * j);
        state.pos[j] = wave.real();
        state.vel[j] = (velocity * wave).real();
    }
    return state;
}

// The complex amplitude Z of the mode in the displacements, so that
// pos[j] = Re(Z e^(i kappa j)) for a pure mode.
Complex amplitudeOf(const StringState& state, const Mode& mode)
{
    const double kappa = wavenumber(mode);
    Complex sum = 0.0;
    for (int j = 0; j < kW; ++j)
        sum += state.pos[j] * std::polar(1.0, -kappa * j);
    return 2.0 * sum / static_cast<double>(kW);
}

// Largest distance of the displacements from the pure mode of amplitude z.
double distanceFromMode(const StringState& state, const Mode& mode, Complex z)
{
    double largest = 0.0;
    for (int j = 0; j < kW; ++j)
        largest = std::max(largest, std::abs(state.pos[j] - (z * std::polar(1.0, wavenumber(mode) * j)).real()));
    return largest;
}

// Turning angle per step and shrink factor per step of an underdamped mode,
// from the formulas rather than from the root.
double turnPerStep(const Mode& mode)
{
    if (mode.k == 1.0) { // cos omega = 1 - sin^2(kappa/2) / t, i.e. sin(omega/2) = sin(kappa/2) / sqrt(2 t)
        return 2.0 * std::asin(std::sin(wavenumber(mode) / 2.0) / std::sqrt(2.0 * effectiveT(mode.t)));
    }
    const double b = 1.0 + mode.k - mode.k * couplingOf(mode); // cos omega = b / (2 sqrt k)
    return std::atan2(std::sqrt(4.0 * mode.k - b * b), b);
}

void expectAmplitudeAndPhase(const Mode& mode, Complex expected)
{
    StringState state = startMode(mode);
    for (int n = 0; n < mode.steps; ++n)
        stepString(state);
    const Complex z = amplitudeOf(state, mode);
    EXPECT_NEAR(std::abs(z) / std::abs(expected), 1.0, 1e-9) << mode;
    EXPECT_NEAR(std::arg(z / expected), 0.0, 1e-9) << mode << ": phase";
    EXPECT_LT(distanceFromMode(state, mode, z), 1e-9 * std::abs(expected)) << mode << ": no other mode appears";
}

double sumOf(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double value : values)
        sum += value;
    return sum;
}

double sumOfMagnitudes(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double value : values)
        sum += std::abs(value);
    return sum;
}

} // namespace

TEST(Theory, UndampedModesTurnByOmegaPerStep)
{
    for (const Mode mode : {Mode{1, 1, 1.0, 10000}, Mode{5, 2, 1.0, 10000}, Mode{37, 3, 1.0, 10000},
                            Mode{160, 1, 1.0, 10000}, Mode{250, 1000, 1.0, 10000}, Mode{319, 1, 1.0, 10000}}) {
        const double omega = turnPerStep(mode);
        expectAmplitudeAndPhase(mode, std::polar(1.0, -mode.steps * omega));
    }
}

TEST(Theory, UnderdampedModesShrinkBySqrtKPerStep)
{
    // Few enough steps that the mode stays far above the rounding left in
    // the slower modes (the mean displacement never decays at all).
    for (const Mode mode : {Mode{100, 1, 0.9, 150}, Mode{200, 7, 0.95, 300}, Mode{300, 1, 0.5, 24},
                            Mode{64, 2, 0.99, 1500}}) {
        ASSERT_LT(std::pow(1.0 + mode.k - mode.k * couplingOf(mode), 2), 4.0 * mode.k) << mode << " is underdamped";
        const double omega = turnPerStep(mode);
        expectAmplitudeAndPhase(mode, std::polar(std::pow(mode.k, mode.steps / 2.0), -mode.steps * omega));
    }
}

TEST(Theory, OverdampedModesFollowTheLargerRealRoot)
{
    for (const Mode mode : {Mode{1, 1, 0.5, 1000}, Mode{3, 10, 0.2, 300}}) {
        const double b = 1.0 + mode.k - mode.k * couplingOf(mode);
        ASSERT_GT(b * b, 4.0 * mode.k) << mode << " is overdamped";
        const double root = (b + std::sqrt(b * b - 4.0 * mode.k)) / 2.0;
        expectAmplitudeAndPhase(mode, std::pow(root, mode.steps));
    }
}

TEST(Theory, TheShortestWaveAtTOneTurnsAQuarterPerStepExactly)
{
    // m = w / 2: cos(pi j) = +-1, mu = 4, a = 2 at t = 1, so cos omega = 0.
    StringState state = makeString(kW);
    state.k = 1.0;
#if WAVESTRING_PACED
    state.t = 1000; // takes no part in the paced step
#endif
    for (int j = 0; j < kW; ++j)
        state.pos[j] = j % 2 == 0 ? 1.0 : -1.0;
    const double expected[] = {-1.0, -1.0, 1.0, 1.0, -1.0, -1.0, 1.0, 1.0};
    for (double sign : expected) {
        stepString(state);
        for (int j = 0; j < kW; ++j)
            ASSERT_EQ(state.pos[j], j % 2 == 0 ? sign : -sign) << "point " << j;
    }
}

TEST(Theory, WithoutAnchorsTheVelocitySumShrinksByKEachStep)
{
    // Whole-pixel displacements, t = 1 and k = 1/2 keep every number a short
    // binary fraction for a few steps, so the sums are exact.
    StringState exact = makeString(kW);
    exact.k = 0.5;
    for (int j = 0; j < kW; ++j) {
        exact.pos[j] = (j * 37) % 201 - 100;
        exact.vel[j] = (j * 53) % 31 - 10;
    }
    for (int n = 0; n < 12; ++n) {
        const double before = sumOf(exact.vel);
        stepString(exact);
        ASSERT_EQ(sumOf(exact.vel), 0.5 * before) << "step " << n;
    }

    // Any values: equal to rounding.
    StringState state = makeString(kW);
    state.k = 0.9;
    state.t = 3;
    for (int j = 0; j < kW; ++j) {
        state.pos[j] = std::sin(0.37 * j) * 150.0 + j % 13;
        state.vel[j] = std::cos(0.11 * j) * 20.0 + 4.0;
    }
    for (int n = 0; n < 1000; ++n) {
        const double before = sumOf(state.vel);
        const double scale = sumOfMagnitudes(state.vel) + sumOfMagnitudes(state.pos);
        stepString(state);
        ASSERT_NEAR(sumOf(state.vel), state.k * before, 1e-13 * scale) << "step " << n;
    }
}

TEST(Theory, APluckAtRestKeepsItsMeanDisplacement)
{
    for (const auto& [k, t] : {std::pair{0.9, 1}, std::pair{1.0, 5}, std::pair{0.99, 1000}}) {
        StringState state = makeString(kW);
        state.k = k;
        state.t = t;
        state.pos[100] = 100.0;
        state.pos[400] = -30.0;
        state.vel[200] = 7.0; // and a kick, with its opposite
        state.vel[201] = -7.0;
        for (int n = 0; n < 100000; ++n)
            stepString(state);
        EXPECT_NEAR(sumOf(state.pos) / kW, 70.0 / kW, 1e-9) << "k=" << k << " t=" << t;
    }
}
