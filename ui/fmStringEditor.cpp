#include "ui/fmStringEditor.h"

#include "common/Exception.h"
#include "model/RegistryValues.h"
#include "ui/QtText.h"

#include <QLineEdit>

TfmStringEditor::TfmStringEditor(TMessageService* messages, QWidget* parent)
    : TfmValueEditor(messages, "fmStringEditor", vtString, "This is not a string type!",
                     QStringLiteral("String Value: "), parent)
{
    eData = new QLineEdit(this);
    eData->setObjectName(QStringLiteral("eData"));
    eData->setMinimumWidth(300);
    SetDataControl(QStringLiteral("&Data:"), eData);
}

void TfmStringEditor::LoadData(const TValue& value)
{
    eData->setText(AnsiToQt(value.StringData()));
}

void TfmStringEditor::CheckData()
{
    std::string refusal;
    if (!QtToAnsi(eData->text(), &refusal))
        throw Exception(refusal);
}

void TfmStringEditor::StoreData(TValue& value)
{
    value.SetStringData(QtToAnsi(eData->text()).value_or(std::string()));
}
