#include "ui/parts/PlatformChecks.h"

#include "ui/parts/CheckList.h"
#include "ui/parts/QtText.h"

#include <QComboBox>

TCheckList* NewPlatformList(QWidget* parent)
{
    auto* list = new TCheckList(parent);
    for (int i = 0; i < PlatformCount; ++i)
        list->AddItem(AnsiToQt(PlatformToCaption(PlatformList[i])), PlatformList[i]);
    return list;
}

TPlatforms CheckedPlatforms(const TCheckList* list)
{
    TPlatforms platforms;
    for (int i = 0; i < PlatformCount && i < list->Count(); ++i)
        if (list->IsChecked(i))
            platforms.Include(PlatformList[i]);
    return platforms;
}

void CheckPlatforms(TCheckList* list, TPlatforms platforms)
{
    for (int i = 0; i < PlatformCount && i < list->Count(); ++i)
        list->SetChecked(i, platforms.Contains(PlatformList[i]));
}

QComboBox* NewProcessorBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (int i = 0; i < ProcessorCount; ++i)
        box->addItem(AnsiToQt(ProcessorToName(TProcessor(i))));
    return box;
}
