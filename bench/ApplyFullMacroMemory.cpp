// An Apply that fills the largest macro memory a keyboard can announce
// (255 × 128 bytes) and writes one key map, on a virtual keyboard whose every
// report costs 1 ms of bus time, against the least time those reports need:
// once with the keyboard behind the HID backend seam, once plugged into the
// kernel through /dev/uhid and reached through hidraw, and once more so while
// rt604ctl, started with the Apply, waits for the keyboard (the latter two
// run in the VM of tools/kernel-test.sh).
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "actions/ApplyChanges.h"
#include "config/ConfigDocument.h"
#include "actions/ProfileSwitch.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/BusyIndicator.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConnection.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/UhidKeyboard.h"
#include "device/virtual/VirtualKeyboard.h"
#include "macro/MacroBlock.h"
#include "macro/MacroImage.h"
#include "platform/SettingsStore.h"
#include "text/LanguageTexts.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uint8_t MacroUnits = 255;
constexpr size_t ImageBytes = MacroUnits * size_t{128}; // 32640
constexpr int MacroCount = 100;
constexpr int EventsPerMacro = 75;
constexpr size_t NameChars = 10;
constexpr auto ReportLatency = std::chrono::milliseconds(1);

class QuietPrompts : public UserPrompts {
public:
    void ShowMessage(const std::string& text, MessageStyle) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileChoice&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileChoice&) override { return std::nullopt; }
};

// 100 named macros whose image is exactly the memory's size.
void FillDocument()
{
    DocumentLock lock;
    g_configDoc.macros.assign(size_t{MacroCount} * MacroBlockSize, 0);
    g_configDoc.macroCount = MacroCount;
    size_t image = MacroImageHeaderSize + 2 * size_t{MacroCount};
    for (int k = 0; k < MacroCount; ++k) {
        MacroBlock macro(g_configDoc.macros.data() + size_t(k) * MacroBlockSize);
        int events = EventsPerMacro;
        size_t record = 4 + 4 * size_t(events) + 2 * NameChars;
        if (k == MacroCount - 1)
            events += static_cast<int>((ImageBytes - image - record) / 4);
        std::vector<MacroEvent> list;
        for (int i = 0; i < events; ++i)
            list.push_back({10, 30, static_cast<uint16_t>(i % 2)});
        macro.SetEvents(list);
        macro.SetName("Macro" + std::to_string(1000 + k).substr(1) + "..");
        macro.SetMacroId(static_cast<uint16_t>(k + 1));
        macro.SetCycles(1);
        image += 4 + 4 * size_t(events) + 2 * NameChars;
    }
    // The key that plays a macro, in the current profile.
    SetSlotType(*g_configDoc.block, 30, 4);
    SetSlotValue(*g_configDoc.block, 30, 1);
}

struct ApplyFixture {
    fs::path dir;
    VirtualKeyboard keyboard;
    std::unique_ptr<UhidKeyboard> uhid;
    HeadlessMainWindow window;
    QuietPrompts prompts;
    std::string error; // why the keyboard could not be reached

    static VirtualKeyboardOptions Options()
    {
        VirtualKeyboardOptions options;
        options.productId = 0x5000;
        options.macroUnits = MacroUnits;
        return options;
    }

