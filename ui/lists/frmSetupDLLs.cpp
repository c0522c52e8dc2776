#include "ui/lists/frmSetupDLLs.h"

#include "model/Platforms.h"
#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/parts/QtText.h"

TfrmSetupDLLs::TfrmSetupDLLs(TMessageService* messages, QWidget* parent)
    : TProjectListOf(
          messages, "frmSetupDLLs", "Optional: Define which Setup.dlls to be used in the installation process.",
          QStringLiteral("Setup DLLs"),
          {{QStringLiteral("Name"), 80}, {QStringLiteral("Source"), 120}, {QStringLiteral("Processor"), 120}}, parent)
{
}

std::vector<TSetupDLL*> TfrmSetupDLLs::Objects() const
{
    return FProject->SetupDlls().ToList();
}

QStringList TfrmSetupDLLs::Cells(const TSetupDLL& dll) const
{
    return {AnsiToQt(dll.FileName()), AnsiToQt(dll.SourceDir()), AnsiToQt(ProcessorToName(dll.Processor()))};
}

void TfrmSetupDLLs::AddObject()
{
    if (!FProject)
        return;
    auto dll = std::make_unique<TSetupDLL>();
    if (!dll->Edit())
        return;
    FProject->SetupDlls().Add(std::move(dll));
    ShowChange();
}

bool TfrmSetupDLLs::EditObject(TSetupDLL& dll)
{
    return dll.Edit();
}

void TfrmSetupDLLs::RemoveObjects(const std::vector<TSetupDLL*>& dlls)
{
    for (const TSetupDLL* dll : dlls)
        FProject->SetupDlls().Remove(dll);
}
