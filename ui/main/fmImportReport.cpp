#include "ui/main/fmImportReport.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfmImportReport::TfmImportReport(const QString& text, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fmImportReport"));
    setWindowTitle(QStringLiteral("Import Report"));
    mmReport = new QPlainTextEdit(text, this);
    mmReport->setObjectName(QStringLiteral("mmReport"));
    mmReport->setAccessibleName(QStringLiteral("Import Report"));
    mmReport->setReadOnly(true);
    mmReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmReport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("btCopy"));
    connect(copy, &QPushButton::clicked, this, &TfmImportReport::CopyText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mmReport);
    layout->addWidget(buttons);
    resize(720, 360);
}

void TfmImportReport::CopyText()
{
    QApplication::clipboard()->setText(mmReport->toPlainText());
}
