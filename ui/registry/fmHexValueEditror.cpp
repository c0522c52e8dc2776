#include "ui/registry/fmHexValueEditror.h"

#include "common/Exception.h"
#include "hexedit/HexEditor.h"
#include "model/RegistryValues.h"
#include "ui/parts/Named.h"

#include <QBuffer>

namespace {

// The control's bytes live in a temporary file; when it cannot be read back
// the value keeps the bytes it had.
const char* const SaveFailed = "The bytes of the value could not be read from the editor";

}

TfmHexValueEditror::TfmHexValueEditror(TMessageService* messages, QWidget* parent)
    : TfmValueEditor(messages, "fmHexValueEditror", vtBinary, "This is not a binary type!",
                     QStringLiteral("Binary Value: "), parent)
{
    heData = NewNamed<THexEditor>("heData", this);
    heData->SetBytesPerLine(8);
    heData->SetBytesPerColumn(2);
    heData->SetOffsetDisplay(odDec);
    heData->SetOffsetSeparator(u':');
    heData->SetTranslation(ttASCII);
    heData->SetAllowInsertMode(true);
    heData->SetFocusFrame(true);
    heData->SetBackupExtension(QStringLiteral(".bak"));
    heData->Colors().SetBackground(palette().color(QPalette::Base));
    heData->setMinimumSize(heData->CharWidth() * 40, heData->RowHeight() * 8 + 4);
    SetDataControl(QStringLiteral("&Data (press Insert to start adding or deleting bytes)"), heData, 1);
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    heData->LoadFromStream(empty);
}

void TfmHexValueEditror::LoadData(const TValue& value)
{
    QByteArray bytes(reinterpret_cast<const char*>(value.BinaryData().data()), qsizetype(value.BinaryData().size()));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    heData->LoadFromStream(stream);
}

void TfmHexValueEditror::StoreData(TValue& value)
{
    QByteArray saved;
    QBuffer stream(&saved);
    stream.open(QIODevice::WriteOnly);
    if (!heData->SaveToStream(stream))
        throw Exception(SaveFailed);
    value.BinaryData().assign(saved.begin(), saved.end());
}

void TfmHexValueEditror::showEvent(QShowEvent* event)
{
    TfmValueEditor::showEvent(event);
    heData->setFocus();
}
