#include "engine/vibration.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/errors.h"
#include "base/language.h"
#include "base/number_text.h"
#include "engine/limits.h"

namespace platecam::engine {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
inline constexpr const char* SwingArm =
    "dynamics.train_stiffness: the vibration of the follower train is computed for the "
    "translating followers (roller, flat), not for a swinging arm";
inline constexpr const char* Resonance =
    "the follower train has no damping and resonates at %1 rpm: it has no steady state there; "
    "give dynamics.damping_ratio";
inline constexpr const char* VelocityJump =
    "dynamics.compensate: the law's velocity jumps at %1°: no contour makes the follower follow it";
inline constexpr const char* AccelerationJump =
    "dynamics.compensate: the law's acceleration jumps at %1°: the corrected contour would have "
    "a step or a corner there";
inline constexpr const char* JerkJump =
    "dynamics.compensate: the law's jerk jumps at %1°: without damping in the train the corrected "
    "contour would have a corner there (a law whose jerk is continuous there: 4-5-6-7)";
}  // namespace text

constexpr double Pi = 3.141592653589793;
constexpr int PerDegree = 20;  // the grid of the checks: 0.05 degrees
constexpr int GridCount = 360 * PerDegree;
constexpr double Step = Pi / 180 / PerDegree;  // radians of cam turn per step

double Omega(double rpm) { return 2 * Pi * rpm / 60; }

void CheckInputs(const CamInput& cam, const DynamicsInput& loads, const TrainInput& train) {
    if (!Translates(cam.follower.kind)) throw CamError(Text::Message(text::SwingArm));
    RequireInRange(Quantity::Rpm, loads.rpm);
    RequireInRange(Quantity::Mass, loads.mass);
    RequireInRange(Quantity::SpringRate, loads.springRate);
    RequireInRange(Quantity::Preload, loads.preload);
    RequireInRange(Quantity::Damping, loads.damping);
    RequireInRange(Quantity::Load, loads.load);
    RequireInRange(Quantity::TrainStiffness, train.stiffness);
    RequireInRange(Quantity::DampingRatio, train.dampingRatio);
}

// The 1-DOF in SI: the train k and c_t, the return spring k_s, the ground's damper c and
// the constant forces.
struct Train {
    double m, k, ct, ks, c, rest;
    double K() const { return k + ks; }
    double C() const { return ct + c; }
    Train(const DynamicsInput& d, const TrainInput& t)
        : m(d.mass), k(t.stiffness * 1000), ct(2 * t.dampingRatio * std::sqrt(t.stiffness * 1000 * d.mass)),
          ks(d.springRate * 1000), c(d.damping), rest(d.preload + d.load) {}
};

// ------------------------------------------------------------------ the lift on the grid

// The lift at a point of the grid in metres, with its slope and curvature per step:
// y, dy/du, d2y/du2 for u the fraction of the step. `z` is the compensation there (m).
struct Node {
    double y = 0, yu = 0, yuu = 0, z = 0;
};

Node NodeOf(const Kinematics& m, double z) {
    return {m.s * 1e-3, m.v * Step * 1e-3, m.a * Step * Step * 1e-3, z * 1e-3};
}

// Each segment's points of the grid, both ends from its own side.
struct GridLift {
    std::vector<std::vector<Node>> segments;
    std::vector<int> firstK;  // the grid index of each segment's start
};

// The lift a correction carries at (segment, x), or 0.
double CorrectionAt(const Motion& motion, std::size_t g, double x) {
    const LiftCorrection* c = motion.Correction();
    return c ? c->At(g, x).s : 0;
}

