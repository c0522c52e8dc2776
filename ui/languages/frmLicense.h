#pragma once

#include "ui/languages/frmWizardBase.h"

#include <functional>

class QLabel;
class QRadioButton;
class QTextEdit;

// The licence page: a text above the licence, the licence itself (read-only)
// and the choice to accept it or not, which starts on "do not accept".
class TfrmLicense : public TfrmWizardBase {
    Q_OBJECT
public:
    // programDir holds the default licence that a missing licence file is
    // made from.
    TfrmLicense(const std::string& programDir, QWidget* parent = nullptr);
    void SetLanguage(int32_t language) override;

    bool Refused() const;
    std::function<void()> OnAccept;
    std::function<void()> OnDoNotAccept;

private:
    void LoadLicence();

    std::string FProgramDir;
    QLabel* lLicense1;
    QTextEdit* RichEdit1;
    QRadioButton* rbAccept;
    QRadioButton* rbDoNotAccept;
};
