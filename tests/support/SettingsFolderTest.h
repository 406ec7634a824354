#pragma once

// A test with a settings folder of its own under the temporary folder, named
// by prefix, the process and the test, removed before and after.

#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class SettingsFolderTest : public ::testing::Test {
protected:
    explicit SettingsFolderTest(std::string prefix) : prefix_(std::move(prefix)) {}
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path()
              / (prefix_ + std::to_string(::getpid()) + "-"
                 + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        SetSettingsFolderForTests((dir / "cfg").string());
    }
    void TearDown() override
    {
        SetSettingsFolderForTests("");
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir;

private:
    std::string prefix_;
};
