// The key function editor on a profile with 100 macros, one of 4000 events:
// opening it to the shown window, switching to the big macro, and the delay
// it records between two key presses sent 200 ms apart. Offscreen, with the
// real skin and language files; key events carry native scan codes as the
// window system's do.
#include "device/protocol/DeviceState.h"
#include "base/ProgramPaths.h"
#include "assign/KeyAssignment.h"
#include "assign/gui/CompositeDialog.h"
#include "assign/gui/MacroEventModel.h"
#include "config/ConfigDocument.h"
#include "keys/EvdevKeyTable.h"
#include "keys/KeyTable.h"
#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"
#include "platform/SettingsStore.h"
#include "macro/RecordDelaySetting.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <linux/input-event-codes.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

constexpr int MacroCount = 100;
constexpr int BigMacro = 57; // position of the 4000-event macro
constexpr int EscButton = 1022;

// One application, document and editor for every benchmark of the program.
struct Setting {
    Setting()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_KeyEditor";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        folder = std::filesystem::temp_directory_path() / ("rt604-bench-editor-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        SetSettingsFolderForTests((folder / "cfg").string());
        SetProgramPathsForTests(RT604_DATA_DIR, (folder / "user").string());
        SetLanguageIndex(0);
        InitDocument();
        g_currentProfile = 0;
        MacroList list = LoadMacroList();
        for (int n = 0; n < MacroCount; ++n) {
            CreateMacro(list);
            std::vector<MacroEvent> events(n == BigMacro ? MaxMacroEvents : 20);
            for (size_t i = 0; i < events.size(); ++i)
                events[i] = {static_cast<uint32_t>(10 * (i % 50)), static_cast<uint16_t>(16 + i % 30),
                             static_cast<uint16_t>(i % 2)};
            list.rows = events;
        }
        ApplyMacroEdits(list);
        StoreKeyAssignment(KeyCodeToIndex(1), AssignMacro, list.macros[0].View().MacroId(), 1);
        editor = std::make_unique<Varkelin_DlgComposite>();
    }
    ~Setting()
    {
        editor.reset();
        ShutdownDocuments();
        SetSettingsFolderForTests("");
        std::filesystem::remove_all(folder);
    }

    std::unique_ptr<QApplication> app;
    std::filesystem::path folder;
    std::unique_ptr<Varkelin_DlgComposite> editor;
};

Setting& Shared()
{
    static Setting setting;
    return setting;
}

void SendKey(QWidget* target, uint32_t evdev, bool released)
{
    QKeyEvent key(released ? QEvent::KeyRelease : QEvent::KeyPress, 0, Qt::NoModifier, evdev + XkbKeycodeOffset, 0, 0);
    QApplication::sendEvent(target, &key);
}

// From the click on a key (here Esc, assigned a macro) to the editor shown
// and painted with the macro tab.
void BM_OpenEditorWith100Macros(benchmark::State& state)
{
    Varkelin_DlgComposite& editor = *Shared().editor;
    for (auto _ : state) {
        editor.EditKey(EscButton, QRect(100, 100, 40, 40));
        editor.repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (!editor.isVisible() || editor.Macros().macros.size() != MacroCount)
            state.SkipWithError("the editor did not open with every macro");
        editor.CloseKeyEditor();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenEditorWith100Macros)->Unit(benchmark::kMillisecond)->Iterations(20);

// Choosing the 4000-event macro in the list until the event list has painted.
void BM_SwitchToTheFourThousandEventMacro(benchmark::State& state)
{
    Varkelin_DlgComposite& editor = *Shared().editor;
    editor.EditKey(EscButton, QRect(100, 100, 40, 40));
    auto* list = qobject_cast<QComboBox*>(editor.Control(CompositeControl::MacroListBox));
    for (auto _ : state) {
        list->setCurrentIndex(BigMacro);
        editor.EventView()->repaint();
        state.PauseTiming();
        if (editor.EventModel()->rowCount() != MaxMacroEvents)
            state.SkipWithError("the big macro is not shown");
        list->setCurrentIndex(0);
        editor.EventView()->repaint();
        state.ResumeTiming();
    }
    editor.CloseKeyEditor();
}
BENCHMARK(BM_SwitchToTheFourThousandEventMacro)->Unit(benchmark::kMillisecond)->Iterations(30);

// Two key presses 200 ms apart while recording: the pause the first one gets.
void BM_RecordedDelayOfKeysSent200MsApart(benchmark::State& state)
{
    Varkelin_DlgComposite& editor = *Shared().editor;
    WriteRecordDelaysSetting(1);
    double worst = 0;
    // How late the machine let the second press go (a busy machine adds to
    // what is recorded; that is not the recorder's error).
    double worstLate = 0;
    double worstAgainstSent = 0;
    double total = 0;
    int64_t runs = 0;
    for (auto _ : state) {
        // Esc plays the first macro; the presses go after its 20 events.
        editor.EditKey(EscButton, QRect(100, 100, 40, 40));
        editor.EventView()->clearSelection();
        const size_t before = editor.Macros().rows.size();
        editor.MacroTab()->ToggleRecording();
        QWidget* target = &editor;
        const auto sentA = std::chrono::steady_clock::now();
        SendKey(target, KEY_A, false);
        std::this_thread::sleep_until(sentA + std::chrono::milliseconds(200));
        const auto sentB = std::chrono::steady_clock::now();
        SendKey(target, KEY_B, false);
        const double apart = std::chrono::duration<double, std::milli>(sentB - sentA).count();
        worstLate = std::max(worstLate, apart - 200.0);
        editor.MacroTab()->ToggleRecording();
        const std::vector<MacroEvent>& rows = editor.Macros().rows;
        if (rows.size() != before + 2) {
            state.SkipWithError("the presses were not recorded");
            break;
        }
        const double recorded = rows[before].delay;
        worst = std::max(worst, std::abs(recorded - 200.0));
        worstAgainstSent = std::max(worstAgainstSent, std::abs(recorded - apart));
        total += recorded;
        ++runs;
        editor.CloseKeyEditor();
    }
    state.counters["recorded_ms"] = runs ? total / static_cast<double>(runs) : 0;
    state.counters["worst_error_ms"] = worst;
    state.counters["worst_send_late_ms"] = worstLate;
    state.counters["worst_vs_sent_ms"] = worstAgainstSent;
}
BENCHMARK(BM_RecordedDelayOfKeysSent200MsApart)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace
