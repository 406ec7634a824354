#pragma once

class QFileDialog;

// Qt's own file dialog as the program shows it: sizes and dates written in
// the chosen language's locale (QLocale's default, which the language choice
// sets), where Qt would use the desktop's; types in the program's own words
// ("VPF file", "Folder"); and the size, type and date
// columns as wide as what they show, where Qt would cut them ("32....KiB").
// For a dialog made with QFileDialog::DontUseNativeDialog, before it opens.
void PrepareFileDialogView(QFileDialog& dialog);
