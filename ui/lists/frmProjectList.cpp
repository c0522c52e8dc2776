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

void TfrmProjectList::ActivatePage()
{
    FList->View()->setFocus();
}

void TfrmProjectList::ShowChange()
{
    RefreshList();
    emit ProjectChanged();
}

void TfrmProjectList::ClearSelection()
{
    // Rows are matched to objects by address; a freed address may come back
    // with the next new object, which must not inherit the selection.
    FList->View()->clearSelection();
}
