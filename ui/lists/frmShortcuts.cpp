#include "ui/lists/frmShortcuts.h"

#include "common/Exception.h"
#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/parts/QtText.h"

TfrmShortcuts::TfrmShortcuts(TMessageService* messages, QWidget* parent)
    : TProjectListOf(
          messages, "frmShortcuts", "Optional: Define shortcuts that will be automatically created on the device.",
          QStringLiteral("Shortcuts"),
          {{QStringLiteral("Name"), 80}, {QStringLiteral("Destination"), 120}, {QStringLiteral("Target"), 120}}, parent)
{
}

std::vector<TCEShortCut*> TfrmShortcuts::Objects() const
{
    return FProject->Shortcuts().ToList();
}

QStringList TfrmShortcuts::Cells(const TCEShortCut& shortcut) const
{
    const TFolder* folder = shortcut.GetFolder();
    const TFile* target = shortcut.Target();
    return {AnsiToQt(shortcut.Name()), folder ? AnsiToQt(folder->GetPath()) : QString(),
            target ? AnsiToQt(target->GetDevicePath()) : QString()};
}

void TfrmShortcuts::AddObject()
{
    if (!FProject)
        return;
    if (FProject->Files().Count() == 0)
        throw Exception("No files added to the project. Add files first!");
    auto shortcut = std::make_unique<TCEShortCut>();
    shortcut->SetEmergencyFolder(FProject->Folders().Root());
    if (TFolder* startMenu = FProject->Folders().FindStartMenuFolder())
        shortcut->SetFolder(startMenu);
    shortcut->SetTarget(FProject->Files().Item(0));
    if (!shortcut->Edit(FProject))
        return;
    FProject->Shortcuts().Add(std::move(shortcut));
    ShowChange();
}

bool TfrmShortcuts::EditObject(TCEShortCut& shortcut)
{
    return shortcut.Edit(FProject);
}

void TfrmShortcuts::RemoveObjects(const std::vector<TCEShortCut*>& shortcuts)
{
    for (const TCEShortCut* shortcut : shortcuts)
        FProject->Shortcuts().Remove(shortcut);
}
