#pragma once

// The setup DLL list: the main window's Setup DLLs tab and a page of the
// new-project wizard. DLLs are edited through the editor installed in the
// model (TSetupDLL::Edit).

#include "ui/frmBase.h"

class QLabel;
class TMessageService;
class TProject;
class TfrmList;

class TfrmSetupDLLs : public TfrmBase {
    Q_OBJECT
public:
    explicit TfrmSetupDLLs(TMessageService* messages, QWidget* parent = nullptr);

    void SetProject(TProject* project);
    void SetupColumns();
    void RefreshList();

    void ActivatePage() override;

    QLabel* Picture() const { return FPicture; }
    TfrmList* List() const { return FList; }

    void AddDll();
    void EditDll();
    void DeleteDlls();

private:
    TMessageService* FMessages;
    TProject* FProject = nullptr;
    TfrmList* FList;
    QLabel* FPicture;
};
