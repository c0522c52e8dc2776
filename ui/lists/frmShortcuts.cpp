#include "ui/lists/frmShortcuts.h"

#include "common/Exception.h"
#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/parts/QtText.h"

TfrmShortcuts::TfrmShortcuts(TMessageService* messages, QWidget* parent)
    : TfrmProjectList(messages, "frmShortcuts",
                      "Optional: Define shortcuts that will be automatically created on the device.",
                      QStringLiteral("Shortcuts"),
                      {{QStringLiteral("Name"), 80}, {QStringLiteral("Destination"), 120}, {QStringLiteral("Target"), 120}},
                      parent)
{
}

std::vector<void*> TfrmShortcuts::Objects() const
{
    return AsObjects(FProject->Shortcuts());
}

QStringList TfrmShortcuts::Cells(const void* object) const
{
    const auto& shortcut = *static_cast<const TCEShortCut*>(object);
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

bool TfrmShortcuts::EditObject(void* object)
{
    return static_cast<TCEShortCut*>(object)->Edit(FProject);
}

void TfrmShortcuts::RemoveObjects(const std::vector<void*>& objects)
{
    for (void* object : objects)
        FProject->Shortcuts().Remove(static_cast<TCEShortCut*>(object));
}
