#include "ui/lists/fmDestinationFolder.h"

#include "model/Project.h"
#include "ui/parts/frmFolder.h"

#include <QDialogButtonBox>
#include <QTreeWidget>
#include <QVBoxLayout>

TfmDestinationFolder::TfmDestinationFolder(TMessageService* messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Select Destination Folder"));
    FFrame = new TfrmFolder(this);
    FFrame->SetMessages(messages);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FFrame, 1);
    layout->addWidget(buttons);
    setFixedSize(360, 420);
}

void TfmDestinationFolder::SetPlatforms(TPlatforms platforms)
{
    FPlatforms = platforms;
}

void TfmDestinationFolder::SetProject(TProject* project)
{
    FProject = project;
    FFrame->SetProject(project);
    FFrame->SetPlatforms(FPlatforms);
    FFrame->SetFolders(project ? &project->Folders() : nullptr);
}

void TfmDestinationFolder::SelectInitialFolder(const TFolder* folder)
{
    if (FFrame->SelectFolder(folder))
        return;
    if (FProject && FFrame->SelectFolder(FProject->DefaultFolder()))
        return;
    if (QTreeWidgetItem* first = FFrame->Tree()->topLevelItem(0)) {
        FFrame->Tree()->setCurrentItem(first);
        first->setExpanded(true);
    }
}

TFolder* TfmDestinationFolder::SelectedFolder() const
{
    return FFrame->SelectedFolder();
}
