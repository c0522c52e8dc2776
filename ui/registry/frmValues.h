#pragma once

// The value list of the Registry tab: the values of the key selected in the
// key tree, modified through the model's value editors, renamed in place,
// added and deleted through the context menu.

#include <QWidget>

#include <cstdint>

class QAction;
class QMenu;
class QTableWidget;
class QTableWidgetItem;
class TMessageService;
class TProject;
class TValue;
class TValues;
class TfrmRegKeys;

class TfrmValues : public QWidget {
    Q_OBJECT
public:
    explicit TfrmValues(TMessageService* messages, QWidget* parent = nullptr);

    // Remembers the values (not owned) and lists them; null empties the list.
    void ShowValues(TValues* values);
    void SetKeysFrame(TfrmRegKeys* frame) { FKeysFrame = frame; }
    void SetProject(TProject* project) { FProject = project; }

    // A new value of the type, named "New REG_SZ value" and so on, opened in
    // its editor; kept only when the editor closes with OK.
    void NewValue(uint32_t type);
    void ModifyValue();
    void RenameValue();
    void DeleteValues();

    // The menu's enabling for the selected rows.
    void UpdateCommands();

    TValue* RowValue(int row) const;
    QTableWidget* List() const { return FList; }
    QMenu* Menu() const { return FMenu; }

private:
    void ShowMenu(const QPoint& pos);
    void ItemChanged(QTableWidgetItem* item);
    int AddRow(TValue* value);
    void ShowRow(int row, const TValue& value);
    // Selected rows in order.
    std::vector<int> SelectedRows() const;

    TMessageService* FMessages;
    TValues* FValues = nullptr;
    TProject* FProject = nullptr;
    TfrmRegKeys* FKeysFrame = nullptr;
    bool FFilling = false;

    QTableWidget* FList;
    QMenu* FMenu;
    QAction* FModify;
    QAction* FNewValues[4];
    QAction* FRename;
    QAction* FDelete;
};
