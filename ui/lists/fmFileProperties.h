#pragma once

// "File Properties": the source, destination folder, platforms, options,
// copy option and processor of one project file. Values go into the file
// only on OK, in one place (StoreFile).

#include "model/Folders.h"
#include "model/Platforms.h"
#include "ui/parts/ModalRunner.h"

#include <QDialog>

#include <string>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QToolButton;
class TCheckList;
class TFile;
class TFileDialogs;
class TMessageService;
class TProject;

// The platform and processor that the name of a source file's own folder
// suggests ("ARMV4": Pocket PC 2002 on StrongARM). The path is split at "\"
// and at the host's separator; false for a file in a root folder.
bool GuessPlatformAndProcessor(const std::string& path, TPlatform& platform, TProcessor& processor);

class TfmFileProperties : public QDialog {
    Q_OBJECT
public:
    TfmFileProperties(TMessageService* messages, TFileDialogs* dialogs, QWidget* parent = nullptr);
    ~TfmFileProperties() override;

    // How "Select Destination Folder" is shown (tests work it in place).
    void SetModalRunner(TModalRunner runner) { FRunModal = std::move(runner); }
    void SetProject(TProject* project);
    // Shows the file (not owned); call after SetProject.
    void SetFile(TFile* file);

    void BrowseSource();
    void BrowseDestination();
    // The OK checks; true when the file took the values.
    bool StoreFile();

    void accept() override;

private:
    QGroupBox* CreateControls();
    void LayOutControls(QGroupBox* copyBox);
    void ChainTabOrder();
    void UpdateDestinationButton();

    TMessageService* FMessages;
    TFileDialogs* FDialogs;
    TModalRunner FRunModal;
    TProject* FProject = nullptr;
    TFile* FFile = nullptr;
    // The chosen destination, held as a subscriber so that a folder deleted
    // in "Select Destination Folder" hands it on to the folder that survives
    // instead of leaving it dangling.
    TFolderSubscriber FChosen;

    QLineEdit* eSource;
    QToolButton* btSource;
    QRadioButton* rbDefaultFolder;
    QRadioButton* rbFolder;
    QLineEdit* eDestination;
    QToolButton* btDestination;
    TCheckList* clbPlatforms;
    TCheckList* clbOptions;
    QButtonGroup* rgCopyOptions;
    QComboBox* cbProcessor;
};
