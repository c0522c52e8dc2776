#include "ui/parts/FrameParts.h"

#include "model/Platforms.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"
#include "ui/parts/QtTreeDisplay.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

QIcon FolderIcon(const QWidget* widget)
{
    QStyle* style = widget->style();
    QIcon icon;
    for (int size : {16, 32}) {
        icon.addPixmap(style->standardIcon(QStyle::SP_DirClosedIcon).pixmap(size), QIcon::Normal);
        icon.addPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(size), QIcon::Selected);
    }
    return icon;
}

QTreeWidget* NewFrameTree(QWidget* frame)
{
    auto* tree = new QTreeWidget(frame);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    tree->setUniformRowHeights(true);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);
    return tree;
}

QTreeWidgetItem* ShowNewNode(TQtTreeDisplay& display, QTreeWidgetItem* parentItem, const std::string& name,
                             void* object, bool& filling)
{
    filling = true;
    QTreeWidgetItem* item = TQtTreeDisplay::Item(display.AddNode(parentItem, name, object));
    filling = false;
    parentItem->setExpanded(true);
    item->setExpanded(true);
    item->treeWidget()->setCurrentItem(item);
    item->treeWidget()->editItem(item);
    return item;
}

std::optional<std::string> RenamedLabel(QTreeWidgetItem* item, const std::string& current, bool allowed, bool& filling,
                                        TMessageService* messages)
{
    QString typed = item->text(0);
    if (typed == AnsiToQt(current))
        return std::nullopt;
    std::string refusal;
    std::optional<std::string> name = allowed ? QtToAnsi(typed, &refusal) : std::nullopt;
    if (!name) {
        filling = true;
        item->setText(0, AnsiToQt(current));
        filling = false;
        if (messages && !refusal.empty())
            messages->ShowMessage(refusal);
    }
    return name;
}

QAction* AddMenuItem(QMenu* menu, const char* text, const char* objectName, const std::function<void()>& command)
{
    QAction* item = menu->addAction(QString::fromLatin1(text), menu, command);
    item->setObjectName(QString::fromLatin1(objectName));
    return item;
}

void AddDeleteKey(QWidget* view, QAction* deleteItem, const std::function<void()>& updateCommands)
{
    AddKeyCommand(view, {QKeySequence(Qt::Key_Delete)}, [deleteItem, updateCommands] {
        updateCommands();
        if (deleteItem->isEnabled())
            deleteItem->trigger();
    });
}

QAction* AddKeyCommand(QWidget* view, const QList<QKeySequence>& keys, const std::function<void()>& command)
{
    auto* action = new QAction(view->parent());
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(action, &QAction::triggered, view, command);
    view->addAction(action);
    return action;
}

void AddNewValueItems(QMenu* menu, const TNewValueOrder& order, QAction* (&items)[4],
                      const std::function<void(uint32_t)>& create)
{
    for (int i = 0; i < 4; ++i) {
        uint32_t type = order.Types[i];
        const char* text = "&String Value";
        const char* name = "miNewString";
        if (type == vtMultiString) {
            text = "&Multy String Value";
            name = "miNewMultiString";
        } else if (type == vtBinary) {
            text = "&Binary Value";
            name = "miNewBinary";
        } else if (type == vtDWord) {
            text = "&DWORD Value";
            name = "miNewDword";
        }
        items[i] = menu->addAction(QString::fromLatin1(text), menu, [create, type] { create(type); });
        items[i]->setObjectName(QString::fromLatin1(name));
    }
}
