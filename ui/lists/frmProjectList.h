#pragma once

// What the three list tabs of a project (files, shortcuts, setup DLLs)
// share: the list with its picture panel and buttons, filling it from the
// project, and the Properties and Delete commands over the selected rows.
// Each tab names its columns, its rows' cells and how its objects are made,
// edited and removed; TProjectListOf gives it these in its own type.

#include "ui/lists/frmList.h"
#include "ui/parts/frmBase.h"

#include <vector>

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
    virtual void RefreshList() = 0;

    void ActivatePage() override;

    // The picture panel, hidden on the main window's tab.
    QLabel* Picture() const { return FPicture; }
    TfrmList* List() const { return FList; }

    // The list's commands, each run as the buttons run it.
    virtual void AddObject() = 0;
    virtual void EditSelected() = 0;
    virtual void DeleteSelected() = 0;

protected:
    // Builds the list with these columns, its heading and buttons.
    TfrmProjectList(TMessageService* messages, const char* objectName, const char* heading, const QString& listName,
                    std::vector<TfrmList::TColumn> columns, QWidget* parent);

    // After a command changed the project.
    void ShowChange();
    // Before the selected objects are removed.
    void ClearSelection();

    TMessageService* FMessages;
    std::vector<TfrmList::TColumn> FColumns;
    TProject* FProject = nullptr;
    TfrmList* FList;
    QLabel* FPicture;
};

// A list tab whose rows are the project's objects of type T (TFile,
// TCEShortCut, TSetupDLL).
template <typename T>
class TProjectListOf : public TfrmProjectList {
public:
    void RefreshList() override
    {
        if (!FProject)
            return;
        std::vector<T*> objects = Objects();
        std::vector<TfrmList::TRow> rows;
        rows.reserve(objects.size());
        for (T* object : objects)
            rows.push_back({object, Cells(*object)});
        FList->SetRows(std::move(rows));
    }

    void EditSelected() override
    {
        std::vector<T*> selected = FList->SelectedObjectsOf<T>();
        if (!FProject || selected.size() != 1)
            return;
        T* object = selected.front();
        if (!EditObject(*object))
            return;
        FList->UpdateRow(object, Cells(*object));
        emit ProjectChanged();
    }

    void DeleteSelected() override
    {
        std::vector<T*> selected = FList->SelectedObjectsOf<T>();
        if (!FProject || selected.empty() || !ConfirmDelete(selected))
            return;
        // From the last row to the first, as the rows were numbered when the
        // author chose them.
        std::vector<T*> objects(selected.rbegin(), selected.rend());
        ClearSelection();
        RemoveObjects(objects);
        ShowChange();
    }

protected:
    using TfrmProjectList::TfrmProjectList;

    // The project's objects in its order (only called with a project).
    virtual std::vector<T*> Objects() const = 0;
    virtual QStringList Cells(const T& object) const = 0;
    // Opens the object's properties; false when the author cancelled.
    virtual bool EditObject(T& object) = 0;
    // Removes the objects, given from the last selected row to the first.
    virtual void RemoveObjects(const std::vector<T*>& objects) = 0;
    // Asked before anything goes; false keeps the objects.
    virtual bool ConfirmDelete(const std::vector<T*>& /*objects*/) { return true; }
};
