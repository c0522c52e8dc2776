#include "ui/languages/fmAddLanguage.h"

#include "storage/LanguageManager.h"
#include "storage/Languages.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfmAddLanguage::TfmAddLanguage(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fmAddLanguage"));
    setWindowTitle(QStringLiteral("Add Language"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbNewLanguage = NewNamed<QComboBox>("cbNewLanguage", this);
    cbCopyFrom = NewNamed<QComboBox>("cbCopyFrom", this);
    form->addRow(NewBuddyLabel(QStringLiteral("&New Language:"), cbNewLanguage, this), cbNewLanguage);
    form->addRow(NewBuddyLabel(QStringLiteral("&Based on:"), cbCopyFrom, this), cbCopyFrom);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setFixedSize(300, 130);
}

void TfmAddLanguage::Fill(const TLanguageManager& manager, const QString& currentName)
{
    cbNewLanguage->clear();
    cbCopyFrom->clear();
    for (const TLanguageRow& row : LanguageTable())
        if (!manager.Languages().Find(row.Id))
            cbNewLanguage->addItem(AnsiToQt(row.Name));
    if (cbNewLanguage->count() > 0)
        cbNewLanguage->setCurrentIndex(0);
    for (int i = 0; i < manager.Languages().Count(); ++i)
        cbCopyFrom->addItem(AnsiToQt(LanguageName(manager.Languages().Items(i)->FLanguage)));
    cbCopyFrom->setCurrentIndex(std::max(0, cbCopyFrom->findText(currentName)));
    // Without a language left to add, OK has nothing to do.
    if (auto* box = findChild<QDialogButtonBox*>())
        box->button(QDialogButtonBox::Ok)->setEnabled(cbNewLanguage->count() > 0);
}

QString TfmAddLanguage::NewLanguage() const
{
    return cbNewLanguage->currentText();
}

QString TfmAddLanguage::BasedOn() const
{
    return cbCopyFrom->currentText();
}
