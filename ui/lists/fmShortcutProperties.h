#pragma once

// "Shortcut Properties": the name, target file, platforms and device folder
// of one shortcut. The folder tree shows the folders of the checked
// platforms and is rebuilt whenever the author changes them.

#include <QDialog>

class QComboBox;
class QLineEdit;
class TCheckList;
class TCEShortCut;
class TMessageService;
class TProject;
class TfrmFolder;

class TfmShortcutProperties : public QDialog {
    Q_OBJECT
public:
    explicit TfmShortcutProperties(TMessageService* messages, QWidget* parent = nullptr);

    // Remembers the project (not owned) and lists its files as targets.
    void SetProject(TProject* project);
    // Shows the shortcut (not owned); call after SetProject.
    void SetShortcut(TCEShortCut* shortcut);
    // The tree for the checked platforms, with the shortcut's folder (or the
    // Start Menu, or the first node) selected.
    void BuildFolderTree();
    // The OK checks; true when the shortcut took the values.
    bool StoreShortcut();

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TargetChosen(int index);

    TMessageService* FMessages;
    TProject* FProject = nullptr;
    TCEShortCut* FShortcut = nullptr;
    // Set while the dialog itself checks platform items.
    bool FFilling = false;

    QLineEdit* eName;
    QComboBox* cbTarget;
    TCheckList* clbPlatforms;
    TfrmFolder* frmFolder;
};
