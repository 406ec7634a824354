#include "ui/MainWindow.h"

// The lighting behaviour fills these in; until then the preview does nothing.
// The keys, profiles, Apply and the device messages live in
// MainWindowKeys.cpp, MainWindowProfiles.cpp, MainWindowApply.cpp and
// MainWindowReload.cpp.

void CVarkelinDlg::OnPreviewTick()
{
}
