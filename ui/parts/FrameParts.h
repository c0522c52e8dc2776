#pragma once

// Pieces the folder tree, the key tree and the value list share: the tree
// control, its folder icon, keys bound to commands and the "New" value
// items.

#include <QIcon>
#include <QKeySequence>
#include <QList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TMessageService;
class TQtTreeDisplay;

// Closed folders, open when selected, from the widget's style.
QIcon FolderIcon(const QWidget* widget);

// A one-column tree without header filling the frame, whose context menu
// the frame shows. Labels are edited through the menu, F2 or a click on the
// selected node, like the Windows tree control; never by a double click,
// which expands.
QTreeWidget* NewFrameTree(QWidget* frame);

// Shows a new child node without reacting to it as to an edit, and opens
// its label for editing, as a new folder or key is named.
QTreeWidgetItem* ShowNewNode(TQtTreeDisplay& display, QTreeWidgetItem* parentItem, const std::string& name,
                             void* object, bool& filling);

// The name typed into the node's label, in the code page; nullopt when it
// did not change or is refused (not allowed, or a character the code page
// lacks, which is named): the label then shows the current name again.
std::optional<std::string> RenamedLabel(QTreeWidgetItem* item, const std::string& current, bool allowed, bool& filling,
                                        TMessageService* messages);

// A menu item with its object name, running the command.
QAction* AddMenuItem(QMenu* menu, const char* text, const char* objectName, const std::function<void()>& command);

// The Delete key in the view runs the Delete item when the item, brought up
// to date first, is enabled.
void AddDeleteKey(QWidget* view, QAction* deleteItem, const std::function<void()>& updateCommands);

// Runs the command when one of the keys is pressed in the view (only there).
QAction* AddKeyCommand(QWidget* view, const QList<QKeySequence>& keys, const std::function<void()>& command);

// The value types in the order a "New" menu lists them.
struct TNewValueOrder {
    uint32_t Types[4];
};

// The four "New ... Value" items (miNewString, miNewMultiString,
// miNewBinary, miNewDword) in the order given; each calls create with its
// type.
void AddNewValueItems(QMenu* menu, const TNewValueOrder& order, QAction* (&items)[4],
                      const std::function<void(uint32_t)>& create);
