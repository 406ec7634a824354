#pragma once

#include "support/SpinUntil.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/DeviceMonitor.h"
#include "base/ProgramPaths.h"
#include "platform/SettingsStore.h"
#include "skin/gui/SkinImages.h"
#include "state/ProcessState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

// The real skin and language files of the build, with the per-user folder
// and the settings in a temporary folder of the test's own.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("rt604-shell-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "settings");
        ResetProcessStateForTests();
        SetSettingsFolderForTests((dir_ / "settings").string());
        SetProgramPathsForTests(RT604_DATA_DIR, (dir_ / "user").string());
        previousFatal_ = SetSkinFatalHandler([this](const std::string& path) { missingImages_.push_back(path); });
    }

    void TearDown() override
    {
        SetSkinFatalHandler(previousFatal_);
        ResetProcessStateForTests();
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
    std::vector<std::string> missingImages_;
    SkinFatalHandler previousFatal_;
};
