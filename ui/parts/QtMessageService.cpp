#include "ui/parts/QtMessageService.h"

#include "ui/parts/QtText.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString Caption()
{
    return QApplication::applicationDisplayName();
}

}

std::string ErrorBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

void TQtMessageService::ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption(), AnsiToQt(text), QMessageBox::Ok, FParent);
    box.exec();
}

TAnswer TQtMessageService::Confirm(const std::string& text, TQuestionButtons buttons)
{
    QMessageBox::StandardButtons shown = QMessageBox::Yes | QMessageBox::No;
    if (buttons == TQuestionButtons::YesNoCancel)
        shown |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, Caption(), AnsiToQt(text), shown, FParent);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes: return TAnswer::Yes;
    case QMessageBox::No: return TAnswer::No;
    default:
        // Escape or the title bar's close button on a Yes/No box counts as No,
        // which is what a two-button box can mean at all.
        return buttons == TQuestionButtons::YesNoCancel ? TAnswer::Cancel : TAnswer::No;
    }
}

void TQtMessageService::ShowError(const std::string& text)
{
    QMessageBox box(QMessageBox::Critical, Caption(), AnsiToQt(text), QMessageBox::Ok, FParent);
    box.exec();
}

void TQtMessageService::ShowInformation(const std::string& text)
{
    QMessageBox box(QMessageBox::Information, Caption(), AnsiToQt(text), QMessageBox::Ok, FParent);
    box.exec();
}
