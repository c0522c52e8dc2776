#include "ui/languages/frmStringEditor.h"

#include "storage/Languages.h"
#include "storage/MessageBox.h"
#include "storage/Resource.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

QString StoredLine(const QString& typed)
{
    QString text = typed;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar breakChar :
         {QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator), QChar(u'\v'), QChar(u'\f')})
        text.replace(breakChar, QLatin1Char('\n'));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

TfrmStringEditor::TfrmStringEditor(TMessageBox* messages, QWidget* parent) : QFrame(parent), FMessages(messages)
{
    setObjectName(QStringLiteral("frmStringEditor"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    Memo1 = NewNamed<QPlainTextEdit>("Memo1", splitter);
    Memo1->setReadOnly(true);
    Memo1->setTabChangesFocus(true);
    Memo1->setAccessibleName(QStringLiteral("Neutral text"));
    QPalette grey = Memo1->palette();
    grey.setColor(QPalette::Base, palette().color(QPalette::Window));
    Memo1->setPalette(grey);
    Memo2 = NewNamed<QPlainTextEdit>("Memo2", splitter);
    Memo2->setTabChangesFocus(true);
    Memo2->setAccessibleName(QStringLiteral("Text in the current language"));
    splitter->addWidget(Memo1);
    splitter->addWidget(Memo2);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter);
    setFocusProxy(Memo2);
    connect(Memo2, &QPlainTextEdit::textChanged, this, &TfrmStringEditor::Memo2Change);
}

void TfrmStringEditor::SetResource(TResource* resource)
{
    FResource = resource;
    Fill();
}

void TfrmStringEditor::SetLanguage(int32_t language)
{
    FLanguage = language;
    Fill();
}

void TfrmStringEditor::Fill()
{
    FFilling = true;
    Memo1->setPlainText(FResource ? AnsiToQt(FResource->GetText(NeutralLanguage)) : QString());
    Memo2->setPlainText(FResource ? AnsiToQt(FResource->GetText(FLanguage)) : QString());
    FFilling = false;
}

void TfrmStringEditor::Memo2Change()
{
    if (FFilling || !FResource)
        return;
    std::string refusal;
    std::optional<std::string> text = QtToAnsi(StoredLine(Memo2->toPlainText()), &refusal);
    if (!text) {
        // The box goes back to what is stored; half of a text would be a
        // change the author never made.
        QTextCursor cursor = Memo2->textCursor();
        int position = cursor.position();
        Fill();
        cursor = Memo2->textCursor();
        cursor.setPosition(std::min(position, int(Memo2->toPlainText().size())));
        Memo2->setTextCursor(cursor);
        if (FMessages)
            FMessages->ShowMessage(refusal);
        return;
    }
    FResource->SetText(*text, FLanguage);
}
