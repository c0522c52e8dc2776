#include "ui/parts/DialogParts.h"

#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

QDialogButtonBox* NewOkCancelBox(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    // Through the pointer to the virtual accept, so that a dialog's own
    // checks run.
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* button : buttons) {
        if (button)
            row->addWidget(button);
        else
            row->addSpacing(8);
    }
    return row;
}

QPushButton* NewPushButton(const QString& text, const char* objectName, QWidget* parent, QStyle::StandardPixmap icon)
{
    auto* button = icon == QStyle::SP_CustomBase ? new QPushButton(text, parent)
                                                 : new QPushButton(parent->style()->standardIcon(icon), text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

QVBoxLayout* LayOutFixedDialog(QDialog* dialog, int margin, int spacing, std::initializer_list<TDialogPart> parts)
{
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    for (const TDialogPart& part : parts) {
        if (part.Widget)
            layout->addWidget(part.Widget, part.Stretch);
        else
            layout->addLayout(part.Layout, part.Stretch);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return layout;
}

QVBoxLayout* LayOutPropertyDialog(QDialog* dialog, QLayout* content, QWidget* buttons)
{
    return LayOutFixedDialog(dialog, 12, 12, {{content, 1}, buttons});
}

QVBoxLayout* NewLabelColumn()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    return column;
}

void AddLabelled(QVBoxLayout* column, const QString& label, QWidget* control, QWidget* buddy, int stretch)
{
    if (column->count() > 0)
        column->addSpacing(6);
    column->addWidget(NewBuddyLabel(label, buddy ? buddy : control, control->parentWidget()));
    column->addWidget(control, stretch);
}

QGridLayout* NewFormGrid()
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    return grid;
}

QLabel* NewGridLabel(const char* text, QWidget* buddy, QWidget* parent)
{
    QLabel* label = NewBuddyLabel(QString::fromLatin1(text), buddy, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QToolButton* NewBrowseButton(const char* objectName, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

bool RefuseEntry(TMessageService* messages, const char* message)
{
    messages->ShowError(ErrorBoxText(message));
    return false;
}

std::optional<std::string> EnteredAnsi(const QLineEdit* edit, TMessageService* messages)
{
    std::string refusal;
    std::optional<std::string> text = QtToAnsi(edit->text(), &refusal);
    if (!text)
        messages->ShowMessage(refusal);
    return text;
}
