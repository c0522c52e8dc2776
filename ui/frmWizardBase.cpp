#include "ui/frmWizardBase.h"

#include "storage/Languages.h"
#include "storage/uScramble.h"
#include "ui/QtText.h"

TfrmWizardBase::TfrmWizardBase(int32_t pageNumber, QWidget* parent) : QFrame(parent), FPageNumber(pageNumber)
{
}

void TfrmWizardBase::SetLanguage(int32_t language)
{
    FLanguage = language;
}

QString TfrmWizardBase::Text(const char* key) const
{
    if (!FTextsFile)
        return QString();
    return AnsiToQt(FTextsFile->ReadString(LanguageName(FLanguage), key, ""));
}
