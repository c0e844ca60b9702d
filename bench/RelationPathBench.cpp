#include "MindMaps/RelationPath.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// A map's worth of relation lines of every kind, spread over a large canvas, and the points of
// a sweep of clicks and repaints over it.
std::vector<RelationPath> makePaths(size_t count)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-5000, 5000);
    std::uniform_real_distribution<double> bend(-200, 200);
    std::vector<RelationPath> paths(count);
    for (size_t i = 0; i < count; ++i) {
        Point a{coordinate(random), coordinate(random)};
        Point b{a.x + bend(random) * 2, a.y + bend(random)};
        RelationPath& path = paths[i];
        switch (i % 4) {
        case 0:
            path.setBezierP0(a, {(a.x + b.x) / 2, a.y}, {(a.x + b.x) / 2, b.y}, b);
            break;
        case 1:
            path.setCustomOffset({bend(random), bend(random)});
            path.setCustomBezierEndPointsP0(a, b);
            break;
        case 2:
            path.setStraightLine(a, b);
            break;
        default:
            path.setCustomOffset({bend(random), bend(random)});
            path.setCustomOrthogonalEndPoints(Rect(a.x - 40, a.y - 10, 80, 20), Rect(b.x - 40, b.y - 10, 80, 20));
            break;
        }
    }
    return paths;
}

std::vector<Point> makePoints(const std::vector<RelationPath>& paths)
{
    // Half the points on the lines, half anywhere.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(-5000, 5000);
    std::vector<Point> points;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i % 2 == 0) points.push_back(paths[i].getLocationPoint());
        else points.push_back({coordinate(random), coordinate(random)});
    }
    return points;
}

void BM_RelationPathHitTest(benchmark::State& state)
{
    auto paths = makePaths(static_cast<size_t>(state.range(0)));
    auto points = makePoints(paths);
    for (auto _ : state) {
        size_t hits = 0;
        for (size_t i = 0; i < paths.size(); ++i) hits += paths[i].hitTest(points[i]) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_RelationPathHitTest)->Arg(1000)->Arg(10000);

void BM_RelationPathBounds(benchmark::State& state)
{
    auto paths = makePaths(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        Rect bounds;
        for (const RelationPath& path : paths) bounds = path.unionCustomRelationPath(unionRect(bounds, path.bounds()));
        benchmark::DoNotOptimize(bounds);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_RelationPathBounds)->Arg(1000)->Arg(10000);

void BM_RelationPathApplyToPath(benchmark::State& state)
{
    auto paths = makePaths(1000);
    const double flatness = state.range(0) ? 2.0 : RelationPath::DefaultFlatness;
    for (auto _ : state) {
        for (RelationPath& path : paths) {
            BezierPath bezier;
            path.applyToPath(bezier, flatness);
            benchmark::DoNotOptimize(bezier);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_RelationPathApplyToPath)->Arg(0)->Arg(1);

} // namespace
