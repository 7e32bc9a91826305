// A job started twice at once prints once; both runs report its result.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "printer-app/JobRuns.h"

namespace aro::printerapp {
namespace {

TEST(JobRuns, SecondStartOfAJobWaitsForTheFirstAndGetsItsResult) {
    for (bool outcome : {true, false}) {
        JobRuns runs;
        std::atomic<int> printed{0};
        bool results[2] = {!outcome, !outcome};
        auto run = [&](int index) {
            bool first = false;
            if (runs.Claim(7, &first)) {
                ++printed;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                runs.Finish(7, outcome);
                results[index] = outcome;
            } else {
                results[index] = first;
            }
        };
        std::thread a(run, 0), b(run, 1);
        a.join(), b.join();
        EXPECT_EQ(printed, 1);
        EXPECT_EQ(results[0], outcome);
        EXPECT_EQ(results[1], outcome);
        // A start after the end prints nothing either.
        bool late = !outcome;
        EXPECT_FALSE(runs.Claim(7, &late));
        EXPECT_EQ(late, outcome);
    }
}

TEST(JobRuns, ManyJobsKeepAShortMemoryAndNeverDropARunningOne) {
    JobRuns runs;
    bool ignored = false;
    ASSERT_TRUE(runs.Claim(1, &ignored));  // stays running
    for (int job = 2; job < 1000; ++job) {
        ASSERT_TRUE(runs.Claim(job, &ignored)) << job;
        runs.Finish(job, true);
    }
    // Job 1 is still known as running: a second start waits for it.
    std::atomic<bool> waited{false};
    std::thread second([&] {
        bool result = false;
        EXPECT_FALSE(runs.Claim(1, &result));
        EXPECT_TRUE(result);
        waited = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(waited);
    runs.Finish(1, true);
    second.join();
    EXPECT_TRUE(waited);
    // Early finished jobs are forgotten (the memory stays short), the
    // latest are not.
    EXPECT_TRUE(runs.Claim(2, &ignored));
    EXPECT_FALSE(runs.Claim(999, &ignored));
}

}  // namespace
}  // namespace aro::printerapp
