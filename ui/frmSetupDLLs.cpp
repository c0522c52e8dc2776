#include "ui/frmSetupDLLs.h"

#include "model/Platforms.h"
#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/QtText.h"
#include "ui/frmList.h"

#include <QAction>
#include <QTableView>

namespace {

const char* const Heading = "Optional: Define which Setup.dlls to be used in the installation process.";

QStringList DllCells(const TSetupDLL& dll)
{
    return {AnsiToQt(dll.FileName()), AnsiToQt(dll.SourceDir()), AnsiToQt(ProcessorToName(dll.Processor()))};
}

}

TfrmSetupDLLs::TfrmSetupDLLs(TMessageService* messages, QWidget* parent) : TfrmBase(parent), FMessages(messages)
{
    setObjectName(QStringLiteral("frmSetupDLLs"));
    FList = new TfrmList(this);
    FList->setObjectName(QStringLiteral("frmList"));
    FPicture = LayOutListPage(QString::fromLatin1(Heading), FList, QStringLiteral("Setup DLLs"));
    SetupColumns();
    connect(FList->AddAction(), &QAction::triggered, this, [this] { RunCommand(FMessages, [this] { AddDll(); }); });
    connect(FList->PropertiesAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { EditDll(); }); });
    connect(FList->DeleteAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { DeleteDlls(); }); });
}

void TfrmSetupDLLs::SetupColumns()
{
    FList->SetColumns({{QStringLiteral("Name"), 80}, {QStringLiteral("Source"), 120},
                       {QStringLiteral("Processor"), 120}});
}

void TfrmSetupDLLs::SetProject(TProject* project)
{
    FProject = project;
    if (!FProject)
        FList->SetRows({});
    RefreshList();
}

void TfrmSetupDLLs::RefreshList()
{
    if (!FProject)
        return;
    TSetupDlls& dlls = FProject->SetupDlls();
    std::vector<TfrmList::TRow> rows;
    rows.reserve(dlls.Count());
    for (int i = 0; i < dlls.Count(); ++i) {
        TSetupDLL* dll = dlls.Item(i);
        rows.push_back({dll, DllCells(*dll)});
    }
    FList->SetRows(std::move(rows));
}

void TfrmSetupDLLs::ActivatePage()
{
    FList->View()->setFocus();
}

void TfrmSetupDLLs::AddDll()
{
    if (!FProject)
        return;
    auto dll = std::make_unique<TSetupDLL>();
    if (!dll->Edit())
        return;
    FProject->SetupDlls().Add(std::move(dll));
    RefreshList();
    emit ProjectChanged();
}

void TfrmSetupDLLs::EditDll()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.size() != 1)
        return;
    auto* dll = static_cast<TSetupDLL*>(selected.front());
    if (!dll->Edit())
        return;
    FList->UpdateRow(dll, DllCells(*dll));
    emit ProjectChanged();
}

void TfrmSetupDLLs::DeleteDlls()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.empty())
        return;
    FList->View()->clearSelection();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        FProject->SetupDlls().Remove(static_cast<TSetupDLL*>(*it));
    RefreshList();
    emit ProjectChanged();
}
