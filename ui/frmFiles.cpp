#include "ui/frmFiles.h"

#include "model/Files.h"
#include "model/Project.h"
#include "ui/FileColumns.h"
#include "ui/MessageService.h"
#include "ui/frmList.h"

#include <QAction>
#include <QTableView>

#include <string>

namespace {

const char* const Heading = "Add the files you wish to install on the target device.";

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

TfrmFiles::TfrmFiles(TMessageService* messages, QWidget* parent) : TfrmBase(parent), FMessages(messages)
{
    setObjectName(QStringLiteral("frmFiles"));
    FList = new TfrmList(this);
    FList->setObjectName(QStringLiteral("frmList"));
    FList->SetDeleteKey(true);
    FPicture = LayOutListPage(QString::fromLatin1(Heading), FList, QStringLiteral("Files"));
    SetupColumns();
    connect(FList->AddAction(), &QAction::triggered, this, [this] { RunCommand(FMessages, [this] { AddFile(); }); });
    connect(FList->PropertiesAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { EditFile(); }); });
    connect(FList->DeleteAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { DeleteFiles(); }); });
}

void TfrmFiles::SetupColumns()
{
    FList->SetColumns(FileColumns());
}

void TfrmFiles::SetProject(TProject* project)
{
    FProject = project;
    if (!FProject)
        FList->SetRows({});
    RefreshList();
}

void TfrmFiles::RefreshList()
{
    if (!FProject)
        return;
    TFiles& files = FProject->Files();
    std::vector<TfrmList::TRow> rows;
    rows.reserve(files.Count());
    for (int i = 0; i < files.Count(); ++i) {
        TFile* file = files.Item(i);
        rows.push_back({file, FileCells(*file, FProject)});
    }
    FList->SetRows(std::move(rows));
}

void TfrmFiles::ActivatePage()
{
    RefreshList();
    FList->View()->setFocus();
}

void TfrmFiles::AddFile()
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
    RefreshList();
    emit ProjectChanged();
}

void TfrmFiles::EditFile()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.size() != 1)
        return;
    auto* file = static_cast<TFile*>(selected.front());
    if (!file->Edit(FProject))
        return;
    FList->UpdateRow(file, FileCells(*file, FProject));
    emit ProjectChanged();
}

void TfrmFiles::DeleteFiles()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.empty())
        return;
    int shortcuts = 0;
    for (void* object : selected)
        shortcuts += static_cast<TFile*>(object)->ShortcutCount();
    if (FMessages->Confirm(DeleteQuestion(shortcuts), TQuestionButtons::YesNo) != TAnswer::Yes)
        return;
    // From the last row to the first, as the rows were numbered when the
    // author chose them.
    std::vector<TFile*> files;
    files.reserve(selected.size());
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        files.push_back(static_cast<TFile*>(*it));
    // Rows are matched to objects by address; a freed address may come back
    // with the next new object, which must not inherit the selection.
    FList->View()->clearSelection();
    FProject->RemoveFiles(files);
    RefreshList();
    emit ProjectChanged();
}
