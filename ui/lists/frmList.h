#pragma once

// The report list that the list tabs embed: whole-row, multiple selection,
// grid lines, no in-place editing, and the commands Add, Properties and
// Delete whose work the owning frame supplies. Rows live in a model of their
// own, so that filling 20,000 of them is one reset of the view rather than a
// layout per row.

#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QTableView;
class TListRows;

class TfrmList : public QWidget {
    Q_OBJECT
public:
    struct TColumn {
        QString Caption;
        int Width;
    };
    // One row: the object it stands for (not owned) and its cells.
    struct TRow {
        void* Object;
        QStringList Cells;
    };

    explicit TfrmList(QWidget* parent = nullptr);
    ~TfrmList() override;

    // Removes every column (and row) and creates these. The widths are
    // shares: the columns divide the list's width in their proportions.
    void SetColumns(const std::vector<TColumn>& columns);
    // The columns' shares as the author set them by dragging, as text for
    // the settings ("80,120,120,80"); SetColumnShares takes such a text back
    // (one that does not fit the columns is ignored).
    std::string ColumnShares() const;
    void SetColumnShares(const std::string& text);
    // Called when the author resized a column.
    std::function<void()> OnColumnsResized;
    // Replaces the rows. Selected rows whose object is among the new rows
    // stay selected, and so does the current row.
    void SetRows(std::vector<TRow> rows);
    // The cells of the row that shows the object, if any.
    void UpdateRow(const void* object, const QStringList& cells);

    // The objects of the selected rows, in row order.
    std::vector<void*> SelectedObjects() const;
    // The same for a list whose rows all stand for objects of type T.
    template <typename T>
    std::vector<T*> SelectedObjectsOf() const
    {
        std::vector<T*> objects;
        for (void* object : SelectedObjects())
            objects.push_back(static_cast<T*>(object));
        return objects;
    }
    int SelectedCount() const;
    int RowCount() const;

    // Releasing Delete in the list runs Delete (the file list only).
    void SetDeleteKey(bool enabled) { FDeleteKey = enabled; }

    QAction* AddAction() const { return FAdd; }
    QAction* PropertiesAction() const { return FProperties; }
    QAction* DeleteAction() const { return FDelete; }
    QTableView* View() const { return FView; }

    // Properties for exactly one selected row, Delete for at least one, Add
    // always.
    void UpdateCommands();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMenu(const QPoint& pos);
    // Lays the columns out over the view's width in their shares.
    void ApplyShares();
    void ColumnResized(int column);

    std::vector<int> FShares;
    bool FApplyingShares = false;

    QTableView* FView;
    TListRows* FRows;
    QMenu* FMenu;
    QAction* FAdd;
    QAction* FProperties;
    QAction* FDelete;
    bool FDeleteKey = false;
};
