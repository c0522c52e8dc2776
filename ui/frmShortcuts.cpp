#include "ui/frmShortcuts.h"

#include "common/Exception.h"
#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/QtText.h"
#include "ui/frmList.h"

#include <QAction>
#include <QTableView>

namespace {

const char* const Heading = "Optional: Define shortcuts that will be automatically created on the device.";

QStringList ShortcutCells(const TCEShortCut& shortcut)
{
    const TFolder* folder = shortcut.GetFolder();
    const TFile* target = shortcut.Target();
    return {AnsiToQt(shortcut.Name()), folder ? AnsiToQt(folder->GetPath()) : QString(),
            target ? AnsiToQt(target->GetDevicePath()) : QString()};
}

}

TfrmShortcuts::TfrmShortcuts(TMessageService* messages, QWidget* parent) : TfrmBase(parent), FMessages(messages)
{
    setObjectName(QStringLiteral("frmShortcuts"));
    FList = new TfrmList(this);
    FList->setObjectName(QStringLiteral("frmList"));
    FPicture = LayOutListPage(QString::fromLatin1(Heading), FList, QStringLiteral("Shortcuts"));
    SetupColumns();
    connect(FList->AddAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { AddShortcut(); }); });
    connect(FList->PropertiesAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { EditShortcut(); }); });
    connect(FList->DeleteAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { DeleteShortcuts(); }); });
}

void TfrmShortcuts::SetupColumns()
{
    FList->SetColumns({{QStringLiteral("Name"), 80}, {QStringLiteral("Destination"), 120},
                       {QStringLiteral("Target"), 120}});
}

void TfrmShortcuts::SetProject(TProject* project)
{
    FProject = project;
    if (!FProject)
        FList->SetRows({});
    RefreshList();
}

void TfrmShortcuts::RefreshList()
{
    if (!FProject)
        return;
    TCEShortcuts& shortcuts = FProject->Shortcuts();
    std::vector<TfrmList::TRow> rows;
    rows.reserve(shortcuts.Count());
    for (int i = 0; i < shortcuts.Count(); ++i) {
        TCEShortCut* shortcut = shortcuts.Item(i);
        rows.push_back({shortcut, ShortcutCells(*shortcut)});
    }
    FList->SetRows(std::move(rows));
}

void TfrmShortcuts::ActivatePage()
{
    FList->View()->setFocus();
}

void TfrmShortcuts::AddShortcut()
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
    RefreshList();
    emit ProjectChanged();
}

void TfrmShortcuts::EditShortcut()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.size() != 1)
        return;
    auto* shortcut = static_cast<TCEShortCut*>(selected.front());
    if (!shortcut->Edit(FProject))
        return;
    FList->UpdateRow(shortcut, ShortcutCells(*shortcut));
    emit ProjectChanged();
}

void TfrmShortcuts::DeleteShortcuts()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.empty())
        return;
    FList->View()->clearSelection();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        FProject->Shortcuts().Remove(static_cast<TCEShortCut*>(*it));
    RefreshList();
    emit ProjectChanged();
}
