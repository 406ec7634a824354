#pragma once

// Qt's own texts in the chosen language: the standard buttons of message
// boxes, the file dialogs, the context menus of text fields. They come from
// Qt's translation catalogue ("qtbase_ru.qm", Debian package
// qt6-translations-l10n); without it they stay English. languageIndex is the
// program's (0 English, 1 Russian). Open windows follow at once.
void ApplyQtLanguage(int languageIndex);
// True while Qt's Russian catalogue is installed.
bool QtLanguageLoaded();
