#include "ui/parts/frmBase.h"

#include "ui/lists/frmList.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <exception>

void TfrmBase::RunCommand(TMessageService* messages, const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        if (messages)
            messages->ShowError(ErrorBoxText(e.what()));
    }
}

namespace {

// A push button that runs the action and follows its enabling.
QPushButton* ActionButton(QAction* action, const char* name, const QIcon& icon, QWidget* parent)
{
    auto* button = new QPushButton(icon, action->text(), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(action->isEnabled());
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    return button;
}

}

QLabel* TfrmBase::NewPicturePanel()
{
    auto* picture = NewNamed<QLabel>("imPicture", this);
    picture->setFixedWidth(185);
    picture->setScaledContents(true);
    picture->setFrameShape(QFrame::StyledPanel);
    return picture;
}

QLabel* TfrmBase::NewHeading(const QString& text)
{
    auto* heading = NewNamed<QLabel>("lbHeading", text, this);
    heading->setWordWrap(true);
    return heading;
}

QLabel* TfrmBase::LayOutListPage(const QString& heading, TfrmList* list, const QString& listName)
{
    QLabel* picture = NewPicturePanel();
    picture->hide();

    QLabel* title = NewHeading(heading);
    list->View()->setAccessibleName(listName);
    list->View()->setAccessibleDescription(heading);

    QStyle* st = style();
    QPushButton* properties = ActionButton(list->PropertiesAction(), "btProperties",
                                           st->standardIcon(QStyle::SP_FileDialogDetailedView), this);
    QPushButton* add = ActionButton(list->AddAction(), "btAdd", st->standardIcon(QStyle::SP_FileDialogNewFolder), this);
    QPushButton* remove = ActionButton(list->DeleteAction(), "btDelete", st->standardIcon(QStyle::SP_TrashIcon), this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(properties);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(title);
    right->addWidget(list, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(picture);
    layout->addLayout(right, 1);
    // The list first, then the buttons in the order they stand.
    setTabOrder(list->View(), properties);
    setTabOrder(properties, add);
    setTabOrder(add, remove);
    return picture;
}
