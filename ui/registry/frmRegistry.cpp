#include "ui/registry/frmRegistry.h"

#include "model/Project.h"
#include "ui/registry/frmRegKeys.h"
#include "ui/registry/frmValues.h"

#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmRegistry::TfrmRegistry(TMessageService* messages, QWidget* parent) : TfrmBase(parent)
{
    setObjectName(QStringLiteral("frmRegistry"));
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setHandleWidth(3);
    splitter->setChildrenCollapsible(false);
    frmRegKeys = new TfrmRegKeys(messages, splitter);
    frmValues = new TfrmValues(messages, splitter);
    splitter->addWidget(frmRegKeys);
    splitter->addWidget(frmValues);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 400});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
}

void TfrmRegistry::SetProject(TProject* project)
{
    FProject = project;
    frmRegKeys->SetValuesFrame(frmValues);
    frmValues->SetKeysFrame(frmRegKeys);
    frmValues->SetProject(project);
    frmRegKeys->SetKeys(project ? &project->RegKeys() : nullptr);
    if (QTreeWidgetItem* first = frmRegKeys->Tree()->topLevelItem(0))
        frmRegKeys->Tree()->setCurrentItem(first);
    // The first node may have been current already, and then no signal
    // fills the list.
    TRegKey* key = frmRegKeys->SelectedKey();
    frmValues->ShowValues(key ? &key->Values() : nullptr);
}