GridLift LiftOnGrid(const Motion& motion) {
    std::vector<Kinematics> at;
    motion.OnGrid(PerDegree, at);
    GridLift lift;
    const auto& segments = motion.Segments();
    for (std::size_t g = 0; g < segments.size(); ++g) {
        const int k0 = static_cast<int>(segments[g].startDeg) * PerDegree;
        const int k1 = static_cast<int>(segments[g].endDeg) * PerDegree;
        std::vector<Node> nodes;
        nodes.reserve(static_cast<std::size_t>(k1 - k0 + 1));
        for (int k = k0; k < k1; ++k) {
            nodes.push_back(NodeOf(at[k], CorrectionAt(motion, g, static_cast<double>(k - k0) / (k1 - k0))));
        }
        nodes.push_back(NodeOf(motion.EarlierSide(segments[g].endDeg), CorrectionAt(motion, g, 1)));
        lift.segments.push_back(std::move(nodes));
        lift.firstK.push_back(k0);
    }
    return lift;
}

// The quintic through a step's lift, slope and curvature at both ends, in u = 0..1.
std::array<double, 6> Quintic(const Node& a, const Node& b) {
    const double d = b.y - a.y;
    return {a.y,
            a.yu,
            a.yuu / 2,
            10 * d - 6 * a.yu - 4 * b.yu - (3 * a.yuu - b.yuu) / 2,
            -15 * d + 8 * a.yu + 7 * b.yu + (3 * a.yuu - 2 * b.yuu) / 2,
            6 * d - 3 * (a.yu + b.yu) - (a.yuu - b.yuu) / 2};
}

// ------------------------------------------------------------------ one step, exactly

// In u = t / h (h the time of a step) the state is r and w = dr/du, and
//   r'' + beta r' + alpha r = -(y'' + gamma y' + kappa y + f0)
// with alpha = K h^2 / m, beta = C h / m, gamma = c h / m, kappa = k_s h^2 / m,
// f0 = (F0 + Fload) h^2 / m. A step maps the state by phi and adds the response to the
// forcing, a quintic: response[n] is the state at u = 1 from rest under the forcing -u^n.
struct Propagator {
    double phi[2][2] = {};
    double response[6][2] = {};
    double alpha = 0, beta = 0, gamma = 0, kappa = 0, f0 = 0;
    double h = 0;  // s

    void Step(const Node& a, const Node& b, double& r, double& w) const {
        const std::array<double, 6> c = Quintic(a, b);
        double nr = phi[0][0] * r + phi[0][1] * w, nw = phi[1][0] * r + phi[1][1] * w;
        for (int n = 0; n < 6; ++n) {
            double q = kappa * c[n];
            if (n + 1 < 6) q += gamma * (n + 1) * c[n + 1];
            if (n + 2 < 6) q += (n + 2) * (n + 1) * c[n + 2];
            if (n == 0) q += f0;
            nr += q * response[n][0];
            nw += q * response[n][1];
        }
        r = nr;
        w = nw;
    }
};

using Matrix8 = std::array<std::array<long double, 8>, 8>;

Matrix8 Multiply(const Matrix8& a, const Matrix8& b) {
    Matrix8 p{};
    for (int i = 0; i < 8; ++i) {
        for (int k = 0; k < 8; ++k) {
            if (a[i][k] == 0) continue;
            for (int j = 0; j < 8; ++j) p[i][j] += a[i][k] * b[k][j];
        }
    }
    return p;
}

// The step by the exponential of the system with the forcing's monomials as states
// (scaling and squaring): for a train slow against the step, or damped heavily, where the
// squarings stay accurate.
void ByExponential(Propagator& p) {
    // States r, w, e0..e5 with e_i' = e_{i-1}; the forcing -e5. From e_j = 1 at u = 0,
    // e5 = u^(5-j) / (5-j)!.
    Matrix8 m{};
    m[0][1] = 1;
    m[1][0] = -p.alpha;
    m[1][1] = -p.beta;
    m[1][7] = -1;
    for (int i = 3; i < 8; ++i) m[i][i - 1] = 1;
    const long double norm = std::max({1.0L, 1 + static_cast<long double>(p.alpha), 1 + static_cast<long double>(p.beta)});
    int squarings = 0;
    long double scale = 1;
    while (norm * scale > 0.25L) scale /= 2, ++squarings;
    Matrix8 e{}, term{};
    for (int i = 0; i < 8; ++i) e[i][i] = term[i][i] = 1;
    for (auto& row : m) {
        for (long double& v : row) v *= scale;
    }
    for (int n = 1; n < 40; ++n) {
        term = Multiply(term, m);
        long double largest = 0;
        for (auto& row : term) {
            for (long double& v : row) {
                v /= n;
                largest = std::max(largest, std::fabs(v));
            }
        }
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 8; ++j) e[i][j] += term[i][j];
        }
        if (largest < 1e-24L) break;
    }
    for (int s = 0; s < squarings; ++s) e = Multiply(e, e);
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) p.phi[i][j] = static_cast<double>(e[i][j]);
    }
    long double factorial = 1;
    for (int n = 0; n < 6; ++n) {
        if (n > 0) factorial *= n;
        for (int i = 0; i < 2; ++i) p.response[n][i] = static_cast<double>(e[i][7 - n] * factorial);
    }
}

