#include "ui/PlatformChecks.h"

#include "ui/QtText.h"

#include <QComboBox>
#include <QListWidget>

QListWidget* NewPlatformList(QWidget* parent)
{
    auto* list = new QListWidget(parent);
    for (int i = 0; i < PlatformCount; ++i) {
        auto* item = new QListWidgetItem(AnsiToQt(PlatformToCaption(TPlatform(i))), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    return list;
}

TPlatforms CheckedPlatforms(const QListWidget* list)
{
    TPlatforms platforms;
    for (int i = 0; i < PlatformCount && i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            platforms.Include(TPlatform(i));
    return platforms;
}

void CheckPlatforms(QListWidget* list, TPlatforms platforms)
{
    for (int i = 0; i < PlatformCount && i < list->count(); ++i)
        list->item(i)->setCheckState(platforms.Contains(TPlatform(i)) ? Qt::Checked : Qt::Unchecked);
}

QComboBox* NewProcessorBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (int i = 0; i < ProcessorCount; ++i)
        box->addItem(AnsiToQt(ProcessorToName(TProcessor(i))));
    return box;
}
