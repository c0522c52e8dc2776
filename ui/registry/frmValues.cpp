#include "ui/registry/frmValues.h"

#include "model/Platforms.h"
#include "model/RegistryValues.h"
#include "ui/parts/FrameParts.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"
#include "ui/registry/frmRegKeys.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

TfrmValues::TfrmValues(TMessageService* messages, QWidget* parent) : QWidget(parent), FMessages(messages)
{
    setObjectName(QStringLiteral("frmValues"));
    FList = NewNamed<QTableWidget>("lvValues", 0, 3, this);
    FList->setAccessibleName(QStringLiteral("Values"));
    FList->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Data")});
    FList->setColumnWidth(0, 100);
    // The longest type name fits, with the cell's margins.
    FList->setColumnWidth(1, std::max(80, FList->fontMetrics().horizontalAdvance(QStringLiteral("REG_MULTI_SZ")) + 16));
    FList->setColumnWidth(2, 150);
    FList->horizontalHeader()->setStretchLastSection(true);
    FList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FList->verticalHeader()->hide();
    FList->verticalHeader()->setDefaultSectionSize(FList->fontMetrics().height() + 6);
    FList->setShowGrid(true);
    FList->setWordWrap(false);
    FList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FList->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    FList->setTabKeyNavigation(false);
    FList->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FList);

    FMenu = NewNamed<QMenu>("pmValues", this);
    FModify = AddMenuItem(FMenu, "&Modify", "miModify", [this] { ModifyValue(); });
    QMenu* newMenu = FMenu->addMenu(QStringLiteral("&New"));
    newMenu->setObjectName(QStringLiteral("miNew"));
    AddNewValueItems(newMenu, {{vtString, vtMultiString, vtBinary, vtDWord}}, FNewValues,
                     [this](uint32_t type) { NewValue(type); });
    FRename = AddMenuItem(FMenu, "&Rename", "miRename", [this] { RenameValue(); });
    FDelete = AddMenuItem(FMenu, "&Delete", "miDelete", [this] { DeleteValues(); });
    // Enter modifies and Delete deletes without the menu (F2 renames
    // through the list itself).
    AddKeyCommand(FList, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, [this] {
        if (!SelectedRows().empty())
            ModifyValue();
    });
    AddDeleteKey(FList, FDelete, [this] { UpdateCommands(); });

    connect(FList, &QTableWidget::customContextMenuRequested, this, &TfrmValues::ShowMenu);
    connect(FList, &QTableWidget::itemChanged, this, &TfrmValues::ItemChanged);
    connect(FList, &QTableWidget::itemSelectionChanged, this, [this] { FModify->setEnabled(!SelectedRows().empty()); });
    connect(FList, &QTableWidget::itemDoubleClicked, this, [this] {
        if (!SelectedRows().empty())
            ModifyValue();
    });
    UpdateCommands();
}

TValue* TfrmValues::RowValue(int row) const
{
    QTableWidgetItem* item = FList->item(row, 0);
    return item ? reinterpret_cast<TValue*>(item->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

std::vector<int> TfrmValues::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : FList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfrmValues::ShowRow(int row, const TValue& value)
{
    FFilling = true;
    FList->item(row, 0)->setText(AnsiToQt(value.GetDisplayName()));
    FList->item(row, 1)->setText(AnsiToQt(ValueTypeToName(value.Type())));
    FList->item(row, 2)->setText(AnsiToQt(value.GetDataText()));
    FFilling = false;
}

int TfrmValues::AddRow(TValue* value)
{
    FFilling = true;
    int row = FList->rowCount();
    FList->insertRow(row);
    auto* name = new QTableWidgetItem;
    name->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(value)));
    Qt::ItemFlags fixed = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    name->setFlags(value->IsDefault() ? fixed : fixed | Qt::ItemIsEditable);
    FList->setItem(row, 0, name);
    for (int column : {1, 2}) {
        auto* cell = new QTableWidgetItem;
        cell->setFlags(fixed);
        FList->setItem(row, column, cell);
    }
    FFilling = false;
    ShowRow(row, *value);
    return row;
}

void TfrmValues::ShowValues(TValues* values)
{
    FValues = values;
    FFilling = true;
    FList->clearSelection();
    FList->setRowCount(0);
    FFilling = false;
    if (FValues)
        for (const std::unique_ptr<TValue>& value : FValues->Values())
            AddRow(value.get());
    UpdateCommands();
}

void TfrmValues::UpdateCommands()
{
    std::vector<int> rows = SelectedRows();
    bool defaultAmong = std::any_of(rows.begin(), rows.end(), [this](int row) {
        TValue* value = RowValue(row);
        return row == 0 || (value && value->IsDefault());
    });
    FModify->setEnabled(rows.size() == 1);
    FRename->setEnabled(rows.size() == 1 && !defaultAmong);
    FDelete->setEnabled(!rows.empty() && !defaultAmong);
    bool below = FValues && FKeysFrame && FKeysFrame->SelectedHasParent();
    for (QAction* action : FNewValues)
        action->setEnabled(below);
}

void TfrmValues::ShowMenu(const QPoint& pos)
{
    if (!FValues)
        return;
    UpdateCommands();
    FMenu->popup(FList->viewport()->mapToGlobal(pos));
}

void TfrmValues::NewValue(uint32_t type)
{
    if (!FValues || !FKeysFrame || !FKeysFrame->SelectedHasParent())
        return;
    auto value = std::make_unique<TValue>(type);
    value->SetName("New " + ValueTypeToName(type) + " value");
    try {
        if (!value->Edit())
            return;
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
        return;
    }
    TValue* added = value.get();
    FKeysFrame->AddValue(std::move(value));
    int row = AddRow(added);
    FList->clearSelection();
    FList->setCurrentCell(row, 0);
    FList->selectRow(row);
}

void TfrmValues::ModifyValue()
{
    std::vector<int> rows = SelectedRows();
    int row = FList->currentRow();
    if (std::find(rows.begin(), rows.end(), row) == rows.end())
        row = rows.empty() ? -1 : rows.front();
    TValue* value = row >= 0 ? RowValue(row) : nullptr;
    if (!value)
        return;
    try {
        if (value->Edit())
            ShowRow(row, *value);
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
    }
}

void TfrmValues::RenameValue()
{
    std::vector<int> rows = SelectedRows();
    if (rows.size() != 1)
        return;
    TValue* value = RowValue(rows.front());
    if (!value || value->IsDefault())
        return;
    FList->setCurrentCell(rows.front(), 0);
    FList->editItem(FList->item(rows.front(), 0));
}

void TfrmValues::DeleteValues()
{
    std::vector<int> rows = SelectedRows();
    for (int row : rows)
        if (TValue* value = RowValue(row); !value || value->IsDefault())
            return;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        TValue* value = RowValue(*it);
        FList->removeRow(*it);
        if (FKeysFrame)
            FKeysFrame->RemoveValue(value);
    }
    UpdateCommands();
}

void TfrmValues::ItemChanged(QTableWidgetItem* item)
{
    if (FFilling || item->column() != 0)
        return;
    TValue* value = RowValue(item->row());
    if (!value)
        return;
    QString typed = item->text();
    if (typed == AnsiToQt(value->GetDisplayName()))
        return;
    std::string refusal;
    // An empty name is the default value's, which every key has already.
    std::optional<std::string> name = value->IsDefault() || typed.isEmpty() ? std::nullopt : QtToAnsi(typed, &refusal);
    if (!name) {
        ShowRow(item->row(), *value);
        if (!refusal.empty())
            FMessages->ShowMessage(refusal);
        return;
    }
    value->SetName(*name);
}
