#pragma once

// What the four registry value editors share: the platforms, the processor
// and "Do Not Overwirte Existing" of the value, OK and Cancel, and a data
// control that each editor supplies. LoadValue shows a value (not owned);
// OK stores the data first, then the rest.

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QVBoxLayout;
class TCheckList;
class TMessageService;
class TValue;

class TfmValueEditor : public QDialog {
    Q_OBJECT
public:
    // Fails with the editor's type error for a value of another type; the
    // dialog then shows nothing of it.
    void LoadValue(TValue* value);
    // Stores the dialog into the value; false (with the error shown) when
    // the data cannot be stored, and then nothing is stored at all.
    bool StoreValue();

    TValue* Value() const { return FValue; }

    void accept() override;

protected:
    TfmValueEditor(TMessageService* messages, const char* objectName, uint32_t type, const char* typeError,
                   QString titlePrefix, QWidget* parent);

    // Places the data label and the control; the label names the buddy (the
    // control itself unless given). Called once from the constructor.
    void SetDataControl(const QString& label, QWidget* control, int stretch = 0, QWidget* buddy = nullptr);

    virtual void LoadData(const TValue& value) = 0;
    // Stores the data control's contents; what cannot be stored throws
    // before the value changes.
    virtual void StoreData(TValue& value) = 0;

    TMessageService* FMessages;

private:
    uint32_t FType;
    const char* FTypeError;
    QString FTitlePrefix;
    TValue* FValue = nullptr;

    QVBoxLayout* FDataLayout;
    TCheckList* clbPlatforms;
    QComboBox* cbProcessor;
    QCheckBox* cbNoClobber;
};
