#pragma once

#include "ui/languages/frmWizardBase.h"

class QComboBox;
class QLabel;

// The welcome page: three paragraphs, and a label in front of the choice of
// the setup's language (which stays empty in the preview).
class TfrmWelcome : public TfrmWizardBase {
    Q_OBJECT
public:
    explicit TfrmWelcome(QWidget* parent = nullptr);
    void SetLanguage(int32_t language) override;

protected:
    void Arrange() override;

private:
    QLabel* lWelcome1;
    QLabel* lWelcome2;
    QLabel* lWelcome3;
    QLabel* lWelcome4;
    QComboBox* cbLanguage;
};
