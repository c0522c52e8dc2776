#include "ui/registry/fmDWORDEditor.h"

#include "model/RegistryValues.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/registry/VeltrinEdit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

TfmDWORDEditor::TfmDWORDEditor(TMessageService* messages, QWidget* parent)
    : TfmValueEditor(messages, "fmDWORDEditor", vtDWord, "This is not a DWORD type!", QStringLiteral("DWORD Value: "),
                     parent)
{
    auto* data = new QWidget(this);
    eData = NewNamed<TVeltrinEdit>("eData", data);
    eData->setMinimumWidth(160);
    auto* base = NewNamed<QGroupBox>("rgBase", QStringLiteral("Base"), data);
    rbHexadecimal = NewNamed<QRadioButton>("rbHexadecimal", QStringLiteral("Hexadecimal"), base);
    rbDecimal = NewNamed<QRadioButton>("rbDecimal", QStringLiteral("Decimal"), base);
    rbHexadecimal->setChecked(true);
    auto* group = new QButtonGroup(base);
    group->addButton(rbHexadecimal);
    group->addButton(rbDecimal);
    auto* baseLayout = new QVBoxLayout(base);
    baseLayout->addWidget(rbHexadecimal);
    baseLayout->addWidget(rbDecimal);
    auto* layout = new QHBoxLayout(data);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(eData, 1, Qt::AlignTop);
    layout->addWidget(base);
    // The label names the edit, not the row that holds it and the base.
    SetDataControl(QStringLiteral("&Data: "), data, 0, eData);
    connect(group, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool checked) {
        if (checked)
            BaseChosen();
    });
}

void TfmDWORDEditor::BaseChosen()
{
    TVeltrinEdit::TBase base = rbHexadecimal->isChecked() ? TVeltrinEdit::bHexadecimal : TVeltrinEdit::bDecimal;
    try {
        eData->SetBase(base);
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
        // The text is still in the old base, so the choice goes back to it.
        QRadioButton* current = eData->Base() == TVeltrinEdit::bHexadecimal ? rbHexadecimal : rbDecimal;
        QSignalBlocker blocker(current->group());
        current->setChecked(true);
    }
}

void TfmDWORDEditor::LoadData(const TValue& value)
{
    rbHexadecimal->setChecked(true);
    eData->SetBase(TVeltrinEdit::bHexadecimal);
    eData->SetValue(value.DwordData());
}

void TfmDWORDEditor::StoreData(TValue& value)
{
    value.SetDwordData(eData->GetValue());
}
