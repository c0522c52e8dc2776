#pragma once

// The file list: the main window's Files tab and the file page of the
// new-project wizard. Add, Properties and Delete work on the project's files
// through the file editor installed in the model (TFile::Edit).

#include "ui/lists/frmProjectList.h"

class TFile;

class TfrmFiles : public TProjectListOf<TFile> {
    Q_OBJECT
public:
    explicit TfrmFiles(TMessageService* messages, QWidget* parent = nullptr);

    // The list may be stale: file rows show the project's default folder.
    void ActivatePage() override;

    void AddObject() override;

private:
    std::vector<TFile*> Objects() const override;
    QStringList Cells(const TFile& file) const override;
    bool EditObject(TFile& file) override;
    // Asks first, naming the shortcuts that go with the files.
    bool ConfirmDelete(const std::vector<TFile*>& files) override;
    void RemoveObjects(const std::vector<TFile*>& files) override;
};
