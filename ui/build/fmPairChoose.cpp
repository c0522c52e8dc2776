#include "ui/build/fmPairChoose.h"

#include "common/Paths.h"
#include "model/Builds.h"
#include "model/Platforms.h"
#include "package/PackageFiles.h"
#include "storage/LanguageManager.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

const char* const NoPairMessage = "You have to select at least 1 platform/processor pair.";
const char* const NameTakenMessage = "Another build already has this name. Choose a different name!";
const char* const NoNameMessage = "Choose a name for the build first!";
const char* const NoFolderNameMessage =
    "The package is written to a folder of the build's name, and this name leaves no folder name. "
    "Choose a different name!";

// The package goes to W\<name without / \ : * ? " < > |>; a name that leaves
// nothing there, or only dots and blanks, would put it into the work folder
// itself or above it.
bool MakesFolderName(const std::string& name)
{
    std::string folder = StripFileNameChars(name);
    return folder.find_first_not_of(". ") != std::string::npos;
}

QListWidgetItem* AddCheckItem(QListWidget* list, const QString& text)
{
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    return item;
}

QLabel* Caption(const char* text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setBuddy(buddy);
    return label;
}

}

namespace {

// A tab page's column: 12-pixel margins, each caption 4 pixels above its
// control.
QVBoxLayout* NewPageColumn(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(4);
    return layout;
}

}

std::string PairItemText(const TPlatformProcPair& pair)
{
    return PlatformToName(pair.FPlatform) + " / " + ProcessorToName(pair.FProcessor);
}

TfmPairChoose::TfmPairChoose(TMessageService* messages, QWidget* parent)
    : QDialog(parent, FixedDialogFlags), FMessages(messages)
{
    setObjectName(QStringLiteral("fmPairChoose"));
    setWindowTitle(QStringLiteral("Build Configuration"));

    FPages = NewNamed<QTabWidget>("pcPages", this);
    FPages->addTab(CreateGeneralPage(), QStringLiteral("&General"));
    FPages->addTab(CreateLanguagesPage(), QStringLiteral("&Languages"));
    FPages->addTab(CreateSetupPage(), QStringLiteral("&Setup"));

    BitBtn1 = NewPushButton(QStringLiteral("OK"), "BitBtn1", this, QStyle::SP_DialogOkButton);
    BitBtn1->setDefault(true);
    BitBtn2 = NewPushButton(QStringLiteral("Cancel"), "BitBtn2", this, QStyle::SP_DialogCancelButton);
    connect(BitBtn1, &QPushButton::clicked, this, &TfmPairChoose::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    LayOutFixedDialog(this, 10, 10, {FPages, NewButtonRow({BitBtn1, BitBtn2})});
}

QWidget* TfmPairChoose::CreateGeneralPage()
{
    auto* page = new QWidget;
    eBuildName = NewNamed<QLineEdit>("eBuildName", page);
    lbPairs = NewNamed<QListWidget>("lbPairs", page);
    lbPairs->setFixedSize(380, 220);

    QVBoxLayout* layout = NewPageColumn(page);
    layout->addWidget(Caption("Build Name:", eBuildName, page));
    layout->addWidget(eBuildName);
    layout->addSpacing(10);
    layout->addWidget(Caption("Available Platform/Processor CAB files:", lbPairs, page));
    layout->addWidget(lbPairs, 1);
    layout->addSpacing(6);
    cbSignForDevice = NewNamed<QCheckBox>("cbSignForDevice", QStringLiteral("Sign the files for the device"), page);
    cbSignForDevice->setAccessibleName(cbSignForDevice->text());
    cbSignForDevice->setToolTip(
        QStringLiteral("The build's CAB files and the programs in them are signed with "
                       "the device certificate of Project > Signing."));
    cbSignForDevice->setAccessibleDescription(cbSignForDevice->toolTip());
    layout->addWidget(cbSignForDevice);
    return page;
}

QWidget* TfmPairChoose::CreateLanguagesPage()
{
    auto* page = new QWidget;
    lbLanguages = NewNamed<QListWidget>("lbLanguages", page);
    cbDefaultLanguage = NewNamed<QComboBox>("cbDefaultLanguage", page);
    cbDefaultLanguage->setMinimumWidth(200);
    connect(lbLanguages, &QListWidget::itemChanged, this, [this] {
        if (!FFilling)
            lbLanguagesClickCheck();
    });

    auto* defaultRow = new QHBoxLayout;
    defaultRow->addWidget(cbDefaultLanguage);
    defaultRow->addStretch(1);
    QVBoxLayout* layout = NewPageColumn(page);
    layout->addWidget(Caption("Languages To &Include:", lbLanguages, page));
    layout->addWidget(lbLanguages, 1);
    layout->addSpacing(10);
    layout->addWidget(Caption("&Default Language:", cbDefaultLanguage, page));
    layout->addLayout(defaultRow);
    return page;
}

QWidget* TfmPairChoose::CreateSetupPage()
{
    auto* page = new QWidget;
    cbSetupType = NewNamed<QComboBox>("cbSetupType", page);
    cbSetupType->addItems({QStringLiteral("Normal"), QStringLiteral("Modern")});
    cbSetupType->setMinimumWidth(200);

    auto* sfxGroup = NewNamed<QGroupBox>("rgSFX", QStringLiteral("Self Extractor"), page);
    rgSFX = new QButtonGroup(sfxGroup);
    auto* sfxLayout = new QVBoxLayout(sfxGroup);
    int mode = 0;
    for (auto [name, text] : {std::pair{"rbNoUserInterface", "No User Interface"},
                              std::pair{"rbShowProgress", "Show Extraction Progress"}}) {
        auto* button = NewNamed<QRadioButton>(name, QString::fromLatin1(text), sfxGroup);
        rgSFX->addButton(button, mode++);
        sfxLayout->addWidget(button);
    }

    auto* windows = new QGroupBox(QStringLiteral("Setup Windows"), page);
    cbShowWelcome = NewNamed<QCheckBox>("cbShowWelcome", QStringLiteral("Show Welcome Screen"), windows);
    cbShowEULA = NewNamed<QCheckBox>("cbShowEULA", QStringLiteral("Show License Agreement Screen"), windows);
    cbShowFinish = NewNamed<QCheckBox>("cbShowFinish", QStringLiteral("Show Finish Screen"), windows);
    auto* windowsLayout = new QVBoxLayout(windows);
    for (QCheckBox* box : {cbShowWelcome, cbShowEULA, cbShowFinish})
        windowsLayout->addWidget(box);

    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(cbSetupType);
    typeRow->addStretch(1);
    QVBoxLayout* layout = NewPageColumn(page);
    layout->addWidget(Caption("Setup &Type:", cbSetupType, page));
    layout->addLayout(typeRow);
    layout->addSpacing(12);
    layout->addWidget(sfxGroup);
    layout->addSpacing(8);
    layout->addWidget(windows);
    layout->addStretch(1);
    return page;
}

void TfmPairChoose::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CenterOnScreen(*this);
}

