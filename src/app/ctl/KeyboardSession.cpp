#include "app/ctl/KeyboardSession.h"

#include "app/AppState.h"
#include "app/ctl/CtlCommands.h"
#include "app/ctl/DeviceCommandsCtl.h"
#include "device/DeviceCommands.h"
#include "device/DeviceMonitor.h"
#include "device/DeviceState.h"
#include "device/HidDevice.h"
#include "device/VirtualKeyboard.h"
#include "platform/AtomicFile.h"

#include <array>
#include <optional>
#include <span>

namespace {

constexpr const char* VirtualOption = "--virtual-keyboard=";

bool OpenKeyboard()
{
    if (!g_configChannel.EnumerateInterfaces())
        return false;
    bool found = false;
    while (std::optional<HidInterfaceInfo> info = g_configChannel.NextInterface()) {
        if (!IsKeyboardPath(info->path, info->vendorId, info->productId)
            || !MayBeCollection(*info, ConfigUsagePage, ConfigUsage))
            continue;
        if (!g_configChannel.Open(info->path, true, true, true, false))
            continue;
        const KeyboardModel* model = ModelForProductId(g_configChannel.Attributes().productId);
        if (IsConfigCollection(g_configChannel) && model) {
            keyCount = model->keyCount;
            keyMapBytes = model->keyMapBytes;
            g_deviceConnected = 1;
            found = true;
            break;
        }
        g_configChannel.Close();
    }
    g_configChannel.FreeInterfaceList();
    return found;
}

} // namespace

KeyboardSession::KeyboardSession() = default;

KeyboardSession::~KeyboardSession()
{
    g_deviceConnected = 0;
    g_configChannel.Close();
    g_app.currentProfile = -1;
    if (virtual_) {
        SetHidBackend(nullptr);
        virtual_.reset();
    }
}

int KeyboardSession::TakeOption(std::vector<std::string>& args)
{
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (it->rfind(VirtualOption, 0) == 0) {
            statePath_ = it->substr(std::string(VirtualOption).size());
            args.erase(it);
            if (statePath_.empty()) {
                CtlError("--virtual-keyboard needs a state file");
                return ExitUsage;
            }
            wantVirtual_ = true;
            break;
        }
    }
    return ExitOk;
}

int KeyboardSession::Connect()
{
    if (wantVirtual_) {
        if (int result = StartVirtualKeyboard(); result != ExitOk)
            return result;
    }
    if (!OpenKeyboard()) {
        CtlError("no Orvan RT-604 keyboard is connected (or it cannot be opened: see the udev rule in the README)");
        return ExitNoKeyboard;
    }
    std::array<uint8_t, MaxKeyMapBytes> map{};
    const size_t bytes = static_cast<size_t>(keyMapBytes.load());
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDefaultKeyMap(std::span<uint8_t>(map.data(), bytes)) != 1 || ReadDeviceInfo(info) != 1) {
        CtlError("the keyboard does not answer");
        return ExitNoKeyboard;
    }
    StoreDefaultKeyMap(map, bytes);
    g_app.macroCapacity = info[DeviceInfoMacroUnits] * uint32_t{MacroUnitBytes};
    g_app.currentProfile = -1;
    return ExitOk;
}

int KeyboardSession::StartVirtualKeyboard()
{
    VirtualKeyboardOptions options;
    std::string text;
    const bool exists = ReadWholeFile(statePath_, text, 64 * 1024);
    if (exists) {
        KeyboardMemories memories;
        if (!DecodeKeyboardState(reinterpret_cast<const uint8_t*>(text.data()), text.size(), memories)) {
            CtlError(statePath_ + ": not a virtual keyboard state file");
            return ExitFailed;
        }
        options.productId = memories.productId;
    }
    virtual_ = std::make_unique<VirtualKeyboard>(options);
    if (exists && !virtual_->LoadState(statePath_)) {
        CtlError(statePath_ + ": not a virtual keyboard state file");
        return ExitFailed;
    }
    // A new state file starts as a factory keyboard.
    if (!exists && !virtual_->SaveState(statePath_)) {
        CtlError(statePath_ + ": cannot be written");
        return ExitFailed;
    }
    virtual_->SetAutosavePath(statePath_);
    SetHidBackend(virtual_.get());
    return ExitOk;
}
