#pragma once

#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QString>

#include <deque>
#include <string>
#include <vector>

// Records every box and answers confirmations from a script. A question
// without a scripted answer fails the test and answers Cancel.
class TScriptedMessages : public TMessageService {
public:
    struct TShown {
        enum Kind { Message, Question, Error, Information } Kind;
        std::string Text;
    };

    void Answer(TAnswer answer) { FAnswers.push_back(answer); }

    void ShowMessage(const std::string& text) override;
    TAnswer Confirm(const std::string& text, TQuestionButtons buttons) override;
    void ShowError(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

    const std::vector<TShown>& Shown() const { return FShown; }
    std::vector<std::string> Texts() const;
    void Clear() { FShown.clear(); }
    TQuestionButtons LastButtons() const { return FLastButtons; }
    size_t UnusedAnswers() const { return FAnswers.size(); }

private:
    std::deque<TAnswer> FAnswers;
    std::vector<TShown> FShown;
    TQuestionButtons FLastButtons = TQuestionButtons::YesNo;
};

// File dialogs answered from fields the test sets; empty means cancelled.
class TFakeFileDialogs : public TFileDialogs {
public:
    std::string OpenProjectAnswer;
    std::string SaveProjectAnswer;
    std::string IconAnswer;
    std::string PictureAnswer;
    std::string AnyFileAnswer;
    std::string LastSaveDir;
    int SaveCalls = 0;

    std::string OpenProject() override { return OpenProjectAnswer; }
    std::string SaveProject(const std::string& initialDir) override
    {
        ++SaveCalls;
        LastSaveDir = initialDir;
        return SaveProjectAnswer;
    }
    std::string SaveProjectAs(const std::string& initialDir) override
    {
        ++SaveAsCalls;
        LastSaveDir = initialDir;
        return SaveProjectAnswer;
    }
    int SaveAsCalls = 0;
    std::string OpenIcon() override { return IconAnswer; }
    std::string OpenPicture() override { return PictureAnswer; }
    std::string OpenAnyFile() override { return AnyFileAnswer; }
    std::string InfAnswer;
    std::string OpenInf() override { return InfAnswer; }
    std::vector<std::string> CabAnswer;
    std::vector<std::string> OpenCabs() override { return CabAnswer; }
    std::string FolderAnswer;
    std::string LastFolderDir;
    int FolderCalls = 0;
    std::string ChooseFolder(const std::string& initialDir) override
    {
        ++FolderCalls;
        LastFolderDir = initialDir;
        return FolderAnswer;
    }
};

class QDialog;

// The program folder CTest names (VI_PROGRAM_DIR) with its separator; empty
// in a run by hand without it.
std::string ProgramDir();

// QSettings writes into the folder, so that the settings store of the user
// never comes into play.
void KeepSettingsIn(const std::string& folder);

// Clicks the dialog's button (a failure when it has none) and gives the
// dialog's result.
int Press(QDialog& dialog, const char* button);

// A window's widget or action by its object name (every one is named as it
// is made, ui/parts/Named.h); a missing one fails the test.
template <class T>
T* Named(const QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}
