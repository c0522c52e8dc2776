#include "ui/languages/frmWelcome.h"

#include "ui/parts/Named.h"

#include <QComboBox>
#include <QLabel>

TfrmWelcome::TfrmWelcome(QWidget* parent) : TfrmWizardBase(1, parent)
{
    setObjectName(QStringLiteral("frmWelcome"));
    lWelcome1 = AddParagraph("lWelcome1", "1.String1", true);
    lWelcome2 = AddParagraph("lWelcome2", "1.String2");
    lWelcome3 = AddParagraph("lWelcome3", "1.String3");
    lWelcome4 = AddParagraph("lWelcome4", "1.String4");
    cbLanguage = NewNamed<QComboBox>("cbLanguage", this);
    cbLanguage->setMinimumWidth(140);
    lWelcome4->setBuddy(cbLanguage);
    cbLanguage->setAccessibleName(QStringLiteral("Language of the setup"));
}

void TfrmWelcome::SetLanguage(int32_t language)
{
    TfrmWizardBase::SetLanguage(language);
    QString label = lWelcome4->text().trimmed();
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    cbLanguage->setAccessibleName(label.isEmpty() ? QStringLiteral("Language of the setup") : label);
}

void TfrmWelcome::Arrange()
{
    int width = std::max(1, this->width() - 8);
    int top = 6;
    for (QLabel* label : {lWelcome1, lWelcome2, lWelcome3}) {
        int height = label->text().isEmpty() ? 0 : label->heightForWidth(width);
        label->setGeometry(0, top, width, std::max(0, height));
        top += std::max(0, height) + 8;
    }
    // The label keeps its text on one line where the page is wide enough;
    // a word-wrapped label's size hint would break it early.
    int natural = lWelcome4->fontMetrics().horizontalAdvance(lWelcome4->text()) + 4;
    int labelWidth = std::clamp(natural, 40, std::max(40, width - cbLanguage->sizeHint().width() - 8));
    int labelHeight = std::max(lWelcome4->heightForWidth(labelWidth), lWelcome4->sizeHint().height());
    int labelTop = height() - 26 - labelHeight;
    lWelcome4->setGeometry(0, labelTop, labelWidth, labelHeight);
    QSize combo = cbLanguage->sizeHint();
    cbLanguage->setGeometry(labelWidth + 4, labelTop - 5, std::max(combo.width(), 140), combo.height());
}
