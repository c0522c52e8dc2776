#include "ui/frmFinish.h"

#include <QLabel>

TfrmFinish::TfrmFinish(QWidget* parent) : TfrmWizardBase(3, parent)
{
    setObjectName(QStringLiteral("frmFinish"));
    lFinish1 = new QLabel(this);
    lFinish1->setObjectName(QStringLiteral("lFinish1"));
    QFont bold = lFinish1->font();
    bold.setBold(true);
    lFinish1->setFont(bold);
    lFinish2 = new QLabel(this);
    lFinish2->setObjectName(QStringLiteral("lFinish2"));
    for (QLabel* label : {lFinish1, lFinish2}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
}

void TfrmFinish::SetLanguage(int32_t language)
{
    TfrmWizardBase::SetLanguage(language);
    lFinish1->setText(Text("3.String1"));
    lFinish2->setText(Text("3.String2"));
    Arrange();
}

void TfrmFinish::resizeEvent(QResizeEvent* event)
{
    TfrmWizardBase::resizeEvent(event);
    Arrange();
}

void TfrmFinish::Arrange()
{
    int width = std::max(1, this->width() - 10);
    int first = std::max(0, lFinish1->heightForWidth(width));
    lFinish1->setGeometry(0, 8, width, first);
    lFinish2->setGeometry(0, 8 + first + 8, width, std::max(0, lFinish2->heightForWidth(width)));
}
