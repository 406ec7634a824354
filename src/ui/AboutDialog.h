#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: modeless, created on demand, its texts from the language
// file (and re-read when the language changes while it is open).
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    void ApplyLanguage(int languageIndex);

    QLabel* Introduction() const { return introduction_; }
    QLabel* Copyright() const { return copyright_; }
    QPushButton* OkButton() const { return ok_; }

private:
    QLabel* introduction_ = nullptr; // control 1206
    QLabel* copyright_ = nullptr;    // control 1205
    QLabel* link_ = nullptr;
    QPushButton* ok_ = nullptr;
};
