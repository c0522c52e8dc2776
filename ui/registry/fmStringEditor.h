#pragma once

// "String Value: ": the editor of a REG_SZ value.

#include "ui/registry/fmValueEditor.h"

class QLineEdit;

class TfmStringEditor : public TfmValueEditor {
    Q_OBJECT
public:
    explicit TfmStringEditor(TMessageService* messages, QWidget* parent = nullptr);

protected:
    void LoadData(const TValue& value) override;
    void StoreData(TValue& value) override;

private:
    QLineEdit* eData;
};
