// The Languages tab of the main window: the current-language list, the
// text tree and the editor area with the string editor, the licence editor
// and the wizard preview.

#include "ui/main/fmMain.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "storage/Languages.h"
#include "storage/Resource.h"
#include "storage/TextKeys.h"
#include "storage/uScramble.h"
#include "ui/languages/fmAddLanguage.h"
#include "ui/languages/frmContainter.h"
#include "ui/languages/frmMemoEditor.h"
#include "ui/languages/frmStringEditor.h"
#include "ui/main/ProjectHistory.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// What a node of the text tree stands for.
enum TNodeRole { NodeResource = Qt::UserRole + 1, NodePreview };

const char* const DeleteNeutralMessage = "You can not delete the Neutral language!";
const char* const DeletePrompt = "Are you sure you want to remove the selected language?";

} // namespace

void TfmMain::CreateLanguagesTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    auto* bar = new QHBoxLayout;
    cbLanguages = NewNamed<QComboBox>("cbLanguages", page);
    cbLanguages->setMinimumWidth(160);
    btAddLanguage = NewNamed<QPushButton>("btAddLanguage", QStringLiteral("Add Language"), page);
    btDeleteLanguage = NewNamed<QPushButton>("btDeleteLanguage", QStringLiteral("Delete Language"), page);
    bar->addWidget(NewBuddyLabel(QStringLiteral("&Current Language:"), cbLanguages, page));
    bar->addWidget(cbLanguages);
    bar->addWidget(btAddLanguage);
    bar->addWidget(btDeleteLanguage);
    bar->addStretch(1);
    layout->addLayout(bar);

    auto* splitter = new QSplitter(Qt::Horizontal, page);
    TreeView1 = NewNamed<QTreeWidget>("TreeView1", splitter);
    TreeView1->setHeaderHidden(true);
    TreeView1->setAccessibleName(QStringLiteral("Wizard texts"));
    auto* editors = NewNamed<QWidget>("pEditors", splitter);
    auto* grid = new QGridLayout(editors);
    grid->setContentsMargins(0, 0, 0, 0);
    frmStringEditor = new TfrmStringEditor(FMessages, editors);
    frmMemoEditor = new TfrmMemoEditor(FProgramDir, editors);
    frmContainter = new TfrmContainter(FProgramDir, editors);
    frmContainter->SetDesignMode(true);
    auto showError = [this](const std::string& message) { FMessages->ShowError(ErrorBoxText(message)); };
    frmMemoEditor->OnError = showError;
    frmContainter->OnError = showError;
    for (QWidget* frame : std::initializer_list<QWidget*>{frmStringEditor, frmMemoEditor, frmContainter}) {
        grid->addWidget(frame, 0, 0);
        frame->hide();
    }
    splitter->addWidget(TreeView1);
    splitter->addWidget(editors);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);

    connect(cbLanguages, &QComboBox::currentIndexChanged, this, [this] {
        if (!FFillingLanguages)
            RunCommand([this] { cbLanguagesChange(); });
    });
    connect(btAddLanguage, &QPushButton::clicked, this, [this] {
        RunCommand([this] {
            btAddLanguageClick();
            FHistory->Record("Languages");
        });
    });
    connect(btDeleteLanguage, &QPushButton::clicked, this, [this] {
        RunCommand([this] {
            btDeleteLanguageClick();
            FHistory->Record("Languages");
        });
    });
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { RunCommand([this, node] { TreeView1Change(node); }); });
}

void TfmMain::FillLanguageList()
{
    FFillingLanguages = true;
    cbLanguages->clear();
    const TLanguages& languages = FLanguageManager->Languages();
    for (int i = 0; i < languages.Count(); ++i) {
        int32_t id = languages.Items(i)->FLanguage;
        cbLanguages->addItem(AnsiToQt(LanguageName(id)), id);
        if (id == NeutralLanguage)
            cbLanguages->setCurrentIndex(i);
    }
    FFillingLanguages = false;
    // The manager's current language is the one the list shows.
    if (cbLanguages->currentIndex() >= 0)
        FLanguageManager->SetCurrentLanguage(cbLanguages->currentData().toInt());
}

