#pragma once

// The file list: the main window's Files tab and the file page of the
// new-project wizard. Add, Properties and Delete work on the project's files
// through the file editor installed in the model (TFile::Edit).

#include "ui/lists/frmProjectList.h"

class TfrmFiles : public TfrmProjectList {
    Q_OBJECT
public:
    explicit TfrmFiles(TMessageService* messages, QWidget* parent = nullptr);

    // The list may be stale: file rows show the project's default folder.
    void ActivatePage() override;

    void AddObject() override;

private:
    std::vector<void*> Objects() const override;
    QStringList Cells(const void* object) const override;
    bool EditObject(void* object) override;
    bool ConfirmDelete(const std::vector<void*>& objects) override;
    void RemoveObjects(const std::vector<void*>& objects) override;
};