// The step in closed form for a stiff train with at most half the critical damping: the
// free motion from its frequency, the forced one from the quintic's particular solution,
// whose terms shrink with the stiffness.
void ByParticularSolution(Propagator& p) {
    const double sigma = p.beta / 2, omega = std::sqrt(p.alpha - sigma * sigma);
    const double decay = std::exp(-sigma), c = std::cos(omega), s = std::sin(omega) / omega;
    p.phi[0][0] = decay * (c + sigma * s);
    p.phi[0][1] = decay * s;
    p.phi[1][0] = -decay * p.alpha * s;
    p.phi[1][1] = decay * (c - sigma * s);
    for (int n = 0; n < 6; ++n) {
        // q'' + beta q' + alpha q = -u^n, from the top coefficient down.
        double q[8] = {};
        for (int j = n; j >= 0; --j) {
            q[j] = ((j == n ? -1.0 : 0.0) - p.beta * (j + 1) * q[j + 1] - (j + 2) * (j + 1) * q[j + 2]) / p.alpha;
        }
        double at1 = 0, slope1 = 0;
        for (int j = 0; j <= n; ++j) {
            at1 += q[j];
            slope1 += j * q[j];
        }
        // From rest: the free motion cancels the particular one's start.
        p.response[n][0] = at1 - (p.phi[0][0] * q[0] + p.phi[0][1] * q[1]);
        p.response[n][1] = slope1 - (p.phi[1][0] * q[0] + p.phi[1][1] * q[1]);
    }
}

Propagator PropagatorAt(const Train& t, double rpm) {
    Propagator p;
    p.h = Step / Omega(rpm);
    const double perMass = p.h * p.h / t.m;
    p.alpha = t.K() * perMass;
    p.beta = t.C() * p.h / t.m;
    p.gamma = t.c * p.h / t.m;
    p.kappa = t.ks * perMass;
    p.f0 = t.rest * perMass;
    if (!std::isfinite(p.alpha + p.beta + p.gamma + p.kappa + p.f0)) ThrowOverflow();
    if (p.alpha >= 30 && p.beta * p.beta <= p.alpha) {
        ByParticularSolution(p);
    } else {
        ByExponential(p);
    }
    return p;
}

// ------------------------------------------------------------------ the steady state

struct State {
    double r = 0, w = 0;
};

// One turn from `start`; `visit(g, i, state)` at every point of every segment, the ends too.
template <typename Visit>
State Turn(const Propagator& p, const GridLift& lift, State start, Visit visit) {
    State x = start;
    for (std::size_t g = 0; g < lift.segments.size(); ++g) {
        const std::vector<Node>& nodes = lift.segments[g];
        visit(g, 0, x);
        for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
            p.Step(nodes[i], nodes[i + 1], x.r, x.w);
            visit(g, i + 1, x);
        }
    }
    return x;
}

