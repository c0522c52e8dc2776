#include "ui/build/fmBuildMaker.h"

#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "ui/build/fmPairChoose.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const char* const ChooseBuildFirst = "Choose a build first.";

}

TfmBuildMaker::TfmBuildMaker(TMessageService* messages, QWidget* parent)
    : QDialog(parent, FixedDialogFlags), FMessages(messages)
{
    setObjectName(QStringLiteral("fmBuildMaker"));
    setWindowTitle(QStringLiteral("Build Wizard"));

    lbBuilds = NewNamed<QListWidget>("lbBuilds", this);
    lbBuilds->setSelectionMode(QAbstractItemView::SingleSelection);
    lbBuilds->setFixedSize(300, 230);
    // A list takes no name from the label that is its buddy.
    lbBuilds->setAccessibleName(QStringLiteral("Available Build Configurations"));
    auto* caption = new QLabel(QStringLiteral("Available Build Configurations:"), this);
    caption->setBuddy(lbBuilds);

    brAddBuild = NewPushButton(QStringLiteral("Add Build"), "brAddBuild", this);
    btDeleteBuild = NewPushButton(QStringLiteral("Delete Build"), "btDeleteBuild", this);
    btEditBuild = NewPushButton(QStringLiteral("Edit Build"), "btEditBuild", this);
    btOk = NewPushButton(QStringLiteral("OK"), "btOk", this, QStyle::SP_DialogOkButton);
    btOk->setDefault(true);
    btCancel = NewPushButton(QStringLiteral("Cancel"), "btCancel", this, QStyle::SP_DialogCancelButton);
    connect(brAddBuild, &QPushButton::clicked, this, &TfmBuildMaker::brAddBuildClick);
    connect(btDeleteBuild, &QPushButton::clicked, this, &TfmBuildMaker::btDeleteBuildClick);
    connect(btEditBuild, &QPushButton::clicked, this, &TfmBuildMaker::btEditBuildClick);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The build commands stand beside the list, OK and Cancel at the foot.
    auto* commands = new QVBoxLayout;
    commands->setSpacing(6);
    for (QPushButton* button : {brAddBuild, btEditBuild, btDeleteBuild}) {
        button->setMinimumWidth(100);
        button->setAutoDefault(false);
        commands->addWidget(button);
    }
    commands->addStretch(1);
    QHBoxLayout* footer = NewButtonRow({btOk, btCancel});

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(6);
    layout->addWidget(caption, 0, 0);
    layout->addWidget(lbBuilds, 1, 0);
    layout->addLayout(commands, 1, 1);
    layout->addLayout(footer, 2, 0, 1, 2);
    layout->setRowMinimumHeight(2, 40);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmBuildMaker::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CenterOnScreen(*this);
}

void TfmBuildMaker::SetPairs(const TPairList* pairs)
{
    FPairs = pairs;
}

void TfmBuildMaker::SetLanguageManager(const TLanguageManager* manager)
{
    FLanguageManager = manager;
}

void TfmBuildMaker::SetProject(TProject* project)
{
    FProject = project;
    lbBuilds->clear();
    FRows.clear();
    if (!FProject)
        return;
    const TPairList noPairs;
    const TLanguages noLanguages;
    PrepareBuilds(*FProject, FPairs ? *FPairs : noPairs,
                  FLanguageManager ? FLanguageManager->Languages() : noLanguages);
    TBuilds& builds = FProject->Builds();
    for (int i = 0; i < builds.Count(); ++i)
        AddItem(builds.GetBuild(i));
    if (lbBuilds->count() > 0)
        lbBuilds->setCurrentRow(0);
}

void TfmBuildMaker::AddItem(TBuild* build)
{
    auto* item = new QListWidgetItem(AnsiToQt(build->Name()), lbBuilds);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    FRows.push_back(build);
}

int TfmBuildMaker::SelectedRow() const
{
    QListWidgetItem* item = lbBuilds->currentItem();
    return item && item->isSelected() ? lbBuilds->row(item) : -1;
}

std::vector<TBuild*> TfmBuildMaker::GetCheckedBuilds() const
{
    std::vector<TBuild*> checked;
    for (int i = 0; i < lbBuilds->count(); ++i)
        if (lbBuilds->item(i)->checkState() == Qt::Checked)
            checked.push_back(FRows[i]);
    return checked;
}

bool TfmBuildMaker::EditBuild(TBuild& build)
{
    TfmPairChoose dialog(FMessages, this);
    dialog.SetPairs(FPairs);
    dialog.SetBuilds(FProject ? &FProject->Builds() : nullptr);
    dialog.SetLanguageManager(FLanguageManager);
    dialog.SetBuild(&build);
    return RunModal(FRunModal, dialog) == QDialog::Accepted;
}

void TfmBuildMaker::brAddBuildClick()
{
    if (!FProject)
        return;
    auto build = std::make_unique<TBuild>();
    if (FLanguageManager) {
        const TLanguages& languages = FLanguageManager->Languages();
        for (int i = 0; i < languages.Count(); ++i)
            if (int32_t id = languages.Items(i)->FLanguage; id != NeutralLanguage)
                build->Languages().Add(id);
    }
    // No language yet is 0, which SetDefaultLanguage turns into the first.
    build->SetDefaultLanguage(0);
    if (!EditBuild(*build))
        return;
    TBuild* added = FProject->Builds().Add(std::move(build));
    AddItem(added);
    lbBuilds->setCurrentRow(lbBuilds->count() - 1);
}

void TfmBuildMaker::btDeleteBuildClick()
{
    int row = SelectedRow();
    if (row < 0) {
        FMessages->ShowMessage(ChooseBuildFirst);
        return;
    }
    TBuild* build = FRows[row];
    FRows.erase(FRows.begin() + row);
    delete lbBuilds->takeItem(row);
    if (FProject)
        FProject->Builds().Remove(build);
}

void TfmBuildMaker::btEditBuildClick()
{
    int row = SelectedRow();
    if (row < 0) {
        FMessages->ShowMessage(ChooseBuildFirst);
        return;
    }
    if (EditBuild(*FRows[row]))
        lbBuilds->item(row)->setText(AnsiToQt(FRows[row]->Name()));
}
