#include "ui/parts/CheckList.h"

#include <QCheckBox>
#include <QPalette>
#include <QVBoxLayout>

TCheckList::TCheckList(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    FLayout = new QVBoxLayout(this);
    FLayout->setContentsMargins(4, 2, 4, 2);
    FLayout->setSpacing(0);
}

void TCheckList::AddItem(const QString& text, int data)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QStringLiteral("cbItem%1").arg(FItems.size()));
    int index = int(FItems.size());
    connect(box, &QCheckBox::toggled, this, [this, index] { emit ItemToggled(index); });
    FLayout->addWidget(box);
    FItems.push_back(box);
    FData.push_back(data);
    // The label's mnemonic lands on the first item.
    if (index == 0)
        setFocusProxy(box);
}

void TCheckList::Clear()
{
    setFocusProxy(nullptr);
    for (QCheckBox* box : FItems)
        delete box;
    FItems.clear();
    FData.clear();
}

bool TCheckList::IsChecked(int index) const
{
    return index >= 0 && index < Count() && FItems[index]->isChecked();
}

void TCheckList::SetChecked(int index, bool checked)
{
    if (index >= 0 && index < Count())
        FItems[index]->setChecked(checked);
}
