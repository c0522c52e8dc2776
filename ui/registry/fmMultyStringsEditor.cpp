#include "ui/registry/fmMultyStringsEditor.h"

#include "common/Exception.h"
#include "model/RegistryValues.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QPlainTextEdit>

TfmMultyStringsEditor::TfmMultyStringsEditor(TMessageService* messages, QWidget* parent)
    : TfmValueEditor(messages, "fmMultyStringsEditor", vtMultiString, "This is not an multystring type!",
                     QStringLiteral("Multystring Value:"), parent)
{
    mmData = NewNamed<QPlainTextEdit>("mmData", this);
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

void TfmMultyStringsEditor::StoreData(TValue& value)
{
    std::vector<std::string> strings;
    std::string refusal;
    for (const QString& line : Lines()) {
        std::optional<std::string> text = QtToAnsi(line, &refusal);
        if (!text)
            throw Exception(refusal);
        strings.push_back(std::move(*text));
    }
    value.Strings() = std::move(strings);
}
