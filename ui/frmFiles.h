#pragma once

// The file list: the main window's Files tab and the file page of the
// new-project wizard. Add, Properties and Delete work on the project's files
// through the file editor installed in the model (TFile::Edit).

#include "ui/frmBase.h"

class QLabel;
class TFile;
class TMessageService;
class TProject;
class TfrmList;

class TfrmFiles : public TfrmBase {
    Q_OBJECT
public:
    explicit TfrmFiles(TMessageService* messages, QWidget* parent = nullptr);

    // Remembers the project (not owned) and fills the list.
    void SetProject(TProject* project);
    // Removes all columns and creates the four of the file list.
    void SetupColumns();
    // One row per project file in the project's order; nothing without a
    // project. Rows still there keep their selection.
    void RefreshList();

    void ActivatePage() override;

    // The picture panel, hidden on the main window's tab.
    QLabel* Picture() const { return FPicture; }
    TfrmList* List() const { return FList; }

    void AddFile();
    void EditFile();
    void DeleteFiles();

private:
    TMessageService* FMessages;
    TProject* FProject = nullptr;
    TfrmList* FList;
    QLabel* FPicture;
};
