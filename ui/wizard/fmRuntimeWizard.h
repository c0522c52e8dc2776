#pragma once

// "Add Runtimes Wizard": two pages that add the runtime files of one family
// for one platform and the chosen processors to the project, into its
// Windows folder.

#include "model/Platforms.h"

#include <QDialog>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QPushButton;
class TCheckList;
class TMessageService;
class TProject;

// The first page: the family and the platform.
class TfrmRuntimesChooser : public QWidget {
    Q_OBJECT
public:
    explicit TfrmRuntimesChooser(QWidget* parent = nullptr);

    // The family number of the checked radio item.
    int GetSelectedRuntime() const;
    // The platform of the selected combo box item.
    TPlatform SelectedPlatform() const;
    // Fills the combo box with the family's platforms, the first selected.
    void FillPlatforms();

private:
    QButtonGroup* rgRuntimes;
    QComboBox* cbPlatform;
    TPlatformArray FPlatforms;
};

// The second page: the processors of the chosen family and platform.
class TfrmRuntimesProcessors : public QWidget {
    Q_OBJECT
public:
    explicit TfrmRuntimesProcessors(QWidget* parent = nullptr);

    // Lists the processors offered, all checked.
    void SetChoice(int family, TPlatform platform);
    int Family() const { return FFamily; }
    TPlatform Platform() const { return FPlatform; }
    // The checked processors in list order.
    TProcessorsArray CheckedProcessors() const;

private:
    TCheckList* clbProcessors;
    int FFamily = 0;
    TPlatform FPlatform = plAll;
    TProcessorsArray FProcessors;
};

class TfmRuntimeWizard : public QDialog {
    Q_OBJECT
public:
    explicit TfmRuntimeWizard(TMessageService* messages, QWidget* parent = nullptr);

    void SetProject(TProject* project);

    void btNextClick();
    void btBackClick();

private:
    // Adds the files of the checked processors; false (with a message) when
    // the project has no Windows folder to put them in.
    bool AddFiles();

    TMessageService* FMessages;
    TProject* FProject = nullptr;
    bool FOnProcessors = false;
    TfrmRuntimesChooser* frmChooser;
    TfrmRuntimesProcessors* frmProcessors;
    QPushButton* btBack;
    QPushButton* btNext;
    QPushButton* btCancel;
};
