#include "ui/lists/frmList.h"

#include "ui/parts/Named.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

// The rows of a TfrmList. Each row knows its object; the index from object
// to row keeps the selection across a refill without a search per row.
class TListRows : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetColumns(const std::vector<TfrmList::TColumn>& columns)
    {
        beginResetModel();
        FColumns = columns;
        FRows.clear();
        FIndex.clear();
        endResetModel();
    }

    void SetRows(std::vector<TfrmList::TRow> rows)
    {
        beginResetModel();
        FRows = std::move(rows);
        FIndex.clear();
        FIndex.reserve(FRows.size());
        for (int i = 0; i < int(FRows.size()); ++i)
            FIndex.emplace(FRows[i].Object, i);
        endResetModel();
    }

    void SetCells(int row, const QStringList& cells)
    {
        FRows[row].Cells = cells;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

    int RowOf(const void* object) const
    {
        auto found = FIndex.find(const_cast<void*>(object));
        return found == FIndex.end() ? -1 : found->second;
    }
    void* Object(int row) const { return row >= 0 && row < int(FRows.size()) ? FRows[row].Object : nullptr; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(FRows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(FColumns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return QVariant();
        const QStringList& cells = FRows[index.row()].Cells;
        return index.column() < cells.size() ? cells[index.column()] : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= int(FColumns.size()))
            return QVariant();
        return FColumns[section].Caption;
    }

private:
    std::vector<TfrmList::TColumn> FColumns;
    std::vector<TfrmList::TRow> FRows;
    std::unordered_map<void*, int> FIndex;
};

TfrmList::TfrmList(QWidget* parent) : QWidget(parent)
{
    FRows = new TListRows(this);
    FView = NewNamed<QTableView>("lvList", this);
    FView->setModel(FRows);
    FView->setShowGrid(true);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setWordWrap(false);
    FView->setTextElideMode(Qt::ElideMiddle);
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    FView->setTabKeyNavigation(false);
    FView->verticalHeader()->hide();
    // Fixed row heights let the view place 20,000 rows without measuring them.
    FView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FView->verticalHeader()->setDefaultSectionSize(FView->fontMetrics().height() + 6);
    FView->horizontalHeader()->setHighlightSections(false);
    FView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FView->horizontalHeader()->setStretchLastSection(true);
    // The selection stays visible while another control has the focus: the
    // author looks at the rows a button is about to act on.
    QPalette palette = FView->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    FView->setPalette(palette);
    FView->installEventFilter(this);
    FView->viewport()->installEventFilter(this);
    connect(FView->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int) { ColumnResized(column); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView);

    FAdd = NewNamed<QAction>("aAdd", QStringLiteral("&Add"), this);
    FProperties = NewNamed<QAction>("aProperties", QStringLiteral("&Properties"), this);
    FDelete = NewNamed<QAction>("aDelete", QStringLiteral("&Delete"), this);
    FMenu = NewNamed<QMenu>("pmList", this);
    FMenu->addAction(FAdd);
    FMenu->addAction(FProperties);
    FMenu->addAction(FDelete);

    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfrmList::UpdateCommands);
    connect(FRows, &QAbstractItemModel::modelReset, this, &TfrmList::UpdateCommands);
    connect(FView, &QTableView::doubleClicked, this, [this] {
        UpdateCommands();
        if (FProperties->isEnabled())
            FProperties->trigger();
    });
    connect(FView, &QTableView::customContextMenuRequested, this, &TfrmList::ShowMenu);
    UpdateCommands();
}

TfrmList::~TfrmList() = default;

void TfrmList::SetColumns(const std::vector<TColumn>& columns)
{
    FRows->SetColumns(columns);
    FShares.clear();
    for (const TColumn& column : columns)
        FShares.push_back(std::max(1, column.Width));
    ApplyShares();
}

void TfrmList::ApplyShares()
{
    const int count = int(FShares.size());
    if (count == 0)
        return;
    const int width = std::max(FView->viewport()->width(), 0);
    int total = 0;
    for (int share : FShares)
        total += share;
    FApplyingShares = true;
    // Before the view has a width of its own the shares are the widths.
    int used = 0;
    QHeaderView* header = FView->horizontalHeader();
    header->setStretchLastSection(false);
    for (int i = 0; i < count - 1; ++i) {
        const int columnWidth = width > 0 ? int(int64_t(width) * FShares[i] / total) : FShares[i];
        FView->setColumnWidth(i, columnWidth);
        used += columnWidth;
    }
    // The last column takes what is left, and keeps taking it as the list
    // changes its width.
    if (width > used)
        FView->setColumnWidth(count - 1, width - used);
    header->setStretchLastSection(true);
    FApplyingShares = false;
}

