// A set of sector positions kept as sorted, disjoint half-open intervals, so that erasing or
// recording millions of sectors costs one entry instead of one flag per sector.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace emu {

struct Interval {
    int64_t begin = 0;  // first position
    int64_t end = 0;    // one past the last
};

class IntervalSet {
public:
    void Add(int64_t begin, int64_t end) {
        if (begin >= end) return;
        std::vector<Interval> out;
        out.reserve(items.size() + 1);
        size_t i = 0;
        while (i < items.size() && items[i].end < begin) out.push_back(items[i++]);
        Interval merged{begin, end};
        while (i < items.size() && items[i].begin <= end) {
            merged.begin = std::min(merged.begin, items[i].begin);
            merged.end = std::max(merged.end, items[i].end);
            i++;
        }
        out.push_back(merged);
        while (i < items.size()) out.push_back(items[i++]);
        items.swap(out);
    }

    bool Contains(int64_t position) const {
        auto it = std::upper_bound(items.begin(), items.end(), position,
                                   [](int64_t p, const Interval& v) { return p < v.begin; });
        return it != items.begin() && position < std::prev(it)->end;
    }

    // The parts of [begin, end) that the set covers, in order.
    std::vector<Interval> Covered(int64_t begin, int64_t end) const {
        std::vector<Interval> out;
        for (const auto& v : items) {
            int64_t b = std::max(begin, v.begin), e = std::min(end, v.end);
            if (b < e) out.push_back({b, e});
        }
        return out;
    }

    // The parts of [begin, end) that the set does not cover, in order.
    std::vector<Interval> Uncovered(int64_t begin, int64_t end) const {
        std::vector<Interval> out;
        int64_t at = begin;
        for (const auto& v : Covered(begin, end)) {
            if (at < v.begin) out.push_back({at, v.begin});
            at = v.end;
        }
        if (at < end) out.push_back({at, end});
        return out;
    }

    int64_t CoveredCount(int64_t begin, int64_t end) const {
        int64_t n = 0;
        for (const auto& v : Covered(begin, end)) n += v.end - v.begin;
        return n;
    }

    const std::vector<Interval>& Intervals() const { return items; }
    void Clear() { items.clear(); }

private:
    std::vector<Interval> items;
};

}  // namespace emu