    // The vendor collection's path, after plugging the keyboard into the
    // kernel; empty (and error set) when that cannot be done here.
    std::string PlugIntoKernel()
    {
        uhid = std::make_unique<UhidKeyboard>(keyboard, "BENCH-" + std::to_string(::getpid()));
        if (!uhid->Plug()) {
            error = "no /dev/uhid here: run tools/kernel-test.sh";
            return {};
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (uhid->WaitUntilStarted(std::chrono::seconds(10)) && std::chrono::steady_clock::now() < end) {
            const std::string node = FindHidrawNode(uhid->Phys(UhidVendorInterface));
            if (!node.empty())
                return node + "#0";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        error = "the kernel shows no hidraw node for the keyboard";
        return {};
    }

    explicit ApplyFixture(bool throughKernel) : keyboard(Options())
    {
        dir = fs::temp_directory_path() / ("rt604-bench-apply-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        SetProgramPathsForTests(RT604_DATA_DIR, (dir / "user").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        SetPrompts(&prompts);
        SetMainWindowLink(&window);
        InitDocument();

        // Connected as the monitor leaves it.
        const std::string path = throughKernel ? PlugIntoKernel() : keyboard.ConfigPath();
        if (path.empty())
            return;
        SetHidBackend(throughKernel ? nullptr : &keyboard);
        if (!g_configChannel.Open(path, true, true, true, false)) {
            error = "cannot open " + path;
            return;
        }
        if (!TakeKeyboardModel()) {
            error = "the keyboard on " + path + " is of no known model";
            return;
        }
        g_deviceConnected = 1;
        if (!ConnectKeyboard().Done()) {
            error = "the keyboard on " + path + " does not answer";
            return;
        }
        ReloadFromDevice(false); // creates the profile cache
        FillDocument();
        keyboard.SetFrameLogEnabled(false);
        keyboard.SetReportLatency(ReportLatency);
    }

    ~ApplyFixture()
    {
        WaitForBusyIndicators();
        g_deviceConnected = 0;
        g_configChannel.Close();
        SetHidBackend(nullptr);
        uhid.reset();
        ShutdownDocuments();
        SetMainWindowLink(nullptr);
        SetPrompts(nullptr);
        SetSettingsFolderForTests("");
        fs::remove_all(dir);
    }
};

// Another program that asks for the keyboard: rt604ctl reading the active
// profile, its output in the fixture's folder.
class Waiter {
public:
    explicit Waiter(const fs::path& dir) : dir_(dir) {}
    ~Waiter() { Finish(); }

    bool Start()
    {
#ifdef RT604_CTL
        const std::string err = (dir_ / "waiter.err").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(null, 1);
            ::dup2(errFd, 2);
            ::setenv("XDG_DATA_HOME", (dir_ / "waiter-data").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (dir_ / "waiter-config").c_str(), 1);
            ::setenv("LANG", "C", 1);
            ::execl(RT604_CTL, RT604_CTL, "profile", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid_ > 0;
#else
        return false;
#endif
    }

    // Its exit code (-1 killed or not started) once it ended, within 30 s.
    int Finish()
    {
        if (pid_ <= 0)
            return -1;
        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 3000 && (done = ::waitpid(pid_, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            status = -1;
        }
        pid_ = -1;
        return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // It said it waited for the keyboard ("the keyboard is busy with ...").
    bool Waited() const
    {
        std::FILE* f = std::fopen((dir_ / "waiter.err").c_str(), "r");
        if (!f)
            return false;
        char text[4096] = {};
        const size_t n = std::fread(text, 1, sizeof text - 1, f);
        std::fclose(f);
        return std::string(text, n).find("is busy with") != std::string::npos;
    }

private:
    fs::path dir_;
    pid_t pid_ = -1;
};

// Requests an Apply sends: BeginUpdate, the image in 56-byte chunks, one
// 512-byte key map in 56-byte chunks, EndUpdate.
constexpr uint64_t ChunksOf(size_t bytes) { return (bytes + 55) / 56; }
constexpr uint64_t ApplyRequests = 1 + ChunksOf(ImageBytes) + ChunksOf(512) + 1;

void ApplyFullMacroMemory(benchmark::State& state, bool throughKernel, bool withWaiter = false)
{
    ApplyFixture fixture(throughKernel);
    if (!fixture.error.empty()) {
        state.SkipWithError(fixture.error.c_str());
        return;
    }
    const auto endPause = std::chrono::milliseconds(CurrentTransportTimings().endUpdatePauseMs);
    // Two reports per request, and the pause the keyboard needs before EndUpdate.
    const auto minimum = std::chrono::duration<double, std::milli>(2 * ApplyRequests * ReportLatency + endPause);

    double totalMs = 0;
    uint64_t requests = 0;
    int32_t result = 1;
    {
        DocumentLock lock;
        const MacroImageSizes sizes = ComputeMacroImageSize(std::span<const uint8_t>(g_configDoc.macros));
        if (sizes.withNames != ImageBytes) {
            state.SkipWithError("the macros do not fill the memory exactly");
            return;
        }
    }
    // What the waiter sends by itself, to be told from the Apply's requests.
    uint64_t waiterRequests = 0;
    if (withWaiter) {
        Waiter alone(fixture.dir);
        const uint64_t before = fixture.keyboard.RequestCount();
        if (!alone.Start() || alone.Finish() != 0) {
            state.SkipWithError("rt604ctl does not read the keyboard's profile");
            return;
        }
        waiterRequests = fixture.keyboard.RequestCount() - before;
    }
    bool waited = true;
    for (auto _ : state) {
        fixture.window.SetApplyEnabled(true);
        Waiter waiter(fixture.dir);
        const uint64_t before = fixture.keyboard.RequestCount();
        // The other program asks once the Apply has the keyboard.
        std::atomic<bool> applied{false};
        std::thread starter;
        if (withWaiter) {
            starter = std::thread([&] {
                while (fixture.keyboard.RequestCount() == before && !applied)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                waiter.Start();
            });
        }
        const auto start = std::chrono::steady_clock::now();
        result &= ApplyChanges();
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        applied = true;
        if (withWaiter) {
            starter.join();
            result &= waiter.Finish() == 0 ? 1 : 0;
            waited = waited && waiter.Waited();
        }
        requests += fixture.keyboard.RequestCount() - before - waiterRequests;
        state.ResumeTiming();
    }
    if (result != 1 || requests != ApplyRequests * state.iterations())
        state.SkipWithError("the Apply did not send what it should");
    else if (!waited)
        state.SkipWithError("rt604ctl did not wait for the keyboard during the Apply");
    const double meanMs = totalMs / static_cast<double>(state.iterations());
    state.counters["requests"] = static_cast<double>(requests) / static_cast<double>(state.iterations());
    state.counters["minimum_ms"] = minimum.count();
    state.counters["mean_ms"] = meanMs;
    state.counters["over_minimum_%"] = 100.0 * (meanMs / minimum.count() - 1.0);
}

void BM_ApplyFullMacroMemory(benchmark::State& state)
{
    ApplyFullMacroMemory(state, false);
}

void BM_ApplyFullMacroMemoryThroughKernel(benchmark::State& state)
{
    ApplyFullMacroMemory(state, true);
}

// rt604ctl asks for the keyboard as the Apply starts and waits until it ends.
void BM_ApplyFullMacroMemoryThroughKernelWhileAnotherWaits(benchmark::State& state)
{
    ApplyFullMacroMemory(state, true, true);
}

BENCHMARK(BM_ApplyFullMacroMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ApplyFullMacroMemoryThroughKernel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ApplyFullMacroMemoryThroughKernelWhileAnotherWaits)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace
