#pragma once

// The model's tree display over a QTreeWidget: a node is the widget's
// QTreeWidgetItem, and the object it refers to rides in the item's user data.

#include "model/TreeDisplay.h"

#include <QIcon>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

class TQtTreeDisplay : public TTreeDisplay {
public:
    // Decides, per model object, whether its node's label may be edited.
    using TEditable = std::function<bool(void* object)>;

    explicit TQtTreeDisplay(QTreeWidget* tree) : FTree(tree) {}

    void SetEditable(TEditable editable) { FEditable = std::move(editable); }
    // The node image; its Selected mode is what a selected node shows.
    void SetIcon(const QIcon& icon) { FIcon = icon; }

    void Clear() override;
    TNode AddNode(TNode parent, const std::string& text, void* object) override;
    void* NodeObject(TNode node) const override;
    int ChildCount(TNode node) const override;
    TNode Child(TNode node, int index) const override;

    // The first top-level node, or null.
    TNode FirstNode() const;
    static QTreeWidgetItem* Item(TNode node) { return static_cast<QTreeWidgetItem*>(node); }
    static void* ItemObject(const QTreeWidgetItem* item);

private:
    QTreeWidget* FTree;
    TEditable FEditable;
    QIcon FIcon;
};
