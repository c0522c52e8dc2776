#include "ui/lists/frmProjectList.h"

#include "ui/parts/Named.h"

#include <QAction>
#include <QTableView>

TfrmProjectList::TfrmProjectList(TMessageService* messages, const char* objectName, const char* heading,
                                 const QString& listName, std::vector<TfrmList::TColumn> columns, QWidget* parent)
    : TfrmBase(parent), FMessages(messages), FColumns(std::move(columns))
{
    setObjectName(QString::fromLatin1(objectName));
    FList = NewNamed<TfrmList>("frmList", this);
    FPicture = LayOutListPage(QString::fromLatin1(heading), FList, listName);
    SetupColumns();
    connect(FList->AddAction(), &QAction::triggered, this, [this] { RunCommand(FMessages, [this] { AddObject(); }); });
    connect(FList->PropertiesAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { EditSelected(); }); });
    connect(FList->DeleteAction(), &QAction::triggered, this,
            [this] { RunCommand(FMessages, [this] { DeleteSelected(); }); });
}

void TfrmProjectList::SetupColumns()
{
    FList->SetColumns(FColumns);
}

void TfrmProjectList::SetProject(TProject* project)
{
    FProject = project;
    if (!FProject)
        FList->SetRows({});
    RefreshList();
}

void TfrmProjectList::RefreshList()
{
    if (!FProject)
        return;
    std::vector<void*> objects = Objects();
    std::vector<TfrmList::TRow> rows;
    rows.reserve(objects.size());
    for (void* object : objects)
        rows.push_back({object, Cells(object)});
    FList->SetRows(std::move(rows));
}

void TfrmProjectList::ActivatePage()
{
    FList->View()->setFocus();
}

void TfrmProjectList::ShowChange()
{
    RefreshList();
    emit ProjectChanged();
}

void TfrmProjectList::EditSelected()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.size() != 1)
        return;
    void* object = selected.front();
    if (!EditObject(object))
        return;
    FList->UpdateRow(object, Cells(object));
    emit ProjectChanged();
}

void TfrmProjectList::DeleteSelected()
{
    std::vector<void*> selected = FList->SelectedObjects();
    if (!FProject || selected.empty() || !ConfirmDelete(selected))
        return;
    // From the last row to the first, as the rows were numbered when the
    // author chose them.
    std::vector<void*> objects(selected.rbegin(), selected.rend());
    // Rows are matched to objects by address; a freed address may come back
    // with the next new object, which must not inherit the selection.
    FList->View()->clearSelection();
    RemoveObjects(objects);
    ShowChange();
}
