#include "ui/registry/fmStringEditor.h"

#include "common/Exception.h"
#include "model/RegistryValues.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QLineEdit>

TfmStringEditor::TfmStringEditor(TMessageService* messages, QWidget* parent)
    : TfmValueEditor(messages, "fmStringEditor", vtString, "This is not a string type!",
                     QStringLiteral("String Value: "), parent)
{
    eData = NewNamed<QLineEdit>("eData", this);
    eData->setMinimumWidth(300);
    SetDataControl(QStringLiteral("&Data:"), eData);
}

void TfmStringEditor::LoadData(const TValue& value)
{
    eData->setText(AnsiToQt(value.StringData()));
}

void TfmStringEditor::StoreData(TValue& value)
{
    std::string refusal;
    std::optional<std::string> text = QtToAnsi(eData->text(), &refusal);
    if (!text)
        throw Exception(refusal);
    value.SetStringData(*text);
}
