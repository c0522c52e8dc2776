#include "ui/main/fmSigning.h"

#include "package/PackageSigner.h"
#include "storage/Settings.h"
#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfmSigning::TfmSigning(TFileDialogs* dialogs, TMessageService* messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FDialogs(dialogs), FMessages(messages)
{
    setWindowTitle(QStringLiteral("Signing"));
    eCertificate = new QLineEdit(this);
    eCertificate->setObjectName(QStringLiteral("eCertificate"));
    eCertificate->setMinimumWidth(320);
    auto* btBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));
    btBrowse->setAccessibleName(QStringLiteral("Browse for the certificate file"));
    ePassword = new QLineEdit(this);
    ePassword->setObjectName(QStringLiteral("ePassword"));
    ePassword->setEchoMode(QLineEdit::Password);
    eTimestamp = new QLineEdit(this);
    eTimestamp->setObjectName(QStringLiteral("eTimestamp"));
    eTimestamp->setPlaceholderText(QStringLiteral("http://timestamp.example.com"));
    auto* note = new QLabel(QStringLiteral("Leave the certificate empty to build unsigned packages. The password "
                                           "is kept until the builder closes and never saved; when it is empty, "
                                           "the %1 environment variable is used.")
                                .arg(QLatin1String(TPackageSigner::PasswordVariable)),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(btBrowse, &QPushButton::clicked, this, &TfmSigning::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(NewBuddyLabel(QStringLiteral("&Certificate file (PKCS#12):"), eCertificate, this), 0, 0);
    grid->addWidget(eCertificate, 0, 1);
    grid->addWidget(btBrowse, 0, 2);
    grid->addWidget(NewBuddyLabel(QStringLiteral("&Password:"), ePassword, this), 1, 0);
    grid->addWidget(ePassword, 1, 1, 1, 2);
    grid->addWidget(NewBuddyLabel(QStringLiteral("&Time-stamping service:"), eTimestamp, this), 2, 0);
    grid->addWidget(eTimestamp, 2, 1, 1, 2);
    grid->addWidget(note, 3, 0, 1, 3);
    grid->addWidget(buttons, 4, 0, 1, 3);
    setTabOrder(eCertificate, btBrowse);
    setTabOrder(btBrowse, ePassword);
    setTabOrder(ePassword, eTimestamp);
}

void TfmSigning::SetFrom(const TSettings& settings, const std::string& password)
{
    eCertificate->setText(AnsiToQt(settings.ReadSetting("signpkcs12")));
    eTimestamp->setText(AnsiToQt(settings.ReadSetting("signtimestamp")));
    ePassword->setText(QString::fromStdString(password));
}

bool TfmSigning::StoreInto(TSettings& settings) const
{
    // The settings hold Windows-1252 text, like every path of a project.
    std::string refusal;
    std::optional<std::string> certificate = QtToAnsi(eCertificate->text().trimmed(), &refusal);
    std::optional<std::string> timestamp = QtToAnsi(eTimestamp->text().trimmed(), &refusal);
    if (!certificate || !timestamp) {
        if (FMessages)
            FMessages->ShowError(refusal);
        return false;
    }
    settings.WriteSetting("signpkcs12", *certificate);
    settings.WriteSetting("signtimestamp", *timestamp);
    return true;
}

std::string TfmSigning::Password() const
{
    return ePassword->text().toStdString();
}

void TfmSigning::Browse()
{
    std::string path = FDialogs ? FDialogs->OpenAnyFile() : std::string();
    if (!path.empty())
        eCertificate->setText(HostPathToQt(path));
}
