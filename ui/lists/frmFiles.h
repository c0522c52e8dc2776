#pragma once

// The file list: the main window's Files tab and the file page of the
// new-project wizard. Add, Properties and Delete work on the project's files
// through the file editor installed in the model (TFile::Edit).

#include "ui/lists/frmProjectList.h"

#include <functional>

class TFile;
class TFolder;

class TfrmFiles : public TProjectListOf<TFile> {
    Q_OBJECT
public:
    explicit TfrmFiles(TMessageService* messages, QWidget* parent = nullptr);

    // The list may be stale: file rows show the project's default folder.
    void ActivatePage() override;

    void AddObject() override;

    // Files and folders dropped from a file manager (host paths). Each file
    // is added as Add would make it with only its source chosen: platform
    // and processor guessed from its folder's name (all of them otherwise),
    // going to the drop target. A folder adds every file below it, into
    // device folders of the same names under the target, made as needed;
    // above MaxDropWithoutAsking files it asks first. A path that the
    // project cannot store refuses the whole drop before anything is added.
    // Answers how many files were added.
    int AddDroppedPaths(const QStringList& paths);
    static constexpr int MaxDropWithoutAsking = 100;

    // The device folder dropped files go to: the folder chosen in the main
    // window's tree; the project's default folder when unset or null.
    std::function<TFolder*()> DropTarget;
    // Called after a drop made device folders.
    std::function<void()> OnFoldersAdded;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::vector<TFile*> Objects() const override;
    QStringList Cells(const TFile& file) const override;
    bool EditObject(TFile& file) override;
    // Asks first, naming the shortcuts that go with the files.
    bool ConfirmDelete(const std::vector<TFile*>& files) override;
    void RemoveObjects(const std::vector<TFile*>& files) override;
};
