#pragma once

// What the three list tabs of a project (files, shortcuts, setup DLLs)
// share: the list with its picture panel and buttons, filling it from the
// project, and the Properties and Delete commands over the selected rows.
// Each tab names its columns, its rows' cells and how its objects are made,
// edited and removed.

#include "ui/lists/frmList.h"
#include "ui/parts/frmBase.h"

class QLabel;
class TMessageService;
class TProject;

class TfrmProjectList : public TfrmBase {
    Q_OBJECT
public:
    // Remembers the project and fills the list.
    void SetProject(TProject* project) override;
    // Removes all columns and creates the tab's own.
    void SetupColumns();
    // One row per object in the project's order; nothing without a project.
    // Rows still there keep their selection.
    void RefreshList();

    void ActivatePage() override;

    // The picture panel, hidden on the main window's tab.
    QLabel* Picture() const { return FPicture; }
    TfrmList* List() const { return FList; }

    // The list's commands, each run as the buttons run it.
    virtual void AddObject() = 0;
    void EditSelected();
    void DeleteSelected();

protected:
    // Builds the list with these columns, its heading and buttons.
    TfrmProjectList(TMessageService* messages, const char* objectName, const char* heading, const QString& listName,
                    std::vector<TfrmList::TColumn> columns, QWidget* parent);

    virtual std::vector<void*> Objects() const = 0;
    virtual QStringList Cells(const void* object) const = 0;
    // Opens the object's properties; false when the author cancelled.
    virtual bool EditObject(void* object) = 0;
    // Removes the objects, given from the last selected row to the first.
    virtual void RemoveObjects(const std::vector<void*>& objects) = 0;
    // Asked before anything goes; false keeps the objects.
    virtual bool ConfirmDelete(const std::vector<void*>& /*objects*/) { return true; }
    // After a command changed the project.
    void ShowChange();
    // An owning list's items as the list's row objects.
    template <typename TList>
    static std::vector<void*> AsObjects(const TList& list)
    {
        auto items = list.ToList();
        return {items.begin(), items.end()};
    }

    TMessageService* FMessages;
    std::vector<TfrmList::TColumn> FColumns;
    TProject* FProject = nullptr;
    TfrmList* FList;
    QLabel* FPicture;
};
