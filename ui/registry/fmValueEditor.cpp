#include "ui/registry/fmValueEditor.h"

#include "common/Exception.h"
#include "model/RegistryValues.h"
#include "ui/parts/CheckList.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/PlatformChecks.h"
#include "ui/parts/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfmValueEditor::TfmValueEditor(TMessageService* messages, const char* objectName, uint32_t type, const char* typeError,
                               QString titlePrefix, QWidget* parent)
    : QDialog(parent, PropertyDialogFlags), FMessages(messages), FType(type), FTypeError(typeError),
      FTitlePrefix(std::move(titlePrefix))
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(FTitlePrefix);

    clbPlatforms = NewPlatformList(this);
    clbPlatforms->setObjectName(QStringLiteral("clbPlatforms"));
    cbProcessor = NewProcessorBox(this);
    cbProcessor->setObjectName(QStringLiteral("cbProcessor"));
    cbNoClobber = NewNamed<QCheckBox>("cbNoClobber", QStringLiteral("Do Not Overwirte Existing"), this);

    FDataLayout = NewLabelColumn();
    QVBoxLayout* left = NewLabelColumn();
    AddLabelled(left, QStringLiteral("&Platform:"), clbPlatforms);
    left->addStretch(1);
    QVBoxLayout* right = NewLabelColumn();
    right->addLayout(FDataLayout, 1);
    AddLabelled(right, QStringLiteral("P&rocessor:"), cbProcessor);
    right->addSpacing(6);
    right->addWidget(cbNoClobber);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    columns->addLayout(left);
    columns->addLayout(right, 1);
    LayOutPropertyDialog(this, columns, NewOkCancelBox(this));
}

void TfmValueEditor::SetDataControl(const QString& label, QWidget* control, int stretch, QWidget* buddy)
{
    FDataLayout->addWidget(NewBuddyLabel(label, buddy ? buddy : control, this));
    FDataLayout->addWidget(control, stretch);
    // A one-line control stays under its label, not spread over the column.
    if (stretch == 0)
        FDataLayout->addStretch(1);
    CenterOnScreen(*this);
}

void TfmValueEditor::LoadValue(TValue* value)
{
    if (!value)
        return;
    if (value->Type() != FType)
        throw Exception(FTypeError);
    FValue = value;
    setWindowTitle(FTitlePrefix + AnsiToQt(value->GetDisplayName()));
    CheckPlatforms(clbPlatforms, value->Platforms());
    cbProcessor->setCurrentIndex(value->Processor() < ProcessorCount ? int(value->Processor()) : 0);
    cbNoClobber->setChecked(value->NoClobber());
    LoadData(*value);
}

bool TfmValueEditor::StoreValue()
{
    if (!FValue)
        return false;
    try {
        StoreData(*FValue);
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
        return false;
    }
    FValue->SetPlatforms(CheckedPlatforms(clbPlatforms));
    FValue->SetProcessor(TProcessor(cbProcessor->currentIndex() < 0 ? 0 : cbProcessor->currentIndex()));
    FValue->SetNoClobber(cbNoClobber->isChecked());
    return true;
}

void TfmValueEditor::accept()
{
    if (StoreValue())
        QDialog::accept();
}