void TfmMain::BuildTextTree()
{
    // The editors let go of the resources before the tree frees them; a
    // licence being edited reaches its file first.
    frmStringEditor->SetResource(nullptr);
    frmMemoEditor->SetResource(nullptr);
    frmStringEditor->hide();
    frmMemoEditor->hide();
    frmContainter->hide();

    frmContainter->RecreatePages();
    frmContainter->SetAppName(FProject ? FProject->AppName() : std::string());
    frmContainter->SetCompanyName(FProject ? FProject->CompanyName() : std::string());
    frmContainter->SetProjectFolder(FProject ? FProject->ProjectDir() : std::string());
    frmContainter->SetTextsFile(FTextsFile.get());

    TreeView1->blockSignals(true);
    TreeView1->clear();
    FTextResources.clear();
    QTreeWidgetItem* group = nullptr;
    std::string groupName;
    for (const TTextKey& key : TextKeyTable()) {
        if (!group || groupName != key.Group) {
            groupName = key.Group;
            group = new QTreeWidgetItem(TreeView1, {QString::fromLatin1(key.Group)});
            bool preview = groupName == "Welcome Screen" || groupName == "License Agreement Screen" ||
                           groupName == "Finish Screen";
            group->setData(0, NodePreview, preview);
        }
        FTextResources.push_back(CreateResource(key, FTextsFile.get()));
        auto* node = new QTreeWidgetItem(group, {QString::fromLatin1(key.Caption)});
        node->setData(0, NodeResource, QVariant::fromValue<quintptr>(quintptr(FTextResources.back().get())));
    }
    TreeView1->expandAll();
    TreeView1->setCurrentItem(nullptr);
    TreeView1->blockSignals(false);

    frmContainter->SetLanguage(FLanguageManager->CurrentLanguage());
}

void TfmMain::TreeView1Change(QTreeWidgetItem* node)
{
    frmStringEditor->hide();
    frmMemoEditor->hide();
    frmContainter->hide();
    if (!node)
        return;
    int32_t language = FLanguageManager->CurrentLanguage();
    auto* resource = reinterpret_cast<TResource*>(node->data(0, NodeResource).value<quintptr>());
    if (dynamic_cast<TStringResource*>(resource)) {
        frmStringEditor->SetLanguage(language);
        frmStringEditor->SetResource(resource);
        frmStringEditor->show();
    } else if (dynamic_cast<TMemoResource*>(resource)) {
        // Shown even when the file cannot be read, so that the author sees
        // where the message belongs.
        frmMemoEditor->show();
        frmMemoEditor->SetLanguage(language);
        frmMemoEditor->SetResource(resource);
    } else if (node->data(0, NodePreview).toBool()) {
        QString caption = node->text(0);
        int32_t number = caption == QLatin1String("License Agreement Screen") ? 2
                         : caption == QLatin1String("Finish Screen")          ? 3
                                                                              : 1;
        frmContainter->show();
        frmContainter->ShowPageNumber(number);
    }
}

void TfmMain::cbLanguagesChange()
{
    if (cbLanguages->currentIndex() < 0)
        return;
    int32_t language = LanguageFromName(QtToAnsi(cbLanguages->currentText()).value_or(std::string()));
    FLanguageManager->SetCurrentLanguage(language);
    frmStringEditor->SetLanguage(language);
    frmMemoEditor->SetLanguage(language);
    frmContainter->SetLanguage(language);
}

void TfmMain::btAddLanguageClick()
{
    if (!FProject || !FTextsFile)
        return;
    TfmAddLanguage dialog(this);
    dialog.Fill(*FLanguageManager, cbLanguages->currentText());
    if (RunModal(FRunModal, dialog) != QDialog::Accepted || dialog.NewLanguage().isEmpty())
        return;
    std::string newName = QtToAnsi(dialog.NewLanguage()).value_or(std::string());
    std::string basedOnName = QtToAnsi(dialog.BasedOn()).value_or(std::string());
    if (!FLanguageManager->AddLanguage(LanguageFromName(newName), LanguageFromName(basedOnName)))
        return;
    std::string folder = FProject->ProjectDir();
    CopyFileNoOverwrite(AppendPath(folder, "EULA_" + basedOnName + ".txt"),
                        AppendPath(folder, "EULA_" + newName + ".txt"));
    cbLanguages->addItem(dialog.NewLanguage(), LanguageFromName(newName));
    // Selecting the new entry runs cbLanguagesChange through the list.
    cbLanguages->setCurrentIndex(cbLanguages->count() - 1);
}

void TfmMain::btDeleteLanguageClick()
{
    if (!FProject || cbLanguages->currentIndex() < 0)
        return;
    if (cbLanguages->currentText() == QLatin1String("Neutral")) {
        FMessages->ShowMessage(DeleteNeutralMessage);
        return;
    }
    if (FMessages->Confirm(DeletePrompt, TQuestionButtons::YesNo) != TAnswer::Yes)
        return;
    int32_t language = LanguageFromName(QtToAnsi(cbLanguages->currentText()).value_or(std::string()));
    if (!FLanguageManager->DeleteLanguage(language))
        return;
    FFillingLanguages = true;
    cbLanguages->removeItem(cbLanguages->currentIndex());
    cbLanguages->setCurrentIndex(0);
    FFillingLanguages = false;
    cbLanguagesChange();
}
