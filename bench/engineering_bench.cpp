// The engineering window's answer to an edit, offscreen: from the changed document to the
// repainted plots, checks and cam view, at 0.2° with loads at speed for each follower kind
// that has them. Counters: the median and the 95th percentile of single edits.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <vector>

#include "files/design_document.h"
#include "ui/engineering/engineering_window.h"

namespace platecam::bench {
namespace {

class SilentHost : public EngineeringHost {
public:
    std::optional<QString> FileToOpen(const QString&) override { return std::nullopt; }
    std::optional<QString> FileToSave(const QString&, const QString&) override { return std::nullopt; }
    Unsaved AskToSave(const QString&) override { return Unsaved::Discard; }
    void ShowError(const QString&) override {}
};

// Counts the paint events of the panels an edit must repaint.
class Paints : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

const char* const Examples[] = {"loads.toml", "offset-roller.toml", "flat-face.toml", "swing-arm.toml"};

// An installed example at 0.2°, with the loads and contact of loads.toml where its kind
// computes loads (the swinging arm does not yet).
DesignDocument Document(int which) {
    const std::string folder = PLATECAM_SOURCE_DIR "/examples/";
    const DesignDocument loads = ReadDesignDocument(folder + "loads.toml");
    DesignDocument d = ReadDesignDocument(folder + Examples[which]);
    d.cam.resolution = 0.2;
    if (d.follower.kind != engine::FollowerKind::SwingRoller) {
        d.cam.rpm = loads.cam.rpm;
        d.dynamics = loads.dynamics;
        d.contact = loads.contact;
    }
    return d;
}

void BM_EngineeringEdit(benchmark::State& state) {
    SilentHost host;
    EngineeringWindow window(host);
    window.resize(1400, 900);
    window.show();
    window.NewDocument(Document(static_cast<int>(state.range(0))), QStringLiteral("bench.toml"));
    window.repaint();
    if (!window.Result()) {
        state.SkipWithError("the document breaks a rule");
        return;
    }
    const double base = window.Model().Document().cam.baseRadius;
    Paints plots, cam, checks;
    window.Plots()->installEventFilter(&plots);
    window.Cam()->installEventFilter(&cam);
    window.CheckTable()->viewport()->installEventFilter(&checks);
    std::vector<double> seconds;
    int edit = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // The base radius changes every result: checks, plots, loads and the contour.
        const double radius = base + (++edit % 2);
        window.Model().Change(QStringLiteral("base radius"),
                              [radius](DesignDocument& d) { d.cam.baseRadius = radius; });
        // The event loop paints what the edit made stale, as it does in the program, until
        // the three panels have been painted (a view lays itself out on a zero timer first).
        const int before[3] = {plots.count, cam.count, checks.count};
        for (int turn = 0; turn < 100 && (plots.count == before[0] || cam.count == before[1] ||
                                          checks.count == before[2]); ++turn) {
            QCoreApplication::processEvents();
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    // Every edit repainted all three.
    const int edits = static_cast<int>(seconds.size());
    if (plots.count < edits || cam.count < edits || checks.count < edits) {
        state.SkipWithError("an edit left a panel unpainted");
        return;
    }
    std::sort(seconds.begin(), seconds.end());
    const auto at = [&](double fraction) {
        return seconds[static_cast<std::size_t>(fraction * static_cast<double>(seconds.size() - 1))];
    };
    state.counters["median_ms"] = 1e3 * at(0.5);
    state.counters["p95_ms"] = 1e3 * at(0.95);
}

BENCHMARK(BM_EngineeringEdit)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace platecam::bench
