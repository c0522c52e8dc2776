#include "ui/parts/QtTreeDisplay.h"

#include "ui/parts/QtText.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

void TQtTreeDisplay::Clear()
{
    FTree->clear();
}

TTreeDisplay::TNode TQtTreeDisplay::AddNode(TNode parent, const std::string& text, void* object)
{
    auto* item = new QTreeWidgetItem(QStringList(AnsiToQt(text)));
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    if (!FIcon.isNull())
        item->setIcon(0, FIcon);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (FEditable && FEditable(object))
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    if (parent)
        Item(parent)->addChild(item);
    else
        FTree->addTopLevelItem(item);
    return item;
}

void* TQtTreeDisplay::ItemObject(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<void*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

void* TQtTreeDisplay::NodeObject(TNode node) const
{
    return ItemObject(Item(node));
}

int TQtTreeDisplay::ChildCount(TNode node) const
{
    return node ? Item(node)->childCount() : FTree->topLevelItemCount();
}

TTreeDisplay::TNode TQtTreeDisplay::Child(TNode node, int index) const
{
    return node ? Item(node)->child(index) : FTree->topLevelItem(index);
}

TTreeDisplay::TNode TQtTreeDisplay::FirstNode() const
{
    return FTree->topLevelItem(0);
}
