#include "ui/languages/frmContainter.h"

#include "storage/Languages.h"
#include "storage/uScramble.h"
#include "ui/languages/frmFinish.h"
#include "ui/languages/frmLicense.h"
#include "ui/languages/frmWelcome.h"
#include "ui/parts/Named.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ButtonGap = 8;

QFrame* Bevel(QWidget* parent, QFrame::Shadow shadow)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(shadow);
    return line;
}

} // namespace

TfrmContainter::TfrmContainter(const std::string& programDir, QWidget* parent) : QFrame(parent), FProgramDir(programDir)
{
    setObjectName(QStringLiteral("frmContainter"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(CreateTopBand());
    layout->addWidget(CreateMiddle(), 1);
    layout->addWidget(Bevel(this, QFrame::Sunken));
    layout->addWidget(CreateButtons());
    connect(btNext, &QPushButton::clicked, this, &TfrmContainter::Next);
    connect(btBack, &QPushButton::clicked, this, &TfrmContainter::Back);
    // Finish and Cancel have nothing to finish or cancel in the builder.
}

// The white band with the page's heading.
QWidget* TfrmContainter::CreateTopBand()
{
    auto* band = NewNamed<QFrame>("pTop", this);
    band->setFrameShape(QFrame::Panel);
    band->setFrameShadow(QFrame::Sunken);
    band->setAutoFillBackground(true);
    QPalette white = band->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    band->setPalette(white);
    auto* bandLayout = new QHBoxLayout(band);
    bandLayout->setContentsMargins(12, 10, 12, 10);
    lTopString = NewNamed<QLabel>("lTopString", band);
    QFont bold = lTopString->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    lTopString->setFont(bold);
    lTopString->setWordWrap(true);
    lTopString->setMinimumHeight(32);
    bandLayout->addWidget(lTopString);
    return band;
}

// The setup picture beside the page.
QWidget* TfrmContainter::CreateMiddle()
{
    auto* middle = new QWidget(this);
    auto* middleLayout = new QHBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    middleLayout->setSpacing(0);
    Image1 = NewNamed<QLabel>("Image1", middle);
    Image1->setPixmap(DefaultSetupPicture());
    Image1->setScaledContents(true);
    Image1->setFixedWidth(DefaultSetupPicture().width());
    Image1->setAccessibleName(QStringLiteral("Setup picture"));
    middleLayout->addWidget(Image1);
    pContainer = NewNamed<QWidget>("pContainer", middle);
    auto* pageLayout = new QVBoxLayout(pContainer);
    pageLayout->setContentsMargins(5, 5, 5, 5);
    middleLayout->addWidget(pContainer, 1);
    return middle;
}

QWidget* TfrmContainter::CreateButtons()
{
    pButtons = NewNamed<QWidget>("pButtons", this);
    pButtons->setMinimumHeight(44);
    lbAppName1 = NewNamed<QLabel>("lbAppName1", QStringLiteral("Veltrin Installer"), pButtons);
    lbAppName1->setEnabled(false);
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, pButtons);
        b->setObjectName(QString::fromLatin1(name));
        b->resize(88, 26);
        return b;
    };
    btBack = button("btBack", QStringLiteral("<Back"));
    btNext = button("btNext", QStringLiteral("Next>"));
    btFinish = button("btFinish", QStringLiteral("Finish"));
    btCancel = button("btCancel", QStringLiteral("Cancel"));
    pButtons->installEventFilter(this);
    setTabOrder(btBack, btNext);
    setTabOrder(btNext, btFinish);
    setTabOrder(btFinish, btCancel);
    return pButtons;
}

TfrmContainter::~TfrmContainter() = default;

void TfrmContainter::RecreatePages()
{
    for (TfrmWizardBase* page : FPages)
        delete page;
    FPages.clear();
    FCurrentPage = 0;
    AddPage(new TfrmWelcome(pContainer));
    auto* licence = new TfrmLicense(FProgramDir, pContainer);
    licence->OnAccept = [this] { EnableNext(); };
    licence->OnDoNotAccept = [this] { DisableNext(); };
    AddPage(licence);
    AddPage(new TfrmFinish(pContainer));
}

void TfrmContainter::AddPage(TfrmWizardBase* page)
{
    page->setParent(pContainer);
    pContainer->layout()->addWidget(page);
    page->hide();
    page->SetTextsFile(FTextsFile);
    page->SetProjectFolder(FProjectFolder);
    page->SetAppName(FAppName);
    page->SetCompanyName(FCompanyName);
    FPages.push_back(page);
}

void TfrmContainter::ShowPageNumber(int32_t number)
{
    for (size_t i = 0; i < FPages.size(); ++i) {
        if (FPages[i]->PageNumber() == number) {
            ShowPage(int(i));
            FPages[i]->SetLanguage(FLanguage);
        }
    }
    SetLanguage(FLanguage);
}

