#pragma once
// The reports of a progress event, and what every run of reports must look like.

#include "rtl/progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace nyx::test {

struct TProgressLog {
    std::vector<std::pair<std::int64_t, std::int64_t>> Reports;
    TObject* Sender = nullptr;
    // Raises at this report (counted from 1); never when 0.
    std::size_t CancelAt = 0;

    TProgressEvent Event() { return TProgressEvent::Bind<&TProgressLog::Add>(this); }
    void Add(TObject* From, std::int64_t Done, std::int64_t Total) {
        Sender = From;
        Reports.emplace_back(Done, Total);
        if (Reports.size() == CancelAt)
            throw std::runtime_error("cancelled");
    }
    // Done rising from 0 to Total in at most a hundred steps plus the end, Total once.
    void ExpectWellFormed(std::int64_t Total) const {
        ASSERT_GE(Reports.size(), 2u);
        EXPECT_EQ(Reports.front().first, 0);
        EXPECT_LE(Reports.size(), 102u);
        for (std::size_t i = 0; i < Reports.size(); ++i) {
            EXPECT_EQ(Reports[i].second, Total) << i;
            if (i > 0) {
                EXPECT_GT(Reports[i].first, Reports[i - 1].first) << i;
            }
        }
        EXPECT_EQ(Reports.back().first, Total);
    }
};

}  // namespace nyx::test
