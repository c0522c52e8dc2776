#pragma once

// "Multystring Value:": the editor of a REG_MULTI_SZ value, one string per
// line.

#include "ui/registry/fmValueEditor.h"

class QPlainTextEdit;

class TfmMultyStringsEditor : public TfmValueEditor {
    Q_OBJECT
public:
    explicit TfmMultyStringsEditor(TMessageService* messages, QWidget* parent = nullptr);

protected:
    void LoadData(const TValue& value) override;
    void StoreData(TValue& value) override;

private:
    QStringList Lines() const;

    QPlainTextEdit* mmData;
};
