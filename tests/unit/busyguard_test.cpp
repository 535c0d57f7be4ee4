// The busy guard's rules: what waits, in which order, and what is refused.
#include "ui/busyguard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qm {
namespace {

TEST(BusyGuard, CommandsWaitForTheOperationAndRunInArrivalOrder) {
    TBusyGuard guard;  // without a window the queue runs as soon as the guard is free
    std::vector<std::string> log;
    {
        auto operation = guard.TryEnter(L"record");
        ASSERT_TRUE(operation);
        EXPECT_TRUE(guard.Busy());
        EXPECT_FALSE(guard.RunOrQueue(L"drop", [&] { log.push_back("drop"); }));
        EXPECT_FALSE(guard.RunOrQueue(L"hand-off", [&] { log.push_back("hand-off"); }));
        EXPECT_FALSE(guard.RunOrRefuse(L"second record", [&] { log.push_back("second record"); }));
        EXPECT_EQ(guard.Waiting(), 2u);
        EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"drop", "hand-off"}));
    EXPECT_FALSE(guard.Busy());
    EXPECT_TRUE(guard.RunOrRefuse(L"record", [&] { log.push_back("record"); }));
    EXPECT_EQ(log.back(), "record");
}

TEST(BusyGuard, ACommandHoldsTheGuardWhileItRuns) {
    TBusyGuard guard;
    std::vector<std::string> log;
    guard.RunOrQueue(L"load", [&] {
        EXPECT_TRUE(guard.Busy());
        // Input that arrives while the command pumps waits for its end.
        guard.RunOrQueue(L"click", [&] { log.push_back("click"); });
        log.push_back("load");
    });
    EXPECT_EQ(log, (std::vector<std::string>{"load", "click"}));
}

TEST(BusyGuard, AQueuedCommandThatPumpsKeepsTheRestWaiting) {
    TBusyGuard guard;
    std::vector<std::string> log;
    {
        auto operation = guard.TryEnter(L"record");
        guard.RunOrQueue(L"first", [&] {
            guard.RunOrQueue(L"late", [&] { log.push_back("late"); });
            log.push_back("first");
        });
        guard.RunOrQueue(L"second", [&] { log.push_back("second"); });
    }
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "late"}));
}

TEST(BusyGuard, AFailingCommandDoesNotStopTheOthers) {
    TBusyGuard guard;
    std::vector<std::string> log;
    {
        auto operation = guard.TryEnter(L"record");
        guard.RunOrQueue(L"bad", [] { throw std::runtime_error("refused"); });
        guard.RunOrQueue(L"good", [&] { log.push_back("good"); });
    }
    EXPECT_EQ(log, std::vector<std::string>{"good"});
    EXPECT_FALSE(guard.Busy());
}

TEST(BusyGuard, WithAWindowTheQueueRunsWhenItsMessageComes) {
    int requests = 0;
    TBusyGuard guard([&] { ++requests; });
    std::vector<std::string> log;
    {
        auto operation = guard.TryEnter(L"replay");
        guard.RunOrQueue(L"drop", [&] { log.push_back("drop"); });
    }
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(log.empty());
    // A command that comes before the message goes behind the waiting one.
    guard.RunOrQueue(L"click", [&] { log.push_back("click"); });
    EXPECT_TRUE(log.empty());
    guard.DrainQueue();
    EXPECT_EQ(log, (std::vector<std::string>{"drop", "click"}));
}

}  // namespace
}  // namespace qm
