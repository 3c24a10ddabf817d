// Writes workshop drawings for scripts/check_drawing.py, each with a JSON file of what
// the drawing must show: the rings where the contour and pitch curve are circular arcs
// (dwells, known in closed form), the bore, the texts, the arrow of the turn.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>

#include "base/errors.h"
#include "engine/exact.h"
#include "files/arcs.h"
#include "files/drawing.h"

namespace {

using Json = nlohmann::json;
using platecam::arcs::Point;

// A point at cam angle `degrees` (clockwise from +y) and radius r.
Point AtAngle(double degrees, double r) {
    const double a = degrees * std::numbers::pi / 180;
    return {r * std::sin(a), r * std::cos(a)};
}

// The closed curve r(θ) round the centre, θ the cam angle, as arcs within a micrometre.
std::vector<platecam::arcs::Piece> Radial(double (*r)(double), double (*dr)(double), std::vector<double> breaks) {
    platecam::arcs::Curve curve;
    curve.point = [r](double u) { return AtAngle(u, r(u)); };
    curve.tangent = [r, dr](double u, bool) {
        // d/dθ (r sin θ, r cos θ), θ in radians.
        const double a = u * std::numbers::pi / 180, k = 180 / std::numbers::pi;
        const double x = k * dr(u) * std::sin(a) + r(u) * std::cos(a), y = k * dr(u) * std::cos(a) - r(u) * std::sin(a);
        return Point{x / std::hypot(x, y), y / std::hypot(x, y)};
    };
    curve.breaks = std::move(breaks);
    return platecam::arcs::FitBiarcs(curve, 0.001).pieces;
}

// A cycloidal lift of 10 mm over 90..180°, dwell to 240°, return by 330°, and its
// derivative by the degree.
double Lift(double angle) {
    const auto cycloid = [](double t) { return 10 * (t - std::sin(2 * std::numbers::pi * t) / (2 * std::numbers::pi)); };
    if (angle > 90 && angle < 180) return cycloid((angle - 90) / 90);
    if (angle >= 180 && angle <= 240) return 10;
    if (angle > 240 && angle < 330) return 10 - cycloid((angle - 240) / 90);
    return 0;
}
double LiftRate(double angle) {
    const auto rate = [](double t) { return 10 * (1 - std::cos(2 * std::numbers::pi * t)) / 90; };
    if (angle > 90 && angle < 180) return rate((angle - 90) / 90);
    if (angle > 240 && angle < 330) return -rate((angle - 240) / 90);
    return 0;
}

// Base circle 40 mm with that lift; the "pitch curve" 6 mm outside it (a curve of the
// same shape, for the layer); bore 20 mm; Japanese name and titles.
platecam::WorkshopDrawing DiscAndRise(Json& expect) {
    platecam::WorkshopDrawing d;
    d.contour = Radial([](double a) { return 40 + Lift(a); }, LiftRate, {90, 180, 240, 330});
    d.pitch = Radial([](double a) { return 46 + Lift(a); }, LiftRate, {90, 180, 240, 330});
    d.designName = "板カム試作１号";
    d.notes = {"縮尺 1:1、単位 mm", "基礎円半径: 40 mm"};
    d.rotation = "回転方向";
    d.boreDiameter = 20;
    d.titleBlock = {{"品番", "PC-001"}, {"材質", "S45C"}, {"設計", "山田"},
                    {"検図", ""},       {"改訂", "A"},    {"日付", "2024-05-01"}};
    expect["rings"] = Json::array({
        {{"layer", "CONTOUR"}, {"radius", 40}, {"from", -30}, {"to", 90}},
        {{"layer", "CONTOUR"}, {"radius", 50}, {"from", 180}, {"to", 240}},
        {{"layer", "PITCH"}, {"radius", 46}, {"from", -30}, {"to", 90}},
        {{"layer", "PITCH"}, {"radius", 56}, {"from", 180}, {"to", 240}},
    });
    expect["bore"] = 20;
    expect["rotation"] = true;
    expect["texts"] = {"板カム試作１号", "縮尺 1:1", "品番: PC-001", "材質: S45C",
                       "設計: 山田",     "検図",     "日付: 2024-05-01", "回転方向"};
    return d;
}

// The window's start-up design, exact: dwells at 45 mm (260..360°), 55 mm (90..110°)
// and 65 mm (170..180°) on the contour, 10 mm more on the pitch curve.
platecam::WorkshopDrawing DefaultDesign(Json& expect) {
    platecam::engine::CamInput input;
    input.baseRadius = 45;
    input.follower.rollerRadius = 10;
    input.motion = platecam::engine::Motion::FromRows(
        {{0, 0}, {30, 0}, {90, 10}, {110, 10}, {170, 20}, {180, 20}, {260, 0}, {360, 0}});
    const platecam::engine::ExactCam cam(input);
    auto curve = [&](bool pitch) {
        platecam::arcs::Curve c;
        c.point = [cam, pitch](double u) {
            const auto p = cam.At(u);
            return pitch ? Point{p.pitch.x, p.pitch.y} : Point{p.contact.x, p.contact.y};
        };
        c.tangent = [cam](double u, bool after) {
            const auto t = cam.At(u, !after).tangent;
            return Point{t.x, t.y};
        };
        c.breaks = cam.RowAngles();
        return c;
    };
    platecam::WorkshopDrawing d;
    const platecam::arcs::Fit contour = platecam::arcs::FitBiarcs(curve(false), 0.001);
    d.contour = contour.pieces;
    d.pitch = platecam::arcs::FitBiarcs(curve(true), 0.001).pieces;
    d.designName = "default-cam";
    d.notes = {"scale 1:1, unit mm"};
    expect["rings"] = Json::array({
        {{"layer", "CONTOUR"}, {"radius", 45}, {"from", 260}, {"to", 360}},
        {{"layer", "CONTOUR"}, {"radius", 55}, {"from", 90}, {"to", 110}},
        {{"layer", "PITCH"}, {"radius", 55}, {"from", 260}, {"to", 360}},
        {{"layer", "PITCH"}, {"radius", 65}, {"from", 90}, {"to", 110}},
    });
    expect["bore"] = nullptr;
    expect["arcs"] = contour.pieces.size();
    expect["texts"] = {"default-cam", "scale 1:1"};
    return d;
}

// A large plain disc of 300 mm with nothing but the contour, one circle: no name, pitch
// or bore.
platecam::WorkshopDrawing LargeDisc(Json& expect) {
    platecam::WorkshopDrawing d;
    platecam::arcs::Piece circle;
    circle.from = circle.to = AtAngle(0, 300);
    circle.radius = 300;
    circle.sweep = -2 * std::numbers::pi;
    d.contour = {circle};
    d.notes = {"SCALE 1:1"};
    expect["rings"] =
        Json::array({{{"layer", "CONTOUR"}, {"radius", 300}, {"from", 0}, {"to", 360}}});
    expect["bore"] = nullptr;
    expect["texts"] = {"SCALE 1:1"};
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_sample_drawings FOLDER\n");
        return 2;
    }
    try {
        for (auto [name, make] :
             {std::pair{"disc_rise", &DiscAndRise}, std::pair{"default_design", &DefaultDesign},
              std::pair{"large_disc", &LargeDisc}}) {
            Json expect;
            const platecam::WorkshopDrawing drawing = make(expect);
            expect["pitch"] = !drawing.pitch.empty();
            const std::string base = std::string(argv[1]) + "/" + name;
            std::ofstream dxf(base + ".dxf", std::ios::binary);
            std::ofstream json(base + ".json");
            dxf << platecam::BuildWorkshopDrawing(drawing);
            json << expect.dump(2);
            if (!dxf.flush() || !json.flush()) {
                std::fprintf(stderr, "cannot write %s\n", base.c_str());
                return 1;
            }
            std::printf("%s.dxf\n", base.c_str());
        }
    } catch (const platecam::CamError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