// The state at 0 degrees that one turn brings back, or nothing where the train without
// damping resonates (I - Phi^N singular).
std::optional<State> PeriodicStart(const Propagator& p, const GridLift& lift) {
    const State after = Turn(p, lift, {}, [](std::size_t, std::size_t, const State&) {});
    // Phi^N by squaring.
    long double power[2][2] = {{1, 0}, {0, 1}}, base[2][2];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) base[i][j] = p.phi[i][j];
    }
    auto multiply = [](long double a[2][2], const long double b[2][2]) {
        const long double r00 = a[0][0] * b[0][0] + a[0][1] * b[1][0], r01 = a[0][0] * b[0][1] + a[0][1] * b[1][1],
                          r10 = a[1][0] * b[0][0] + a[1][1] * b[1][0], r11 = a[1][0] * b[0][1] + a[1][1] * b[1][1];
        a[0][0] = r00, a[0][1] = r01, a[1][0] = r10, a[1][1] = r11;
    };
    for (int n = GridCount; n > 0; n /= 2) {
        if (n % 2) multiply(power, base);
        multiply(base, base);
    }
    const long double a = 1 - power[0][0], b = -power[0][1], c = -power[1][0], d = 1 - power[1][1];
    const long double det = a * d - b * c;
    if (!(std::fabs(det) > 1e-13L)) return std::nullopt;
    const State start{static_cast<double>((d * after.r - b * after.w) / det),
                      static_cast<double>((a * after.w - c * after.r) / det)};
    if (!std::isfinite(start.r + start.w)) return std::nullopt;
    return start;
}

// The steady state's figures on the grid; `at` (when given) holds the state at every grid
// index k = 0..7199.
struct Steady {
    GridExtreme maxDeviation, minContactForce;
    std::vector<State> at;
};

std::optional<Steady> SteadyState(const Train& t, const Propagator& p, const GridLift& lift, bool keep) {
    const std::optional<State> start = PeriodicStart(p, lift);
    if (!start) return std::nullopt;
    Steady steady;
    if (keep) steady.at.resize(GridCount);
    double largest = -1, least = 0;
    bool first = true;
    Turn(p, lift, *start, [&](std::size_t g, std::size_t i, const State& x) {
        const int k = lift.firstK[g] + static_cast<int>(i);
        const Node& node = lift.segments[g][i];
        const double deviation = (x.r + node.z) * 1000;
        const double force = -(t.k * x.r + t.ct * x.w / p.h);
        const double deg = static_cast<double>(k % GridCount) / PerDegree;
        if (std::fabs(deviation) > largest) largest = std::fabs(deviation), steady.maxDeviation = {true, deviation, deg};
        if (first || force < least) least = force, steady.minContactForce = {true, force, deg};
        first = false;
        if (keep && i + 1 < lift.segments[g].size()) steady.at[k] = x;
    });
    if (!std::isfinite(steady.maxDeviation.value + steady.minContactForce.value)) ThrowOverflow();
    return steady;
}

// ------------------------------------------------------------------ residual vibration

std::vector<ResidualVibration> Residuals(const Train& t, const Propagator& p, const Motion& motion,
                                         const GridLift& lift) {
    std::vector<ResidualVibration> out;
    const double wn = std::sqrt(t.K() / t.m);
    // At rest with the cam still at y: K r = -(k_s y + F0 + Fload).
    auto rest = [&](double y) { return -(t.ks * y + t.rest) / t.K(); };
    const auto& segments = motion.Segments();
    for (std::size_t g = 0; g < segments.size(); ++g) {
        const Segment& s = segments[g];
        if (s.kind == SegmentKind::Dwell) continue;
        const std::vector<Node>& nodes = lift.segments[g];
        State x{rest(nodes.front().y), 0};
        for (std::size_t i = 0; i + 1 < nodes.size(); ++i) p.Step(nodes[i], nodes[i + 1], x.r, x.w);
        const double e = x.r - rest(nodes.back().y), speed = x.w / p.h;
        const double amplitude = std::hypot(e, speed / wn) * 1000;
        if (!std::isfinite(amplitude)) ThrowOverflow();
        out.push_back({s.startDeg, s.endDeg, amplitude, amplitude / std::fabs(s.endLift - s.startLift)});
    }
    return out;
}

