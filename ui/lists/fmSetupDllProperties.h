#pragma once

// "SetupDll Properties": the source, processor and platforms of one setup
// DLL. Nothing is checked; an empty source is a valid answer.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QToolButton;
class TCheckList;
class TFileDialogs;
class TMessageService;
class TSetupDLL;

class TfmSetupDllProperties : public QDialog {
    Q_OBJECT
public:
    TfmSetupDllProperties(TMessageService* messages, TFileDialogs* dialogs, QWidget* parent = nullptr);

    // Shows the DLL (not owned).
    void LoadDll(TSetupDLL* dll);
    void BrowseSource();
    // True when the DLL took the values.
    bool StoreDll();

    void accept() override;

private:
    TMessageService* FMessages;
    TFileDialogs* FDialogs;
    TSetupDLL* FDll = nullptr;

    QLineEdit* eSource;
    QToolButton* btSource;
    QComboBox* cbProcessor;
    TCheckList* clbPlatforms;
};
