#include "ui/build/fmMissingFiles.h"

#include "model/Files.h"
#include "model/Folders.h"
#include "model/Platforms.h"
#include "model/Project.h"
#include "ui/lists/FileColumns.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

TfmMissingFiles::TfmMissingFiles(QWidget* parent) : QDialog(parent, PropertyDialogFlags)
{
    setObjectName(QStringLiteral("fmMissingFiles"));
    setWindowTitle(QStringLiteral("Missing Files"));

    QStyle* st = style();
    auto* icon = new QLabel(this);
    icon->setPixmap(st->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(
        QStringLiteral("The following files are missing. Would you like to delete them from the project?"), this);
    text->setWordWrap(true);

    const std::vector<TfrmList::TColumn> columns = FileColumns();
    lvFiles = NewNamed<QTableWidget>("lvFiles", 0, int(columns.size()), this);
    lvFiles->setAccessibleName(QStringLiteral("Missing files"));
    lvFiles->setShowGrid(true);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setWordWrap(false);
    lvFiles->setTextElideMode(Qt::ElideMiddle);
    lvFiles->verticalHeader()->hide();
    lvFiles->verticalHeader()->setDefaultSectionSize(lvFiles->fontMetrics().height() + 6);
    lvFiles->horizontalHeader()->setHighlightSections(false);
    lvFiles->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < int(columns.size()); ++i) {
        lvFiles->setHorizontalHeaderItem(i, new QTableWidgetItem(columns[i].Caption));
        lvFiles->setColumnWidth(i, columns[i].Width);
    }
    // The paths are what the author must recognise; they take the width
    // the dialog has beyond the columns' own.
    lvFiles->horizontalHeader()->setStretchLastSection(false);
    lvFiles->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    lvFiles->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    lvFiles->setFixedSize(620, 220);

    btDelete = NewPushButton(QStringLiteral("Delete"), "btDelete", this, QStyle::SP_TrashIcon);
    btCancel = NewPushButton(QStringLiteral("Cancel"), "btCancel", this, QStyle::SP_DialogCancelButton);
    // Dropping files from the project is the step that cannot be undone
    // here, so Enter does not do it.
    btCancel->setDefault(true);
    connect(btDelete, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(icon);
    header->addWidget(text, 1);
    LayOutFixedDialog(this, 12, 10, {header, lvFiles, NewButtonRow({btDelete, btCancel})});
}

void TfmMissingFiles::SetProject(const TProject* project)
{
    FProject = project;
}

void TfmMissingFiles::SetFiles(const std::vector<TFile*>* files)
{
    FFiles = files;
    lvFiles->setRowCount(0);
    if (!FFiles)
        return;
    lvFiles->setRowCount(int(FFiles->size()));
    int row = 0;
    for (const TFile* file : *FFiles) {
        const QStringList cells = FileCells(*file, FProject);
        for (int column = 0; column < int(cells.size()); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(item->text());
            lvFiles->setItem(row, column, item);
        }
        ++row;
    }
}
