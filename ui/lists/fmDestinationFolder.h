#pragma once

// "Select Destination Folder": picks the device folder of a file or a
// shortcut. Folders created, renamed or deleted in it stay so whether the
// author presses OK or Cancel; the buttons only decide whether the caller
// takes the selection.

#include "model/Platforms.h"

#include <QDialog>

class TFolder;
class TMessageService;
class TProject;
class TfrmFolder;

class TfmDestinationFolder : public QDialog {
    Q_OBJECT
public:
    explicit TfmDestinationFolder(TMessageService* messages, QWidget* parent = nullptr);

    // Call before SetProject.
    void SetPlatforms(TPlatforms platforms);
    // Passes the project and the platform set to the tree and fills it.
    void SetProject(TProject* project);
    // Selects the folder's node; when the tree does not show it (a system
    // folder hidden for the platforms), the default folder's node, then the
    // first node.
    void SelectInitialFolder(const TFolder* folder);
    // The folder of the selected node (after OK).
    TFolder* SelectedFolder() const;

    TfrmFolder* Frame() const { return FFrame; }

private:
    TfrmFolder* FFrame;
    TProject* FProject = nullptr;
    TPlatforms FPlatforms = AllPlatforms;
};
