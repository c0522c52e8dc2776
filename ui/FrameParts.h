#pragma once

// Pieces the folder tree, the key tree and the value list share: the tree
// control, its folder icon, keys bound to commands and the "New" value
// items.

#include <QIcon>
#include <QKeySequence>
#include <QList>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QTreeWidget;
class QWidget;

// Closed folders, open when selected, from the widget's style.
QIcon FolderIcon(const QWidget* widget);

// A one-column tree without header filling the frame, whose context menu
// the frame shows. Labels are edited through the menu, F2 or a click on the
// selected node, like the Windows tree control; never by a double click,
// which expands.
QTreeWidget* NewFrameTree(QWidget* frame);

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
