#pragma once

// Control ids of the key function editor.
namespace CompositeControl {
inline constexpr int Ok = 1, Cancel = 2, Apply = 1015;
inline constexpr int NewMacro = 1017, DeleteMacro = 1018, EventList = 1019, Record = 1020;
inline constexpr int DeleteEvent = 1021, ClearEvents = 1022;
inline constexpr int MoveTop = 1023, MoveUp = 1024, MoveDown = 1025, MoveBottom = 1026;
inline constexpr int RecordDelays = 1027;
inline constexpr int TabKey = 1028, TabMacro = 1029, TabMedia = 1030, TabFunction = 1031, Clear = 1032;
inline constexpr int Panel = 1033, PlayCount = 1125, MacroListBox = 1126, KeyField = 1127;
inline constexpr int MediaList = 1128, FunctionList = 1129, PlayCountCaption = 1130, Title = 1131;
inline constexpr int OnScreenKeyboard = 1132, RecordDelaysCaption = 1133;
inline constexpr int KeyboardCaption = 1134, MouseCaption = 1135;
inline constexpr int KeyboardChoice = 1185, MouseChoice = 1186, MouseList = 1187;
inline constexpr int SettingCaption = 1199, MacroNameCaption = 1200, SingleCaption = 1201;
inline constexpr int MediaCaption = 1202, FunctionCaption = 1203;
// Where the editor says that keys are not taken from the whole desktop.
inline constexpr int Status = 1300;
// The macro tab's memory gauge and its caption.
inline constexpr int MemoryGauge = 1301, MemoryCaption = 1302;
} // namespace CompositeControl
