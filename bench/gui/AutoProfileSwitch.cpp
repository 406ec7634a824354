// Automatic profiles against a real X server (Xvfb) and the virtual keyboard
// at full speed (1 ms of bus per report):
//   BM_WindowToKeyboard   from the moment a window manager makes a window
//                         active (_NET_ACTIVE_WINDOW written and flushed) to
//                         the moment the keyboard has acknowledged the new
//                         profile; the watcher, the rules, the fresh read of
//                         the keyboard's profile, the write, the key buttons'
//                         refresh and the profile menu are all on the way.
//   BM_IdleWakeups        two seconds of an idle desktop: how often the
//                         watcher is woken, and how often the program's
//                         thread wakes at all, with and without the watcher.
// The host is the main window's minus its widgets: the same core calls.
#include "../../tests/support/XServer.h"

#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "autoprofile/AutoProfileRules.h"
#include "autoprofile/AutoProfileSwitcher.h"
#include "config/ConfigDocument.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "platform/SettingsStore.h"
#include "platform/gui/X11ActiveWindow.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <memory>
#include <sys/resource.h>

namespace {

class CoreHost final : public AutoProfileHost {
public:
    int32_t KnownProfile() override { return g_currentProfile.load(); }
    int32_t ReadActiveProfile() override { return RereadCurrentProfile(); }
    bool IsBusy() override { return false; }
    bool HasUnappliedChanges() override { return MainWindow().IsApplyEnabled(); }
    int32_t SwitchProfile(int32_t profile) override { return SelectProfileQuietly(profile); }
};

// One application, X server, keyboard and controller for every benchmark.
struct Setting {
    Setting()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_AutoProfileSwitch";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        if (!X11ActiveWindowBuiltIn()) {
            error = "built without the X libraries";
            return;
        }
        server = std::make_unique<XvfbServer>();
        if (!server->Ok()) {
            error = server->Error();
            return;
        }
        wm = std::make_unique<TestWindowManager>(server->Display());
        folder = std::filesystem::temp_directory_path() / ("rt604-bench-auto-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        SetSettingsFolderForTests((folder / "cfg").string());
        SetProgramPathsForTests(RT604_DATA_DIR, (folder / "user").string());
        SetLanguageIndex(0);
        InitDocument();

        kb = std::make_unique<VirtualKeyboard>();
        kb->SetFrameLogEnabled(false);
        SetHidBackend(kb.get());
        g_configChannel.Open(kb->ConfigPath(), true, true, true, false);
        g_keyCount = 128;
        g_keyMapBytes = 512;
        g_deviceConnected = 1;
        kb->SetReportLatency(std::chrono::milliseconds(1));

        AutoProfileSettings rules;
        rules.rules = {{"game", 2}, {"code", 1}};
        SaveAutoProfileSettings(rules);
        game = wm->CreateWindow("game", "Game", 0);
        code = wm->CreateWindow("code", "Code", 0);
        wm->Sync();
    }
    ~Setting()
    {
        controller.reset();
        g_deviceConnected = 0;
        g_configChannel.Close();
        SetHidBackend(nullptr);
        kb.reset();
        ShutdownDocuments();
        SetSettingsFolderForTests("");
        std::filesystem::remove_all(folder);
    }

    void StartController()
    {
        controller = std::make_unique<AutoProfileController>(std::make_unique<CoreHost>());
        const std::string display = server->Display();
        controller->SetWatcherFactory([display] { return CreateX11ActiveWindowWatcher(display); });
        QObject::connect(controller.get(), &AutoProfileController::switched, [this](int) { ++switches; });
        controller->Start();
    }

    std::unique_ptr<QApplication> app;
    std::string error;
    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<TestWindowManager> wm;
    std::filesystem::path folder;
    std::unique_ptr<VirtualKeyboard> kb;
    std::unique_ptr<AutoProfileController> controller;
    xcb_window_t game = 0, code = 0;
    int switches = 0;
};

Setting& Shared()
{
    static Setting setting;
    return setting;
}

long ThreadWakeups()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

void BM_WindowToKeyboard(benchmark::State& state)
{
    Setting& s = Shared();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    if (!s.controller)
        s.StartController();
    std::vector<double> samples;
    bool toGame = true;
    for (auto _ : state) {
        const int before = s.switches;
        const xcb_window_t window = toGame ? s.game : s.code;
        const int wanted = toGame ? 2 : 1;
        toGame = !toGame;
        QElapsedTimer clock;
        clock.start();
        s.wm->Activate(window); // written and flushed, as the window manager does
        while (s.switches == before && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000);
        if (s.switches == before || s.kb->Memories().deviceInfo[DeviceInfoActiveProfile] != wanted) {
            state.SkipWithError("the keyboard did not switch");
            break;
        }
        samples.push_back(ms);
    }
    if (!samples.empty()) {
        std::sort(samples.begin(), samples.end());
        const auto at = [&](double q) { return samples[static_cast<size_t>(q * static_cast<double>(samples.size() - 1))]; };
        state.counters["medianMs"] = at(0.5);
        state.counters["p95Ms"] = at(0.95);
        state.counters["worstMs"] = samples.back();
        state.counters["over50ms"] = static_cast<double>(
            std::count_if(samples.begin(), samples.end(), [](double ms) { return ms > 50; }));
    }
}
BENCHMARK(BM_WindowToKeyboard)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

// arg 1: the watcher runs (rules in use); arg 0: no rules, no watcher.
void BM_IdleWakeups(benchmark::State& state)
{
    Setting& s = Shared();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    const bool watching = state.range(0) == 1;
    s.controller.reset();
    if (!watching)
        SaveAutoProfileSettings(AutoProfileSettings{});
    s.StartController();
    if (s.controller->IsWatching() != watching) {
        state.SkipWithError("the watch is not as asked");
        return;
    }
    double watcherWakeups = 0, threadWakeups = 0;
    for (auto _ : state) {
        // Settle what starting did, then two idle seconds in the event loop.
        QCoreApplication::processEvents();
        const uint64_t watcherBefore = watching ? s.controller->Watcher()->WakeupCount() : 0;
        const long threadBefore = ThreadWakeups();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        threadWakeups += static_cast<double>(ThreadWakeups() - threadBefore);
        if (watching)
            watcherWakeups += static_cast<double>(s.controller->Watcher()->WakeupCount() - watcherBefore);
    }
    state.counters["watcherWakeups"] = watcherWakeups;
    // The quit timer itself is one.
    state.counters["threadWakeups"] = threadWakeups;
    if (!watching) {
        AutoProfileSettings rules;
        rules.rules = {{"game", 2}, {"code", 1}};
        SaveAutoProfileSettings(rules);
    }
}
BENCHMARK(BM_IdleWakeups)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