double LargestResidual(const std::vector<ResidualVibration>& residuals) {
    double largest = 0;
    for (const ResidualVibration& r : residuals) largest = std::max(largest, r.amplitude);
    return largest;
}

// ------------------------------------------------------------------ compensation

// k z + c_t z' = F(s): per radian of cam turn z + tau z' = g with g = F / k (mm) and
// tau = c_t omega / k (radians). Without train damping z = g, from the law at every angle.
// With it z is the periodic solution, exact for g interpolated by quintics on the grid:
// the node values come from one turn run twice, any point from its step's node.
class CompensationCorrection : public LiftCorrection {
public:
    CompensationCorrection(const Motion& law, const DynamicsInput& loads, const TrainInput& train)
        : law_(law) {
        const Train t(loads, train);
        const double omega = Omega(loads.rpm);
        // N per mm/rad^2 and per mm/rad; k in N/mm.
        inertia_ = loads.mass * omega * omega * 1e-3;
        damper_ = loads.damping * omega * 1e-3;
        rate_ = loads.springRate;
        rest_ = t.rest;
        stiffness_ = train.stiffness;
        tau_ = t.ct * omega * 1e-3 / train.stiffness;
        lambda_ = tau_ > 0 ? Step / tau_ : 0;
        if (!std::isfinite(inertia_ + damper_ + tau_ + lambda_)) ThrowOverflow();
        RefuseJumps();
        std::vector<Kinematics> at;
        law.OnGrid(PerDegree, at);
        const auto& segments = law.Segments();
        for (std::size_t g = 0; g < segments.size(); ++g) {
            const int k0 = static_cast<int>(segments[g].startDeg) * PerDegree;
            const int k1 = static_cast<int>(segments[g].endDeg) * PerDegree;
            std::vector<Node> nodes;
            for (int k = k0; k < k1; ++k) nodes.push_back(Excitation(at[k]));
            nodes.push_back(Excitation(law.EarlierSide(segments[g].endDeg)));
            nodes_.push_back(std::move(nodes));
        }
        if (tau_ > 0) PeriodicNodes();
    }

    Kinematics At(std::size_t segment, double x) const override {
        const std::vector<Node>& nodes = nodes_.at(segment);
        const auto steps = static_cast<double>(nodes.size() - 1);
        const int i = std::clamp(static_cast<int>(std::floor(x * steps)), 0, static_cast<int>(nodes.size()) - 2);
        const double u = x * steps - i;
        const std::array<double, 6> c = Quintic(nodes[i], nodes[i + 1]);
        // The quintic's derivatives by u at u: p[m] = p^(m)(u).
        std::array<double, 6> p{};
        for (int m = 0; m < 6; ++m) {
            double sum = 0;
            for (int j = 5; j >= m; --j) sum = sum * u + c[j] * Falling(j, m);
            p[m] = sum;
        }
        double z[4];
        if (tau_ == 0) {
            const Segment& s = law_.Segments()[segment];
            const double deg = s.startDeg + x * (s.endDeg - s.startDeg);
            const Node e = Excitation(deg < s.endDeg ? law_.At(deg) : law_.EarlierSide(s.endDeg));
            z[0] = e.y, z[1] = e.yu, z[2] = e.yuu, z[3] = p[3];
        } else {
            Advance(nodes[i].z, c, p, u, z);
        }
        return {z[0], z[1] / Step, z[2] / (Step * Step), z[3] / (Step * Step * Step), 0};
    }

private:
    // j! / (j - m)!: the m-th derivative's factor of u^j.
    static double Falling(int j, int m) {
        double f = 1;
        for (int n = 0; n < m; ++n) f *= j - n;
        return f;
    }

    // g and its slope and curvature per step at a point of the law (mm).
    Node Excitation(const Kinematics& m) const {
        const double g = (inertia_ * m.a + damper_ * m.v + rate_ * m.s + rest_) / stiffness_;
        const double g1 = (inertia_ * m.j + damper_ * m.a + rate_ * m.v) / stiffness_;
        const double g2 = (inertia_ * m.snap + damper_ * m.j + rate_ * m.a) / stiffness_;
        if (!std::isfinite(g + g1 + g2)) ThrowOverflow();
        return {g, g1 * Step, g2 * Step * Step, 0};
    }

    // z and its first three derivatives by u at u of a step that starts at z0, for the
    // quintic c (p its derivatives at u).
    void Advance(double z0, const std::array<double, 6>& c, const std::array<double, 6>& p, double u,
                 double z[4]) const {
        const double l = lambda_;
        if (l > 5) {
            // The particular solution sum (-1/l)^j p^(j); the start's difference dies within
            // the step (and is below rounding once l > 50).
            double zp[4] = {};
            for (int m = 0; m < 4; ++m) {
                double f = 1;
                for (int j = 0; j + m < 6; ++j, f *= -1 / l) zp[m] += f * p[j + m];
            }
            double zp0 = 0, f = 1;
            for (int j = 0; j < 6; ++j, f *= -1 / l) zp0 += f * c[j] * Falling(j, j);
            const double free = l > 50 ? 0 : (z0 - zp0) * std::exp(-l * u);
            z[0] = zp[0] + free;
            z[1] = zp[1] - l * free;
            z[2] = zp[2] + l * l * free;
            z[3] = zp[3] - l * l * l * free;
            return;
        }
        // z(u) = e^(-l u) z0 + l sum c_j j! u^(j+1) phi_{j+1}(-l u); then z' = l (p - z).
        const long double x = -static_cast<long double>(l) * u;
        long double sum = std::exp(x) * z0, power = u, factorial = 1;
        for (int j = 0; j < 6; ++j) {
            if (j > 0) factorial *= j;
            sum += l * c[j] * factorial * power * Phi(j + 1, x);
            power *= u;
        }
        z[0] = static_cast<double>(sum);
        z[1] = l * (p[0] - z[0]);
        z[2] = l * (p[1] - z[1]);
        z[3] = l * (p[2] - z[2]);
    }

    // phi_k(x) = sum x^n / (n + k)!, for -5 <= x <= 0.
    static long double Phi(int k, long double x) {
        long double term = 1;
        for (int n = 2; n <= k; ++n) term /= n;
        long double sum = term;
        for (int n = 1; n < 80 && std::fabs(term) > 1e-24L * std::fabs(sum); ++n) {
            term *= x / (n + k);
            sum += term;
        }
        return sum;
    }

    // z at every node: one turn from 0, then the start that one turn brings back.
    void PeriodicNodes() {
        auto turn = [&](double z0, bool keep) {
            double z = z0;
            for (std::vector<Node>& nodes : nodes_) {
                if (keep) nodes.front().z = z;
                for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
                    const std::array<double, 6> c = Quintic(nodes[i], nodes[i + 1]);
                    std::array<double, 6> p{};
                    // At u = 1: every derivative of the quintic there.
                    for (int m = 0; m < 6; ++m) {
                        double sum = 0;
                        for (int j = m; j < 6; ++j) sum += c[j] * Falling(j, m);
                        p[m] = sum;
                    }
                    double next[4];
                    Advance(z, c, p, 1, next);
                    z = next[0];
                    if (keep) nodes[i + 1].z = z;
                }
            }
            return z;
        };
        // After N steps the start has decayed by e^(-2 pi / tau).
        const double after = turn(0, false);
        const double start = after / -std::expm1(-2 * Pi / tau_);
        if (!std::isfinite(start)) ThrowOverflow();
        turn(start, true);
    }

    // A step or a corner in the contour: the law's velocity or acceleration jumps, or
    // without train damping its jerk.
    void RefuseJumps() const {
        for (const Join& join : law_.Joins()) {
            const std::string at = FormatNumber(join.atDeg);
            if (join.velocityJump != 0) throw CamError(Text::Message(text::VelocityJump, {at}));
            throw CamError(Text::Message(text::AccelerationJump, {at}));
        }
        if (tau_ > 0) return;
        double largest = 0;
        for (const Kinematics& m : law_.OnGrid(PerDegree)) largest = std::max(largest, std::fabs(m.j));
        for (const Segment& s : law_.Segments()) {
            const double before = law_.EarlierSide(s.startDeg).j, after = law_.At(s.startDeg).j;
            if (std::fabs(after - before) > 1e-7 * largest) {
                throw CamError(Text::Message(text::JerkJump, {FormatNumber(s.startDeg)}));
            }
        }
    }

    Motion law_;
    double inertia_ = 0, damper_ = 0, rate_ = 0, rest_ = 0, stiffness_ = 0;
    double tau_ = 0, lambda_ = 0;
    std::vector<std::vector<Node>> nodes_;  // y: g, yu, yuu its slope and curvature per step; z
};

}  // namespace

