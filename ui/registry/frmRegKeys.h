#pragma once

// The registry key tree of the Registry tab: the project's keys with their
// subkeys, renamed in place, added and deleted through the context menu.
// Selecting a key shows its values in the value list beside it.

#include <QWidget>

#include <cstdint>
#include <memory>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TMessageService;
class TQtTreeDisplay;
class TRegKey;
class TRegKeys;
class TValue;
class TfrmValues;

class TfrmRegKeys : public QWidget {
    Q_OBJECT
public:
    explicit TfrmRegKeys(TMessageService* messages, QWidget* parent = nullptr);
    ~TfrmRegKeys() override;

    // Remembers the keys (not owned) and lists them; null empties the tree.
    void SetKeys(TRegKeys* keys);
    void SetValuesFrame(TfrmValues* frame);

    TRegKey* SelectedKey() const;
    // True when the selected node is below a top-level key (values may
    // only be added there).
    bool SelectedHasParent() const;
    bool SelectKey(const TRegKey* key);

    // The selected key's values gain or lose the value; RemoveValue frees it.
    void AddValue(std::unique_ptr<TValue> value);
    void RemoveValue(const TValue* value);

    // The menu's enabling for the selected node.
    void UpdateCommands();
    void NewKey();
    void RenameKey();
    void DeleteKey();

    QTreeWidget* Tree() const { return FTree; }
    QMenu* Menu() const { return FMenu; }

private:
    void ShowMenu(const QPoint& pos);
    void SelectionChanged();
    void ItemChanged(QTreeWidgetItem* item);
    void NewValue(uint32_t type);

    TMessageService* FMessages;
    TRegKeys* FKeys = nullptr;
    TfrmValues* FValuesFrame = nullptr;
    // Set while a key is deleted, so that the nodes Qt selects on the way
    // never show values of a key that is going.
    bool FSuppress = false;
    // Set while the frame itself changes node texts.
    bool FFilling = false;

    QTreeWidget* FTree;
    std::unique_ptr<TQtTreeDisplay> FDisplay;
    QMenu* FMenu;
    QAction* FNewKey;
    QAction* FNewValues[4];
    QAction* FRename;
    QAction* FDelete;
};
