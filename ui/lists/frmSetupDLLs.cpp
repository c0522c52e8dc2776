#include "ui/lists/frmSetupDLLs.h"

#include "model/Platforms.h"
#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/parts/QtText.h"

TfrmSetupDLLs::TfrmSetupDLLs(TMessageService* messages, QWidget* parent)
    : TfrmProjectList(messages, "frmSetupDLLs",
                      "Optional: Define which Setup.dlls to be used in the installation process.",
                      QStringLiteral("Setup DLLs"),
                      {{QStringLiteral("Name"), 80}, {QStringLiteral("Source"), 120}, {QStringLiteral("Processor"), 120}},
                      parent)
{
}

std::vector<void*> TfrmSetupDLLs::Objects() const
{
    return AsObjects(FProject->SetupDlls());
}

QStringList TfrmSetupDLLs::Cells(const void* object) const
{
    const auto& dll = *static_cast<const TSetupDLL*>(object);
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

bool TfrmSetupDLLs::EditObject(void* object)
{
    return static_cast<TSetupDLL*>(object)->Edit();
}

void TfrmSetupDLLs::RemoveObjects(const std::vector<void*>& objects)
{
    for (void* object : objects)
        FProject->SetupDlls().Remove(static_cast<TSetupDLL*>(object));
}
