#include "ui/languages/frmFinish.h"

#include <QLabel>

TfrmFinish::TfrmFinish(QWidget* parent) : TfrmWizardBase(3, parent)
{
    setObjectName(QStringLiteral("frmFinish"));
    lFinish1 = AddParagraph("lFinish1", "3.String1", true);
    lFinish2 = AddParagraph("lFinish2", "3.String2");
}

void TfrmFinish::Arrange()
{
    int width = std::max(1, this->width() - 10);
    int first = std::max(0, lFinish1->heightForWidth(width));
    lFinish1->setGeometry(0, 8, width, first);
    lFinish2->setGeometry(0, 8 + first + 8, width, std::max(0, lFinish2->heightForWidth(width)));
}
