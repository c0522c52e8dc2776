#pragma once

// The new-project wizard's page on which the default installation folder on
// the device is chosen: the project's folder tree, in which folders can be
// made, renamed and deleted as on the General tab.

#include "ui/parts/frmBase.h"

class QLabel;
class TMessageService;
class TProject;
class TfrmFiles;
class TfrmFolder;

class TfrmDefaultFolder : public TfrmBase {
    Q_OBJECT
public:
    explicit TfrmDefaultFolder(TMessageService* messages, QWidget* parent = nullptr);

    void SetProject(TProject* project) override;
    // The wizard's file page (not owned), whose list shows the default
    // folder's path.
    void SetFilesPage(TfrmFiles* page) { FFilesPage = page; }

    // Shows the whole tree with the default folder selected.
    void ActivatePage() override;
    // The selected folder becomes the default folder.
    bool ValidatePage() override;

    TfrmFolder* Folder() const { return frmFolder; }
    QLabel* Picture() const { return FPicture; }

private:
    TProject* FProject = nullptr;
    TfrmFiles* FFilesPage = nullptr;
    TfrmFolder* frmFolder;
    QLabel* FPicture;
};
