#include "state/ProcessState.h"

#include "actions/ApplyChanges.h"
#include "actions/MacroApply.h"
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/BusyIndicator.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"

void ResetProcessStateForTests()
{
    SetDeviceEvents(nullptr);
    SetMainWindowLink(nullptr);
    SetPrompts(nullptr);

    g_configChannel.Close();
    g_notifyChannel.Close();
    SetHidBackend(nullptr);
    g_deviceConnected = 0;
    g_keyCount = KeyboardModels[0].keyCount;
    g_keyMapBytes = KeyboardModels[0].keyMapBytes;
    StoreDefaultKeyMap({}, MaxKeyMapBytes);
    SetTransportTimings(TransportTimings{});
    SetConversationWaitLimit(DefaultConversationWait);
    SetConversationWaitNotice(nullptr);
    SetConversationBusyNotice(nullptr);
    SetDeviceThreadTimings(DeviceThreadTimings{});
    SetBusyHideDelay(DefaultBusyHideDelay);

    g_noAutoOpen = 0;
    g_currentProfile = -1;
    g_macroCapacity = 0;

    ShutdownDocuments();
    g_macroLayoutChanged = false;
    ForgetAcceptedNameLoss();
    SetApplyShowDelay(DefaultApplyShowDelay);

    ResetLightingState();
    g_keyColourTable.fill(0);
    g_userModes = UserModeState{};

    SetSettingsFolderForTests("");
    SetSharedTempFolderForTests("");
    g_paths = ProgramPaths{};
}
