#include "ui/languages/frmWizardBase.h"

#include "storage/Languages.h"
#include "storage/uScramble.h"
#include "ui/parts/QtText.h"

#include <QLabel>

TfrmWizardBase::TfrmWizardBase(int32_t pageNumber, QWidget* parent) : QFrame(parent), FPageNumber(pageNumber)
{
}

void TfrmWizardBase::SetLanguage(int32_t language)
{
    FLanguage = language;
    for (auto [label, key] : FParagraphs)
        label->setText(Text(key));
    Arrange();
}

QLabel* TfrmWizardBase::AddParagraph(const char* objectName, const char* key, bool bold)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    FParagraphs.emplace_back(label, key);
    return label;
}

void TfrmWizardBase::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Arrange();
}

QString WizardPreviewText(const TScrambeledMemIniFile* textsFile, int32_t language, const std::string& key,
                          const QString& fallback)
{
    if (!textsFile)
        return fallback;
    std::string text = textsFile->ReadString(LanguageName(language), key, "");
    if (text.empty())
        text = textsFile->ReadString(LanguageName(NeutralLanguage), key, "");
    return text.empty() ? fallback : AnsiToQt(text);
}

QString TfrmWizardBase::Text(const char* key, const QString& fallback) const
{
    return WizardPreviewText(FTextsFile, FLanguage, key, fallback);
}
