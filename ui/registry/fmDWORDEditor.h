#pragma once

// "DWORD Value: ": the editor of a REG_DWORD value, typed in hexadecimal
// or decimal.

#include "ui/registry/fmValueEditor.h"

class QRadioButton;
class TVeltrinEdit;

class TfmDWORDEditor : public TfmValueEditor {
    Q_OBJECT
public:
    explicit TfmDWORDEditor(TMessageService* messages, QWidget* parent = nullptr);

protected:
    void LoadData(const TValue& value) override;
    void StoreData(TValue& value) override;

private:
    void BaseChosen();

    TVeltrinEdit* eData;
    QRadioButton* rbHexadecimal;
    QRadioButton* rbDecimal;
};
