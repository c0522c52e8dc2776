#pragma once

#include "ui/languages/frmWizardBase.h"

class QLabel;

// The finish page: two paragraphs.
class TfrmFinish : public TfrmWizardBase {
    Q_OBJECT
public:
    explicit TfrmFinish(QWidget* parent = nullptr);

protected:
    void Arrange() override;

private:
    QLabel* lFinish1;
    QLabel* lFinish2;
};
