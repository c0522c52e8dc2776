#include "ui/wizard/frmDefaultFolder.h"

#include "model/Project.h"
#include "ui/lists/frmFiles.h"
#include "ui/parts/Named.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/frmFolder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const Heading = "Choose a default installation folder on the target device.";

}

TfrmDefaultFolder::TfrmDefaultFolder(TMessageService* messages, QWidget* parent) : TfrmBase(parent)
{
    setObjectName(QStringLiteral("frmDefaultFolder"));
    FPicture = NewPicturePanel();
    FPicture->setPixmap(DefaultSetupPicture());

    QLabel* heading = NewHeading(QString::fromLatin1(Heading));
    frmFolder = NewNamed<TfrmFolder>("frmFolder", this);
    frmFolder->SetMessages(messages);
    frmFolder->Tree()->setAccessibleName(QStringLiteral("Default installation folder"));
    frmFolder->Tree()->setAccessibleDescription(QString::fromLatin1(Heading));

    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(heading);
    right->addWidget(frmFolder, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(FPicture);
    layout->addLayout(right, 1);
}

void TfrmDefaultFolder::SetProject(TProject* project)
{
    FProject = project;
    frmFolder->SetProject(project);
}

void TfrmDefaultFolder::ActivatePage()
{
    if (!FProject)
        return;
    frmFolder->SetPlatforms(AllPlatforms);
    frmFolder->SetFolders(&FProject->Folders());
    frmFolder->Tree()->setFocus();
    frmFolder->SelectFolder(FProject->DefaultFolder());
}

bool TfrmDefaultFolder::ValidatePage()
{
    if (!FProject)
        return true;
    // With nothing selected the default folder stays as it was.
    if (TFolder* folder = frmFolder->SelectedFolder())
        FProject->SetDefaultFolder(folder);
    if (FFilesPage)
        FFilesPage->RefreshList();
    return true;
}
