// Several rt604ctl processes on one keyboard plugged in through the kernel,
// started together round after round. Every process that opened the hidraw
// node receives every reply, and the keyboard takes requests in whatever
// order they arrive: only a lock across the processes keeps each transfer
// whole. The keyboard reports every request that lands inside another
// conversation's BeginUpdate...EndUpdate group (rt604-uhid-keyboard checks
// conversations), and its memory must end as one writer's whole file.
#include "KernelTestSupport.h"
#include "ProfileFiles.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <regex>
#include <set>

namespace kernel {
namespace {

// Generous for an emulated machine; a process past it is taken as hung.
constexpr auto ProcessBound = 60s;

enum class Kind { Import, Profile, Lighting, KeyColours };

// The macro image at the start of the memory (its length in bytes 2 and 3);
// a shorter image leaves the end of a longer one behind it.
bool SameMacroImage(const KeyboardMemories& held, const KeyboardMemories& imported)
{
    const std::vector<uint8_t>& image = imported.macroMemory;
    const size_t length = image.size() < 4 ? 0 : size_t(image[2]) | size_t(image[3]) << 8;
    return length > 0 && length <= image.size() && held.macroMemory.size() == image.size()
        && std::equal(image.begin(), image.begin() + std::ptrdiff_t(length), held.macroMemory.begin());
}

struct Program {
    fs::path dir;
    std::string profileFile;
    KeyboardMemories imported; // keyMaps and macroMemory after its import alone
};

struct Started {
    size_t program;
    Kind kind;
    int value; // the profile switched to (index), or the brightness set
    pid_t pid;
};

class ProgramsAtOnceThroughKernelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RT604_REQUIRE_UHID();
        dir = TestFolder("atonce");
        state = (dir / "keyboard.state").string();
        violations = (dir / "violations").string();
        ::setenv("RT604_FRAME_VIOLATIONS", violations.c_str(), 1);
        ASSERT_TRUE(WriteFileAtomically(state, EncodeKeyboardState(FactoryMemories(0x5000, 64))));
    }
    void TearDown() override
    {
        ::unsetenv("RT604_FRAME_VIOLATIONS");
        if (!dir.empty())
            fs::remove_all(dir);
    }

    // Each program's own profile file (other macros, B on another key) and
    // what the keyboard holds after importing it alone, on the virtual
    // keyboard beside.
    void MakePrograms(int count)
    {
        for (int i = 0; i < count; ++i) {
            Program p;
            p.dir = dir / ("program" + std::to_string(i));
            fs::create_directories(p.dir);
            p.profileFile = (p.dir / "own.vpf").string();
            const MacroPlan plan{30 + 8 * i, 14 + 2 * i, 0};
            ASSERT_TRUE(WriteFileAtomically(p.profileFile, ProfileFileBytes(plan, 30 + i)));
            const std::string reference = (p.dir / "reference.state").string();
            fs::copy_file(state, reference);
            const ProgramRun run =
                RunProgram(BinaryPath("rt604ctl"), {"import", p.profileFile, "--virtual-keyboard=" + reference}, p.dir);
            ASSERT_EQ(run.status, 0) << run.err;
            p.imported = StateMemories(reference);
            programs.push_back(std::move(p));
        }
    }

