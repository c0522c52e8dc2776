#include "ui/lists/FileColumns.h"

#include "model/Files.h"
#include "model/Folders.h"
#include "model/Platforms.h"
#include "model/Project.h"
#include "ui/parts/QtText.h"

std::vector<TfrmList::TColumn> FileColumns()
{
    return {{QStringLiteral("Name"), 80},
            {QStringLiteral("Destination"), 120},
            {QStringLiteral("Source"), 120},
            {QStringLiteral("Processor"), 80}};
}

QStringList FileCells(const TFile& file, const TProject* project)
{
    const TFolder* folder = file.UseDefaultFolder() && project ? project->DefaultFolder() : file.GetFolder();
    return {AnsiToQt(file.FileName()), folder ? AnsiToQt(folder->GetPath()) : QString(), AnsiToQt(file.GetSourceDir()),
            AnsiToQt(ProcessorToName(file.Processor()))};
}
