#include "ui/fmMultyStringsEditor.h"

#include "common/Exception.h"
#include "model/RegistryValues.h"
#include "ui/QtText.h"

#include <QPlainTextEdit>

TfmMultyStringsEditor::TfmMultyStringsEditor(TMessageService* messages, QWidget* parent)
    : TfmValueEditor(messages, "fmMultyStringsEditor", vtMultiString, "This is not an multystring type!",
                     QStringLiteral("Multystring Value:"), parent)
{
    mmData = new QPlainTextEdit(this);
    mmData->setObjectName(QStringLiteral("mmData"));
    mmData->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab leaves the edit: a registry string holds no tab an author types.
    mmData->setTabChangesFocus(true);
    mmData->setMinimumSize(300, 160);
    SetDataControl(QStringLiteral("&Data: "), mmData, 1);
}

QStringList TfmMultyStringsEditor::Lines() const
{
    // A memo's lines: a final line break starts no further string.
    QString text = mmData->toPlainText();
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

void TfmMultyStringsEditor::LoadData(const TValue& value)
{
    QStringList lines;
    for (const std::string& line : value.Strings())
        lines << AnsiToQt(line);
    mmData->setPlainText(lines.join(u'\n'));
}

void TfmMultyStringsEditor::CheckData()
{
    std::string refusal;
    for (const QString& line : Lines())
        if (!QtToAnsi(line, &refusal))
            throw Exception(refusal);
}

void TfmMultyStringsEditor::StoreData(TValue& value)
{
    value.Strings().clear();
    for (const QString& line : Lines())
        value.Strings().push_back(QtToAnsi(line).value_or(std::string()));
}