std::shared_ptr<const LiftCorrection> Compensation(const CamInput& cam, const DynamicsInput& loads,
                                                   const TrainInput& train) {
    if (cam.motion.Correction()) ThrowInvalidOperation();
    CheckInputs(cam, loads, train);
    return std::make_shared<const CompensationCorrection>(cam.motion, loads, train);
}

VibrationResult ComputeVibration(const CamInput& cam, const DynamicsInput& loads, const TrainInput& train) {
    CheckInputs(cam, loads, train);
    const Train t(loads, train);
    const GridLift lift = LiftOnGrid(cam.motion);
    const Propagator p = PropagatorAt(t, loads.rpm);
    const std::optional<Steady> steady = SteadyState(t, p, lift, true);
    if (!steady) throw CamError(Text::Message(text::Resonance, {FormatNumber(loads.rpm)}));

    VibrationResult result;
    VibrationChecks& checks = result.checks;
    checks.naturalFrequencyHz = std::sqrt(t.K() / t.m) / (2 * Pi);
    checks.residuals = Residuals(t, p, cam.motion, lift);
    checks.maxDeviation = steady->maxDeviation;
    checks.minContactForce = steady->minContactForce;
    checks.separates = !(checks.minContactForce.value > 0);
    const int every = PerDegree / cam.stepsPerDegree;
    result.samples.resize(GridCount / every);
    // The correction at each grid index, from the later side at a join.
    std::vector<double> z(GridCount);
    for (std::size_t g = 0; g < lift.segments.size(); ++g) {
        for (std::size_t i = 0; i + 1 < lift.segments[g].size(); ++i) z[lift.firstK[g] + i] = lift.segments[g][i].z;
    }
    for (std::size_t i = 0; i < result.samples.size(); ++i) {
        const std::size_t k = i * every;
        const State& x = steady->at[k];
        result.samples[i] = {(x.r + z[k]) * 1000, -(t.k * x.r + t.ct * x.w / p.h), z[k] * 1000};
    }
    return result;
}

std::vector<SpeedPoint> SweepSpeeds(const CamInput& cam, const DynamicsInput& loads, const TrainInput& train,
                                    double from, double to, double step) {
    CheckInputs(cam, loads, train);
    RequireInRange(Quantity::Rpm, from);
    RequireInRange(Quantity::Rpm, to);
    if (!(step > 0 && from <= to && (to - from) / step <= 1e6)) ThrowInvalidOperation();
    const Train t(loads, train);
    const GridLift lift = LiftOnGrid(cam.motion);
    std::vector<SpeedPoint> points;
    for (long n = 0;; ++n) {
        const double rpm = from + static_cast<double>(n) * step;
        if (rpm > to + 1e-6 * step) break;
        const Propagator p = PropagatorAt(t, rpm);
        SpeedPoint point;
        point.rpm = rpm;
        point.residual = LargestResidual(Residuals(t, p, cam.motion, lift));
        if (const std::optional<Steady> steady = SteadyState(t, p, lift, false)) {
            point.minContactForce = steady->minContactForce.value;
        }
        points.push_back(point);
    }
    return points;
}

}  // namespace platecam::engine