    std::vector<std::string> TakeViolations()
    {
        std::string text;
        ReadWholeFile(violations, text, 1 << 24);
        fs::remove(violations);
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Rounds of all the programs at once: every other round each imports its
    // own file; in between they switch profiles, change the lighting, send
    // key colours and import, each something else.
    void RunRounds(int rounds)
    {
        UhidKeyboardProcess keyboard({"--state=" + state});
        ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
        int roundsWithWaits = 0;
        int importRounds = 0;
        for (int round = 0; round < rounds; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            const bool allImport = round % 2 == 0;
            importRounds += allImport ? 1 : 0;
            std::vector<Started> started;
            for (size_t i = 0; i < programs.size(); ++i) {
                const Kind kind = allImport ? Kind::Import : static_cast<Kind>((i + size_t(round) / 2) % 4);
                Started s{i, kind, 0, -1};
                std::vector<std::string> args;
                switch (kind) {
                case Kind::Import: args = {"import", programs[i].profileFile}; break;
                case Kind::Profile:
                    s.value = round % 3;
                    args = {"profile", std::to_string(s.value + 1)};
                    break;
                case Kind::Lighting:
                    s.value = round % 6;
                    args = {"lighting", "1", "brightness=" + std::to_string(s.value)};
                    break;
                case Kind::KeyColours: args = {"key-colours", std::to_string(round % 3 + 1)}; break;
                }
                s.pid = StartProgram(BinaryPath("rt604ctl"), args, programs[i].dir);
                started.push_back(s);
            }

            const auto deadline = std::chrono::steady_clock::now() + ProcessBound;
            std::set<pid_t> pids;
            for (const Started& s : started)
                pids.insert(s.pid);
            bool someoneWaited = false;
            std::optional<int> switchedTo;
            for (const Started& s : started) {
                const ProgramRun run = WaitProgram(s.pid, programs[s.program].dir, deadline);
                SCOPED_TRACE("program " + std::to_string(s.program) + ", pid " + std::to_string(s.pid));
                EXPECT_NE(run.status, -2) << "still running after " << ProcessBound.count() << " s";
                EXPECT_EQ(run.status, 0) << run.err;
                // "the keyboard is busy with rt604ctl (pid N); waiting": N is
                // another program of this round.
                static const std::regex busy("busy with (\\S+) \\(pid ([0-9]+)\\)");
                for (std::sregex_iterator m(run.err.begin(), run.err.end(), busy), end; m != end; ++m) {
                    someoneWaited = true;
                    EXPECT_EQ((*m)[1].str(), "rt604ctl") << run.err;
                    const pid_t holder = static_cast<pid_t>(std::stol((*m)[2].str()));
                    EXPECT_NE(holder, s.pid) << run.err;
                    EXPECT_TRUE(pids.count(holder)) << run.err;
                }
                if (run.status != 0)
                    continue;
                if (s.kind == Kind::Lighting) {
                    EXPECT_NE(run.out.find("brightness: " + std::to_string(s.value) + "\n"), std::string::npos) << run.out;
                }
                if (s.kind == Kind::Profile)
                    switchedTo = s.value;
            }
            roundsWithWaits += someoneWaited ? 1 : 0;

            const std::vector<std::string> crossed = TakeViolations();
            EXPECT_TRUE(crossed.empty()) << crossed.size() << " requests crossed another's group, the first: "
                                         << (crossed.empty() ? std::string() : crossed.front());
            // The keyboard's memory is one writer's whole file, never a mix.
            const KeyboardMemories held = StateMemories(state);
            const bool whole = std::any_of(programs.begin(), programs.end(), [&](const Program& p) {
                return held.keyMaps == p.imported.keyMaps && SameMacroImage(held, p.imported);
            });
            EXPECT_TRUE(whole) << "the key maps and macros are no program's file";
            if (switchedTo) {
                EXPECT_EQ(held.ActiveProfile(), *switchedTo);
            }
            if (HasFailure())
                break;
        }
        // Imports that start together overlap: someone waits in each such round.
        EXPECT_GE(roundsWithWaits, importRounds)
            << "a waiting message in " << roundsWithWaits << " rounds of " << importRounds << " where all imported";
        EXPECT_EQ(keyboard.Command("save"), "ok");
        EXPECT_EQ(keyboard.Quit(), 0);
    }

    fs::path dir;
    std::string state;
    std::string violations;
    std::vector<Program> programs;
};

TEST_F(ProgramsAtOnceThroughKernelTest, TwoProgramsAtOnceKeepEveryTransferWholeAndTheMemoryOneFile)
{
    ASSERT_NO_FATAL_FAILURE(MakePrograms(2));
    RunRounds(12);
}

TEST_F(ProgramsAtOnceThroughKernelTest, FourProgramsAtOnceKeepEveryTransferWholeAndTheMemoryOneFile)
{
    ASSERT_NO_FATAL_FAILURE(MakePrograms(4));
    RunRounds(8);
}

// Programs that start while another holds the keyboard each say whom they
// wait for. The holder's import is slowed down (10 ms a request) so that the
// others are surely started before it ends.
TEST_F(ProgramsAtOnceThroughKernelTest, ProgramsThatFindTheKeyboardBusySayWhichProgramHasIt)
{
    ASSERT_NO_FATAL_FAILURE(MakePrograms(4));
    UhidKeyboardProcess keyboard({"--state=" + state, "--latency-us=5000"});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    auto requests = [&] {
        const std::vector<std::string> words = Words(keyboard.Command("requests"));
        return words.size() == 2 ? std::stol(words[1]) : -1L;
    };
    const long idle = requests();
    const pid_t holder = StartProgram(BinaryPath("rt604ctl"), {"import", programs[0].profileFile}, programs[0].dir);
    const auto deadline = std::chrono::steady_clock::now() + ProcessBound;
    while (requests() == idle && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    std::vector<pid_t> waiters;
    for (size_t i = 1; i < programs.size(); ++i)
        waiters.push_back(StartProgram(BinaryPath("rt604ctl"), {"profile"}, programs[i].dir));

    EXPECT_EQ(WaitProgram(holder, programs[0].dir, deadline).status, 0);
    std::set<pid_t> round = {holder};
    round.insert(waiters.begin(), waiters.end());
    for (size_t i = 0; i < waiters.size(); ++i) {
        const ProgramRun run = WaitProgram(waiters[i], programs[i + 1].dir, deadline);
        SCOPED_TRACE("waiter " + std::to_string(i + 1));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("Active profile: "), std::string::npos) << run.out;
        // It names whoever held the keyboard then: the importer or a waiter
        // served before it, never itself.
        static const std::regex busy("the keyboard is busy with rt604ctl \\(pid ([0-9]+)\\); waiting");
        std::smatch first;
        ASSERT_TRUE(std::regex_search(run.err, first, busy)) << run.err;
        EXPECT_TRUE(round.count(static_cast<pid_t>(std::stol(first[1].str())))) << run.err;
        EXPECT_NE(static_cast<pid_t>(std::stol(first[1].str())), waiters[i]) << run.err;
    }
    EXPECT_TRUE(TakeViolations().empty());
    const KeyboardMemories held = StateMemories(state);
    EXPECT_TRUE(held.keyMaps == programs[0].imported.keyMaps && SameMacroImage(held, programs[0].imported));
    EXPECT_EQ(keyboard.Quit(), 0);
}

} // namespace
} // namespace kernel
