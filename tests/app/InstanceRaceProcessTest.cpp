// Starts at the same instant (an owner double-clicking the launcher, a
// desktop that starts the autostart entry twice): of two, or of ten, exactly
// one program runs on, and every other start has handed it its OPEN.
#include "ShellProcessFixture.h"

namespace {

class InstanceRaceProcessTest : public ShellProcessTest {
protected:
    struct RoundResult {
        int survivors = 0;
        int initialised = 0;
        int handedOver = 0;
        int opensReceived = 0;
        bool othersEndedWithZero = true;
    };

    // Lets count starts go at once and waits until all but one have ended.
    RoundResult RunRound(int round, int count)
    {
        int gate[2];
        EXPECT_EQ(::pipe2(gate, O_CLOEXEC), 0);
        std::vector<std::pair<std::string, pid_t>> starts;
        for (int i = 0; i < count; ++i) {
            const std::string name = "r" + std::to_string(round) + "-" + std::to_string(i);
            starts.emplace_back(name, Start(name, {"/Start", VirtualKeyboard()}, ProgramPath, gate[0]));
        }
        const std::string go(static_cast<size_t>(count), 'g');
        EXPECT_EQ(::write(gate[1], go.data(), go.size()), static_cast<ssize_t>(go.size()));
        ::close(gate[0]);
        ::close(gate[1]);

        // The instance never ends by itself; every other start must, soon.
        RoundResult result;
        std::vector<std::pair<std::string, pid_t>> alive = starts;
        const auto end = std::chrono::steady_clock::now() + Patience;
        while (alive.size() > 1 && std::chrono::steady_clock::now() < end) {
            for (auto it = alive.begin(); it != alive.end();) {
                const int code = WaitExit(it->second, 1ms);
                if (code == -1) {
                    ++it;
                    continue;
                }
                result.othersEndedWithZero = result.othersEndedWithZero && code == 0;
                result.handedOver += Has(it->first, "open-sent");
                it = alive.erase(it);
            }
        }
        // No last one ends late, and none is left over.
        if (alive.size() == 1) {
            EXPECT_EQ(WaitExit(alive.front().second, 300ms), -1);
        }
        result.survivors = static_cast<int>(alive.size());
        for (const auto& [name, pid] : starts) {
            result.initialised += Has(name, "initialised");
            const std::vector<std::string> lines = Lines(name);
            result.opensReceived += static_cast<int>(std::count(lines.begin(), lines.end(), "message OPEN"));
        }
        // The held OPENs open the window once the keyboard is found.
        if (alive.size() == 1) {
            EXPECT_TRUE(WaitFor(alive.front().first, "window-shown"));
        }
        for (const auto& [name, pid] : alive) {
            ::kill(pid, SIGTERM);
            EXPECT_EQ(WaitExit(pid), 0);
        }
        return result;
    }

    void RunRounds(int count, int rounds)
    {
        for (int round = 0; round < rounds; ++round) {
            SCOPED_TRACE(std::to_string(count) + " starts, round " + std::to_string(round));
            const RoundResult r = RunRound(round, count);
            EXPECT_EQ(r.survivors, 1);
            EXPECT_EQ(r.initialised, 1);
            EXPECT_EQ(r.handedOver, count - 1);
            EXPECT_EQ(r.opensReceived, count - 1);
            EXPECT_TRUE(r.othersEndedWithZero);
            if (HasFailure())
                return;
        }
    }
};

} // namespace

TEST_F(InstanceRaceProcessTest, OfTwoStartsAtOnceExactlyOneRuns)
{
    RunRounds(2, 25);
}

TEST_F(InstanceRaceProcessTest, OfTenStartsAtOnceExactlyOneRuns)
{
    RunRounds(10, 10);
}
