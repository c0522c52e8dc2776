#include "ui/lists/frmFiles.h"

#include "model/Files.h"
#include "model/Project.h"
#include "ui/lists/FileColumns.h"
#include "ui/parts/MessageService.h"

#include <string>

namespace {

// The question before files go. Shortcuts cannot outlive the file they
// start, so the author hears that they go too.
std::string DeleteQuestion(int shortcuts)
{
    std::string question = "Are you sure you want to remove the selected file(s)";
    if (shortcuts == 1)
        question += " and the shortcut that starts them";
    else if (shortcuts > 1)
        question += " and the " + std::to_string(shortcuts) + " shortcuts that start them";
    return question + "?";
}

}

TfrmFiles::TfrmFiles(TMessageService* messages, QWidget* parent)
    : TProjectListOf(messages, "frmFiles", "Add the files you wish to install on the target device.",
                     QStringLiteral("Files"), FileColumns(), parent)
{
    FList->SetDeleteKey(true);
}

std::vector<TFile*> TfrmFiles::Objects() const
{
    return FProject->Files().ToList();
}

QStringList TfrmFiles::Cells(const TFile& file) const
{
    return FileCells(file, FProject);
}

void TfrmFiles::ActivatePage()
{
    RefreshList();
    TfrmProjectList::ActivatePage();
}

void TfrmFiles::AddObject()
{
    if (!FProject)
        return;
    auto file = std::make_unique<TFile>();
    file->SetEmergencyFolder(FProject->Folders().Root());
    file->SetFolder(FProject->DefaultFolder());
    file->SetUseDefaultFolder(true);
    if (!file->Edit(FProject))
        return;
    FProject->Files().Add(std::move(file));
    ShowChange();
}

bool TfrmFiles::EditObject(TFile& file)
{
    return file.Edit(FProject);
}

bool TfrmFiles::ConfirmDelete(const std::vector<TFile*>& files)
{
    int shortcuts = 0;
    for (const TFile* file : files)
        shortcuts += file->ShortcutCount();
    return FMessages->Confirm(DeleteQuestion(shortcuts), TQuestionButtons::YesNo) == TAnswer::Yes;
}

void TfrmFiles::RemoveObjects(const std::vector<TFile*>& files)
{
    FProject->RemoveFiles(files);
}