void TfrmList::ColumnResized(int column)
{
    // The last column takes what is left, so only the others are the
    // author's choice; the view's own layout is not.
    const int count = int(FShares.size());
    if (FApplyingShares || column >= count - 1)
        return;
    int used = 0;
    for (int i = 0; i < count - 1; ++i) {
        FShares[i] = std::max(1, FView->columnWidth(i));
        used += FShares[i];
    }
    FShares[count - 1] = std::max(1, FView->viewport()->width() - used);
    if (OnColumnsResized)
        OnColumnsResized();
}

std::string TfrmList::ColumnShares() const
{
    std::string text;
    for (int share : FShares)
        text += (text.empty() ? "" : ",") + std::to_string(share);
    return text;
}

void TfrmList::SetColumnShares(const std::string& text)
{
    std::vector<int> shares;
    for (const QString& part : QString::fromStdString(text).split(QLatin1Char(','))) {
        bool ok = false;
        int share = part.trimmed().toInt(&ok);
        if (!ok || share < 1 || share > 100000)
            return;
        shares.push_back(share);
    }
    if (shares.size() != FShares.size())
        return;
    FShares = std::move(shares);
    ApplyShares();
}

void TfrmList::SetRows(std::vector<TRow> rows)
{
    // The objects behind the old rows may already be gone; only their
    // addresses are compared, never followed.
    std::unordered_set<void*> selected;
    for (const QModelIndex& index : FView->selectionModel()->selectedRows())
        selected.insert(FRows->Object(index.row()));
    void* current = FRows->Object(FView->currentIndex().row());

    FRows->SetRows(std::move(rows));

    QItemSelection selection;
    int first = -1;
    int last = -1;
    auto flush = [&] {
        if (first >= 0)
            selection.select(FRows->index(first, 0), FRows->index(last, FRows->columnCount() - 1));
        first = last = -1;
    };
    if (!selected.empty()) {
        for (int row = 0; row < FRows->rowCount(); ++row) {
            if (selected.count(FRows->Object(row))) {
                if (first < 0)
                    first = row;
                last = row;
            } else {
                flush();
            }
        }
        flush();
    }
    if (int row = current ? FRows->RowOf(current) : -1; row >= 0)
        FView->selectionModel()->setCurrentIndex(FRows->index(row, 0), QItemSelectionModel::NoUpdate);
    if (!selection.isEmpty())
        FView->selectionModel()->select(selection, QItemSelectionModel::Select);
    UpdateCommands();
}

void TfrmList::UpdateRow(const void* object, const QStringList& cells)
{
    if (int row = FRows->RowOf(object); row >= 0)
        FRows->SetCells(row, cells);
}

std::vector<void*> TfrmList::SelectedObjects() const
{
    QModelIndexList rows = FView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<void*> objects;
    objects.reserve(rows.size());
    for (const QModelIndex& index : rows)
        objects.push_back(FRows->Object(index.row()));
    return objects;
}

int TfrmList::SelectedCount() const
{
    return int(FView->selectionModel()->selectedRows().size());
}

int TfrmList::RowCount() const
{
    return FRows->rowCount();
}

void TfrmList::UpdateCommands()
{
    int count = SelectedCount();
    FAdd->setEnabled(true);
    FProperties->setEnabled(count == 1);
    FDelete->setEnabled(count >= 1);
}

void TfrmList::ShowMenu(const QPoint& pos)
{
    int count = SelectedCount();
    FProperties->setEnabled(count == 1);
    FDelete->setEnabled(count >= 1);
    FMenu->popup(FView->viewport()->mapToGlobal(pos));
}

bool TfrmList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FView->viewport() && event->type() == QEvent::Resize)
        ApplyShares();
    if (watched == FView) {
        if (event->type() == QEvent::FocusIn) {
            UpdateCommands();
        } else if (event->type() == QEvent::KeyRelease && FDeleteKey) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete && !key->isAutoRepeat() && key->modifiers() == Qt::NoModifier) {
                UpdateCommands();
                if (FDelete->isEnabled())
                    FDelete->trigger();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