void TfrmContainter::ShowPage(int index)
{
    if (index < 0 || index >= int(FPages.size()))
        return;
    for (size_t i = 0; i < FPages.size(); ++i)
        FPages[i]->setVisible(int(i) == index);
    FCurrentPage = index;
    int32_t number = FPages[size_t(index)]->PageNumber();
    const char* key = number == 2 ? "2.TopString" : number == 3 ? "3.TopString" : "1.TopString";
    lTopString->setText(Text(key, QString()));
    FPages[size_t(index)]->SetDesignMode(FDesignMode);
    UpdateButtons();
}

void TfrmContainter::UpdateButtons()
{
    int n = int(FPages.size());
    int i = FCurrentPage;
    btCancel->move(pButtons->width() - btCancel->width() - ButtonGap, (pButtons->height() - btCancel->height()) / 2);
    auto before = [](QPushButton* button, QPushButton* other) {
        button->move(other->x() - button->width() - ButtonGap, other->y());
    };
    if (i == 0) {
        btBack->hide();
        btNext->show();
        btNext->setEnabled(CanGoNext());
        btFinish->hide();
        before(btNext, btCancel);
    } else if (i == n - 1) {
        btBack->show();
        btNext->hide();
        btFinish->show();
        btFinish->setEnabled(CanFinish());
        before(btFinish, btCancel);
        before(btBack, btFinish);
    } else if (i > 0 && i < n - 1) {
        btBack->show();
        btNext->show();
        btNext->setEnabled(CanGoNext());
        btFinish->hide();
        before(btNext, btCancel);
        before(btBack, btNext);
    }
    if (n == 1)
        btBack->hide();
    lbAppName1->move(ButtonGap, (pButtons->height() - lbAppName1->sizeHint().height()) / 2);
    lbAppName1->resize(lbAppName1->sizeHint());
}

bool TfrmContainter::CanGoNext() const
{
    if (FPages.empty() || FCurrentPage < 0 || FCurrentPage >= int(FPages.size()))
        return true;
    auto* licence = qobject_cast<TfrmLicense*>(FPages[size_t(FCurrentPage)]);
    return !(licence && licence->Refused());
}

bool TfrmContainter::CanFinish() const
{
    return btFinish->isVisibleTo(this) ? CanGoNext() : true;
}

void TfrmContainter::EnableNext()
{
    if (btNext->isVisibleTo(this))
        btNext->setEnabled(true);
}

void TfrmContainter::DisableNext()
{
    if (btNext->isVisibleTo(this))
        btNext->setEnabled(false);
}

void TfrmContainter::Next()
{
    Step(1);
}

void TfrmContainter::Back()
{
    Step(-1);
}

void TfrmContainter::Step(int delta)
{
    int index = FCurrentPage + delta;
    if (index < 0 || index >= int(FPages.size()))
        return;
    try {
        ShowPage(index);
        FPages[size_t(index)]->SetLanguage(FLanguage);
    } catch (const std::exception& e) {
        if (OnError)
            OnError(e.what());
    }
}

QString TfrmContainter::Text(const std::string& key, const QString& fallback) const
{
    return WizardPreviewText(FTextsFile, FLanguage, key, fallback);
}

void TfrmContainter::SetLanguage(int32_t language)
{
    FLanguage = language;
    btBack->setText(Text("4.BackBtn", QStringLiteral("Back")));
    btNext->setText(Text("4.NextBtn", QStringLiteral("Next")));
    btFinish->setText(Text("4.FinishBtn", QStringLiteral("Finish")));
    btCancel->setText(Text("4.CancelBtn", QStringLiteral("Cancel")));
    lTopString->setText(Text(std::to_string(FCurrentPage + 1) + ".TopString", QString()));
    for (TfrmWizardBase* page : FPages)
        page->SetLanguage(language);
    UpdateButtons();
}

void TfrmContainter::SetTextsFile(TScrambeledMemIniFile* textsFile)
{
    FTextsFile = textsFile;
    for (TfrmWizardBase* page : FPages)
        page->SetTextsFile(textsFile);
}

void TfrmContainter::SetOnPages(std::string& field, const std::string& value,
                                void (TfrmWizardBase::*set)(const std::string&))
{
    field = value;
    for (TfrmWizardBase* page : FPages)
        (page->*set)(value);
}

void TfrmContainter::SetProjectFolder(const std::string& folder)
{
    SetOnPages(FProjectFolder, folder, &TfrmWizardBase::SetProjectFolder);
}

void TfrmContainter::SetAppName(const std::string& name)
{
    SetOnPages(FAppName, name, &TfrmWizardBase::SetAppName);
}

void TfrmContainter::SetCompanyName(const std::string& name)
{
    SetOnPages(FCompanyName, name, &TfrmWizardBase::SetCompanyName);
}

bool TfrmContainter::eventFilter(QObject* watched, QEvent* event)
{
    // The buttons are placed from the right edge, which moves with the bar.
    if (watched == pButtons && event->type() == QEvent::Resize)
        UpdateButtons();
    return QFrame::eventFilter(watched, event);
}
