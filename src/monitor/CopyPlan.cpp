#include "monitor/CopyPlan.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace sentrel {
namespace {

// Floor division, so tiles of negative coordinates line up too.
int TileOf(int value, int tile) { return value >= 0 ? value / tile : -((-value + tile - 1) / tile); }

}  // namespace

CopyPlan PlanCopies(std::span<const SourcePoint> points, CopyCosts costs) {
    std::map<std::tuple<int, int, int>, std::vector<const SourcePoint*>> tiles;
    for (const SourcePoint& p : points)
        tiles[{p.source, TileOf(p.at.x, costs.tile), TileOf(p.at.y, costs.tile)}].push_back(&p);

    CopyPlan plan;
    plan.points.reserve(points.size());
    for (const auto& [tile, members] : tiles) {
        const int source = std::get<0>(tile);
        int left = members.front()->at.x, right = left, top = members.front()->at.y, bottom = top;
        std::map<int, std::pair<int, int>> rows;  // y -> leftmost and rightmost x
        for (const SourcePoint* p : members) {
            left = std::min(left, p->at.x);
            right = std::max(right, p->at.x);
            top = std::min(top, p->at.y);
            bottom = std::max(bottom, p->at.y);
            const auto [row, added] = rows.try_emplace(p->at.y, p->at.x, p->at.x);
            row->second = {std::min(row->second.first, p->at.x), std::max(row->second.second, p->at.x)};
        }
        long long rowPixels = 0;
        for (const auto& [y, span] : rows) rowPixels += span.second - span.first + 1;
        const long long boxPixels = static_cast<long long>(right - left + 1) * (bottom - top + 1);
        if (boxPixels + costs.requestCost <= rowPixels + costs.requestCost * static_cast<long long>(rows.size())) {
            plan.rects.push_back({source, left, top, right - left + 1, bottom - top + 1});
            for (const SourcePoint* p : members) {
                plan.points.push_back({p->index, plan.rects.size() - 1, p->at.x - left, p->at.y - top});
            }
            continue;
        }
        std::map<int, std::size_t> rectOfRow;
        for (const auto& [y, span] : rows) {
            rectOfRow[y] = plan.rects.size();
            plan.rects.push_back({source, span.first, y, span.second - span.first + 1, 1});
        }
        for (const SourcePoint* p : members) {
            const std::size_t rect = rectOfRow[p->at.y];
            plan.points.push_back({p->index, rect, p->at.x - plan.rects[rect].left, 0});
        }
    }
    std::stable_sort(plan.points.begin(), plan.points.end(),
                     [](const PlacedPoint& a, const PlacedPoint& b) { return a.rect < b.rect; });
    return plan;
}

}  // namespace sentrel
