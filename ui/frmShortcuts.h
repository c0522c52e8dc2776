#pragma once

// The shortcut list: the main window's Shortcuts tab and a page of the
// new-project wizard. Shortcuts are edited through the editor installed in
// the model (TCEShortCut::Edit).

#include "ui/frmBase.h"

class QLabel;
class TMessageService;
class TProject;
class TfrmList;

class TfrmShortcuts : public TfrmBase {
    Q_OBJECT
public:
    explicit TfrmShortcuts(TMessageService* messages, QWidget* parent = nullptr);

    void SetProject(TProject* project);
    void SetupColumns();
    void RefreshList();

    void ActivatePage() override;

    QLabel* Picture() const { return FPicture; }
    TfrmList* List() const { return FList; }

    // Fails with "No files added to the project. Add files first!" when
    // there is nothing a shortcut could start.
    void AddShortcut();
    void EditShortcut();
    void DeleteShortcuts();

private:
    TMessageService* FMessages;
    TProject* FProject = nullptr;
    TfrmList* FList;
    QLabel* FPicture;
};