void TfmPairChoose::SetPairs(const TPairList* pairs)
{
    FPairs = pairs;
    lbPairs->clear();
    if (!FPairs)
        return;
    for (const auto& pair : *FPairs)
        AddCheckItem(lbPairs, AnsiToQt(PairItemText(*pair)));
}

void TfmPairChoose::SetBuilds(const TBuilds* builds)
{
    FBuilds = builds;
}

void TfmPairChoose::SetLanguageManager(const TLanguageManager* manager)
{
    FLanguageManager = manager;
    FFilling = true;
    lbLanguages->clear();
    FLanguageRows.clear();
    if (FLanguageManager) {
        const TLanguages& languages = FLanguageManager->Languages();
        for (int i = 0; i < languages.Count(); ++i) {
            int32_t id = languages.Items(i)->FLanguage;
            if (id == NeutralLanguage)
                continue;
            AddCheckItem(lbLanguages, AnsiToQt(LanguageName(id)));
            FLanguageRows.push_back(id);
        }
    }
    FFilling = false;
}

void TfmPairChoose::SetBuild(TBuild* build)
{
    FBuild = build;
    if (!FBuild)
        return;
    eBuildName->setText(AnsiToQt(FBuild->Name()));
    FFilling = true;
    if (FPairs)
        for (int i = 0; i < lbPairs->count() && i < int(FPairs->size()); ++i)
            lbPairs->item(i)->setCheckState(FBuild->HasPair(*(*FPairs)[i]) ? Qt::Checked : Qt::Unchecked);
    for (int i = 0; i < lbLanguages->count(); ++i)
        lbLanguages->item(i)->setCheckState(FBuild->Languages().Find(FLanguageRows[i]) ? Qt::Checked : Qt::Unchecked);
    FFilling = false;

    std::vector<int32_t> languages;
    for (int i = 0; i < FBuild->Languages().Count(); ++i)
        languages.push_back(FBuild->Languages().Items(i)->FLanguage);
    FillDefaultLanguages(languages, FBuild->DefaultLanguage());

    // A value from outside the tables (a project file is not range-checked)
    // shows no selection, and OK then keeps the value as it is.
    cbSetupType->setCurrentIndex(FBuild->SetupType() < cbSetupType->count() ? FBuild->SetupType() : -1);
    if (QAbstractButton* button = rgSFX->button(FBuild->SfxMode())) {
        button->setChecked(true);
    } else {
        rgSFX->setExclusive(false);
        for (QAbstractButton* b : rgSFX->buttons())
            b->setChecked(false);
        rgSFX->setExclusive(true);
    }
    cbShowWelcome->setChecked(FBuild->ShowWelcome());
    cbShowEULA->setChecked(FBuild->ShowEULA());
    cbShowFinish->setChecked(FBuild->ShowFinish());
    cbSignForDevice->setChecked(FBuild->SignForDevice());
}

