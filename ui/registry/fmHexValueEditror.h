#pragma once

// "Binary Value: ": the editor of a REG_BINARY value, its bytes typed into
// the hex editor control.

#include "ui/registry/fmValueEditor.h"

class THexEditor;

class TfmHexValueEditror : public TfmValueEditor {
    Q_OBJECT
public:
    explicit TfmHexValueEditror(TMessageService* messages, QWidget* parent = nullptr);

    THexEditor* Editor() const { return heData; }

protected:
    void LoadData(const TValue& value) override;
    void StoreData(TValue& value) override;
    void showEvent(QShowEvent* event) override;

private:
    THexEditor* heData;
};
