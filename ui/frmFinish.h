#pragma once

#include "ui/frmWizardBase.h"

class QLabel;

// The finish page: two paragraphs.
class TfrmFinish : public TfrmWizardBase {
    Q_OBJECT
public:
    explicit TfrmFinish(QWidget* parent = nullptr);
    void SetLanguage(int32_t language) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();

    QLabel* lFinish1;
    QLabel* lFinish2;
};
