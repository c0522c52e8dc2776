#include "FakeServices.h"

#include "common/Paths.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QSettings>

#include <cstdlib>

void TScriptedMessages::ShowMessage(const std::string& text)
{
    FShown.push_back({TShown::Message, text});
}

TAnswer TScriptedMessages::Confirm(const std::string& text, TQuestionButtons buttons)
{
    FShown.push_back({TShown::Question, text});
    FLastButtons = buttons;
    if (FAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return TAnswer::Cancel;
    }
    TAnswer answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
}

void TScriptedMessages::ShowError(const std::string& text)
{
    FShown.push_back({TShown::Error, text});
}

void TScriptedMessages::ShowInformation(const std::string& text)
{
    FShown.push_back({TShown::Information, text});
}

std::vector<std::string> TScriptedMessages::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& shown : FShown)
        texts.push_back(shown.Text);
    return texts;
}

std::string ProgramDir()
{
    const char* dir = std::getenv("VI_PROGRAM_DIR");
    return dir ? IncludeTrailingPathDelimiter(dir) : std::string();
}

void KeepSettingsIn(const std::string& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder));
}

int Press(QDialog& dialog, const char* button)
{
    auto* found = dialog.findChild<QAbstractButton*>(QString::fromLatin1(button));
    EXPECT_NE(found, nullptr) << button;
    if (found)
        found->click();
    return dialog.result();
}