void TfmPairChoose::FillDefaultLanguages(const std::vector<int32_t>& languages, int32_t selected)
{
    cbDefaultLanguage->clear();
    for (int32_t id : languages)
        cbDefaultLanguage->addItem(AnsiToQt(LanguageName(id)), QVariant(int(id)));
    cbDefaultLanguage->setCurrentIndex(cbDefaultLanguage->findData(QVariant(int(selected))));
}

std::vector<int32_t> TfmPairChoose::CheckedLanguages() const
{
    std::vector<int32_t> checked;
    for (int i = 0; i < lbLanguages->count(); ++i)
        if (lbLanguages->item(i)->checkState() == Qt::Checked)
            checked.push_back(FLanguageRows[i]);
    return checked;
}

void TfmPairChoose::lbLanguagesClickCheck()
{
    int index = cbDefaultLanguage->currentIndex();
    int32_t selected = index >= 0 ? cbDefaultLanguage->itemData(index).toInt() : -1;
    FillDefaultLanguages(CheckedLanguages(), selected);
}

int32_t TfmPairChoose::SelectedDefaultLanguage() const
{
    int index = cbDefaultLanguage->currentIndex();
    return index >= 0 ? cbDefaultLanguage->itemData(index).toInt() : 0;
}

void TfmPairChoose::BitBtn1Click()
{
    std::string name;
    if (!FormClose(name))
        return;
    StoreBuild(name);
    accept();
}

bool TfmPairChoose::FormClose(std::string& name)
{
    bool anyPair = false;
    for (int i = 0; i < lbPairs->count(); ++i)
        anyPair = anyPair || lbPairs->item(i)->checkState() == Qt::Checked;
    if (!anyPair) {
        FPages->setCurrentIndex(0);
        lbPairs->setFocus();
        FMessages->ShowMessage(NoPairMessage);
        return false;
    }

    std::string refusal;
    std::optional<std::string> typed = QtToAnsi(eBuildName->text(), &refusal);
    if (!typed) {
        FPages->setCurrentIndex(0);
        eBuildName->setFocus();
        FMessages->ShowMessage(refusal);
        return false;
    }
    if (FBuilds) {
        for (int i = 0; i < FBuilds->Count(); ++i) {
            const TBuild* other = FBuilds->GetBuild(i);
            if (other && other != FBuild && other->Name() == *typed) {
                FPages->setCurrentIndex(0);
                eBuildName->setFocus();
                FMessages->ShowMessage(NameTakenMessage);
                return false;
            }
        }
    }
    if (typed->empty() || !MakesFolderName(*typed)) {
        FPages->setCurrentIndex(0);
        eBuildName->setFocus();
        FMessages->ShowMessage(typed->empty() ? NoNameMessage : NoFolderNameMessage);
        return false;
    }
    // Builds whose names give one folder would overwrite each other's package.
    if (FBuilds) {
        for (int i = 0; i < FBuilds->Count(); ++i) {
            const TBuild* other = FBuilds->GetBuild(i);
            if (other && other != FBuild && SameBuildFolder(other->Name(), *typed)) {
                FPages->setCurrentIndex(0);
                eBuildName->setFocus();
                FMessages->ShowMessage(BuildFolderTakenMessage(*other));
                return false;
            }
        }
    }
    name = *typed;
    return true;
}

void TfmPairChoose::StoreBuild(const std::string& name)
{
    if (!FBuild)
        return;
    TLanguages& languages = FBuild->Languages();
    languages.Clear();
    for (int32_t id : CheckedLanguages())
        languages.Add(id);
    FBuild->SetDefaultLanguage(SelectedDefaultLanguage());
    if (cbSetupType->currentIndex() >= 0)
        FBuild->SetSetupType(uint8_t(cbSetupType->currentIndex()));
    if (rgSFX->checkedId() >= 0)
        FBuild->SetSfxMode(rgSFX->checkedId());
    FBuild->SetShowWelcome(cbShowWelcome->isChecked());
    FBuild->SetShowEULA(cbShowEULA->isChecked());
    FBuild->SetShowFinish(cbShowFinish->isChecked());
    FBuild->SetSignForDevice(cbSignForDevice->isChecked());

    FBuild->ClearPairs();
    if (FPairs)
        for (int i = 0; i < lbPairs->count() && i < int(FPairs->size()); ++i)
            if (lbPairs->item(i)->checkState() == Qt::Checked)
                FBuild->AddPair(std::make_unique<TPlatformProcPair>(*(*FPairs)[i]));
    FBuild->SetName(name);
}
