#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zarvik::test {

// The progress reports of one operation, as (done, total) pairs.
struct TProgressRecord
{
    std::vector<std::pair<std::size_t, std::size_t>> Reports;

    std::function<void(std::size_t, std::size_t)> Callback()
    {
        return [this](std::size_t done, std::size_t total) { Reports.emplace_back(done, total); };
    }

    // Empty when the reports go from 0 of a total that never changes up to all of it, never
    // going back; else what is wrong.
    std::string Fault() const
    {
        if (Reports.empty())
            return "no report";
        const std::size_t total = Reports.front().second;
        if (Reports.front().first != 0)
            return "the first report is " + std::to_string(Reports.front().first) + " done";
        for (std::size_t i = 1; i < Reports.size(); ++i) {
            if (Reports[i].second != total)
                return "the total changed at report " + std::to_string(i);
            if (Reports[i].first < Reports[i - 1].first)
                return "went back at report " + std::to_string(i);
        }
        if (Reports.back().first != total)
            return "ended at " + std::to_string(Reports.back().first) + " of " + std::to_string(total);
        return {};
    }
};

} // namespace zarvik::test
