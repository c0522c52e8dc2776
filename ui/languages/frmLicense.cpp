#include "ui/languages/frmLicense.h"

#include "common/Platform.h"
#include "storage/RtfPlaceholders.h"
#include "storage/TextKeys.h"
#include "ui/languages/RichTextConvert.h"
#include "ui/parts/Named.h"

#include <QLabel>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

TfrmLicense::TfrmLicense(const std::string& programDir, QWidget* parent)
    : TfrmWizardBase(2, parent), FProgramDir(programDir)
{
    setObjectName(QStringLiteral("frmLicense"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lLicense1 = NewNamed<QLabel>("lLicense1", this);
    lLicense1->setWordWrap(true);
    lLicense1->setContentsMargins(8, 8, 8, 8);
    RichEdit1 = NewNamed<QTextEdit>("RichEdit1", this);
    RichEdit1->setReadOnly(true);
    RichEdit1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setTabChangesFocus(true);
    RichEdit1->setAccessibleName(QStringLiteral("License agreement"));
    rbAccept = NewNamed<QRadioButton>("rbAccept", this);
    rbDoNotAccept = NewNamed<QRadioButton>("rbDoNotAccept", this);
    rbDoNotAccept->setChecked(true);
    layout->addWidget(lLicense1);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(rbAccept);
    layout->addWidget(rbDoNotAccept);
    connect(rbAccept, &QRadioButton::clicked, this, [this] {
        if (OnAccept)
            OnAccept();
    });
    connect(rbDoNotAccept, &QRadioButton::clicked, this, [this] {
        if (OnDoNotAccept)
            OnDoNotAccept();
    });
}

bool TfrmLicense::Refused() const
{
    return rbDoNotAccept->isChecked();
}

void TfrmLicense::SetLanguage(int32_t language)
{
    TfrmWizardBase::SetLanguage(language);
    lLicense1->setText(Text("2.License1"));
    // A choice without text would leave the radio button nameless.
    QString accept = Text("2.Accept", QStringLiteral("I accept"));
    QString refuse = Text("2.DoNotAccept", QStringLiteral("I do not accept"));
    rbAccept->setText(accept);
    rbDoNotAccept->setText(refuse);
    rbAccept->setAccessibleName(accept.isEmpty() ? QStringLiteral("Accept") : QString(accept).remove(QLatin1Char('&')));
    rbDoNotAccept->setAccessibleName(refuse.isEmpty() ? QStringLiteral("Do not accept")
                                                      : QString(refuse).remove(QLatin1Char('&')));
    LoadLicence();
}

void TfrmLicense::LoadLicence()
{
    RichEdit1->clear();
    if (!FTextsFile)
        return;
    std::string path = ProvideLicenceFile(FProjectFolder, FLanguage, *FTextsFile, FProgramDir);
    QTextDocument* document = RichEdit1->document();
    // Only the view shows the names; the file keeps its placeholders. They
    // are replaced as Setup.exe replaces them, in the text the reader sees.
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    RichToQt(ReadRtf(ExpandLicencePlaceholders(std::string(bytes.begin(), bytes.end()), FAppName, FCompanyName)),
             *document);
    document->setModified(false);
    RichEdit1->moveCursor(QTextCursor::Start);
    RichEdit1->ensureCursorVisible();
}
