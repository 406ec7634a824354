#pragma once

// A profile file unlike the factory keyboard in every profile, for the ways
// of loading one: key A is B in the first profile, plays the file's one
// macro in the second and is off in the third.
#include "support/ConnectedKeyboard.h"

#include "actions/ProfileImport.h"
#include "actions/ProfileSwitch.h"
#include "macro/MacroImage.h"

template <typename Keyboard>
class WithSampleProfileFile : public Keyboard {
protected:
    static constexpr uint16_t SampleKey = 30; // A

    // Made from an edited document, which holds the keyboard's contents
    // again afterwards.
    void ExportSampleProfileFile(const std::string& path)
    {
        this->AddMacro(1, u"From file");
        this->SetSlot(0, KeyCodeToIndex(SampleKey), 2, 48);
        this->SetSlot(1, KeyCodeToIndex(SampleKey), 4, 1);
        this->SetSlot(2, KeyCodeToIndex(SampleKey), 1, 0);
        ASSERT_EQ(ExportProfileFile(path), 1);
        ASSERT_EQ(ReloadFromDevice(false), 1);
    }

    // The file's entries of A and its macro, as the keyboard holds them once
    // the file is loaded.
    void ExpectTheSampleFileOnTheKeyboard() const
    {
        const KeyboardMemories m = this->Memories();
        EXPECT_EQ(this->EntryAt(m, 0, this->PositionOf(SampleKey)), (KeyMapEntry{2, 2, 0x05}));
        EXPECT_EQ(this->EntryAt(m, 1, this->PositionOf(SampleKey)), (KeyMapEntry{5, 1, 0}));
        EXPECT_EQ(this->EntryAt(m, 2, this->PositionOf(SampleKey)), (KeyMapEntry{0, 0, 0}));
        EXPECT_EQ(ReadU16(m.macroMemory.data(), ImageCountOffset), 1);
    }
};
