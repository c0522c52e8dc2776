#include "ui/registry/frmRegKeys.h"

#include "common/DebugTrace.h"
#include "model/Platforms.h"
#include "model/RegistryKeys.h"
#include "ui/parts/FrameParts.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"
#include "ui/parts/QtTreeDisplay.h"
#include "ui/registry/frmValues.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

}

TfrmRegKeys::TfrmRegKeys(TMessageService* messages, QWidget* parent) : QWidget(parent), FMessages(messages)
{
    setObjectName(QStringLiteral("frmRegKeys"));
    FTree = NewFrameTree(this);
    FTree->setObjectName(QStringLiteral("tvKeys"));
    FTree->setAccessibleName(QStringLiteral("Keys"));

    FDisplay = std::make_unique<TQtTreeDisplay>(FTree);
    FDisplay->SetIcon(FolderIcon(this));
    FDisplay->SetEditable([](void* object) {
        auto* key = static_cast<TRegKey*>(object);
        return key && !key->IsSystem();
    });

    FMenu = NewNamed<QMenu>("pmKeys", this);
    QMenu* newMenu = FMenu->addMenu(QStringLiteral("&New"));
    newMenu->setObjectName(QStringLiteral("miNew"));
    FNewKey = AddMenuItem(newMenu, "New &Key", "miNewKey", [this] { NewKey(); });
    newMenu->addSeparator();
    AddNewValueItems(newMenu, {{vtString, vtMultiString, vtDWord, vtBinary}}, FNewValues,
                     [this](uint32_t type) { NewValue(type); });
    FRename = AddMenuItem(FMenu, "&Rename", "miRename", [this] { RenameKey(); });
    FDelete = AddMenuItem(FMenu, "&Delete", "miDelete", [this] { DeleteKey(); });
    // The keyboard reaches the commands without the menu too: Insert adds a
    // key, Delete deletes one (F2 renames through the tree itself).
    AddKeyCommand(FTree, {QKeySequence(Qt::Key_Insert)}, [this] { NewKey(); });
    AddDeleteKey(FTree, FDelete, [this] { UpdateCommands(); });

    connect(FTree, &QTreeWidget::customContextMenuRequested, this, &TfrmRegKeys::ShowMenu);
    connect(FTree, &QTreeWidget::currentItemChanged, this, &TfrmRegKeys::SelectionChanged);
    connect(FTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { ItemChanged(item); });
}

TfrmRegKeys::~TfrmRegKeys() = default;

void TfrmRegKeys::SetKeys(TRegKeys* keys)
{
    FKeys = keys;
    FFilling = true;
    FSuppress = true;
    FDisplay->Clear();
    if (FKeys)
        FKeys->FillTree(*FDisplay);
    FSuppress = false;
    FFilling = false;
    if (FValuesFrame)
        FValuesFrame->ShowValues(nullptr);
}

void TfrmRegKeys::SetValuesFrame(TfrmValues* frame)
{
    FValuesFrame = frame;
    FSuppress = false;
}

TRegKey* TfrmRegKeys::SelectedKey() const
{
    return static_cast<TRegKey*>(TQtTreeDisplay::ItemObject(FTree->currentItem()));
}

bool TfrmRegKeys::SelectedHasParent() const
{
    QTreeWidgetItem* item = FTree->currentItem();
    return item && item->parent();
}

bool TfrmRegKeys::SelectKey(const TRegKey* key)
{
    if (!key)
        return false;
    for (QTreeWidgetItemIterator it(FTree); *it; ++it) {
        if (TQtTreeDisplay::ItemObject(*it) == key) {
            FTree->setCurrentItem(*it);
            FTree->scrollToItem(*it);
            return true;
        }
    }
    return false;
}

void TfrmRegKeys::AddValue(std::unique_ptr<TValue> value)
{
    if (TRegKey* key = SelectedKey())
        key->Values().Add(std::move(value));
}

void TfrmRegKeys::RemoveValue(const TValue* value)
{
    TRegKey* key = SelectedKey();
    if (!key || !key->Values().Remove(value))
        DebugTrace("TfrmRegKeys: a value of the list is not among the selected key's values");
}

void TfrmRegKeys::SelectionChanged()
{
    UpdateCommands();
    if (FSuppress || !FValuesFrame)
        return;
    TRegKey* key = SelectedKey();
    FValuesFrame->ShowValues(key ? &key->Values() : nullptr);
}

void TfrmRegKeys::UpdateCommands()
{
    TRegKey* key = SelectedKey();
    bool author = key && !key->IsSystem();
    bool below = key && SelectedHasParent();
    FNewKey->setEnabled(key != nullptr);
    for (QAction* action : FNewValues)
        action->setEnabled(below);
    FRename->setEnabled(author);
    FDelete->setEnabled(author);
}

void TfrmRegKeys::ShowMenu(const QPoint& pos)
{
    if (!FKeys)
        return;
    if (QTreeWidgetItem* item = FTree->itemAt(pos))
        FTree->setCurrentItem(item);
    UpdateCommands();
    FMenu->popup(FTree->viewport()->mapToGlobal(pos));
}

void TfrmRegKeys::NewKey()
{
    QTreeWidgetItem* parentItem = FTree->currentItem();
    TRegKey* parent = SelectedKey();
    if (!parentItem || !parent)
        return;
    TRegKey* key = parent->AddSubKey(std::make_unique<TRegKey>(false, "New Key", "New Key"));
    ShowNewNode(*FDisplay, parentItem, "New Key", key, FFilling);
}

void TfrmRegKeys::RenameKey()
{
    QTreeWidgetItem* item = FTree->currentItem();
    TRegKey* key = SelectedKey();
    if (item && key && !key->IsSystem())
        FTree->editItem(item);
}

void TfrmRegKeys::ItemChanged(QTreeWidgetItem* item)
{
    if (FFilling)
        return;
    auto* key = static_cast<TRegKey*>(TQtTreeDisplay::ItemObject(item));
    if (!key)
        return;
    // An empty name would make a key the .inf cannot write; the edit is
    // undone as if cancelled.
    std::optional<std::string> name =
        RenamedLabel(item, key->Name(), !key->IsSystem() && !item->text(0).isEmpty(), FFilling, FMessages);
    if (!name)
        return;
    key->SetName(*name);
}

void TfrmRegKeys::DeleteKey()
{
    QTreeWidgetItem* item = FTree->currentItem();
    TRegKey* key = SelectedKey();
    TRegKey* parent = key ? key->Parent() : nullptr;
    if (!item || !key || key->IsSystem() || !parent)
        return;
    int index = parent->IndexOfSubKey(key);
    if (index < 0) {
        DebugTrace("TfrmRegKeys: the selected key is not among its parent's subkeys");
        return;
    }
    QTreeWidgetItem* parentItem = item->parent();
    FSuppress = true;
    // The list may show values of the branch that goes; it lets go of them
    // before they are freed.
    if (FValuesFrame)
        FValuesFrame->ShowValues(nullptr);
    parent->DeleteSubKey(index);
    FTree->setCurrentItem(nullptr);
    delete item;
    FSuppress = false;
    if (parentItem)
        FTree->setCurrentItem(parentItem);
    // Qt may have made the parent current already while the node went, and
    // then says nothing now.
    if (FValuesFrame)
        FValuesFrame->ShowValues(&parent->Values());
    UpdateCommands();
}

void TfrmRegKeys::NewValue(uint32_t type)
{
    if (FValuesFrame && SelectedHasParent())
        FValuesFrame->NewValue(type);
}
