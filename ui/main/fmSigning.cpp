#include "ui/main/fmSigning.h"

#include "package/PackageSigner.h"
#include "storage/Settings.h"
#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace {

// The captions of a group's rows: certificate, browse button, password,
// service. The groups share the words but not the mnemonics.
using TCaptions = const char* const[4];
TCaptions PackageCaptions = {"&Certificate file (PKCS#12):", "&Browse...", "&Password:", "&Time-stamping service:"};
TCaptions DeviceCaptions = {"Certificate &file (PKCS#12):", "B&rowse...", "Pass&word:", "Time-&stamping service:"};

// The device signature's digests, as the settings and the signer name them.
// SHA-1 comes first: it is what the Windows Mobile loaders verify.
const char* const DeviceDigests[][2] = {{"sha1", "SHA-1 (every device)"}, {"sha256", "SHA-256 (newer devices only)"}};

}

TfmSigning::TfmSigning(TFileDialogs* dialogs, TMessageService* messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FDialogs(dialogs), FMessages(messages)
{
    setWindowTitle(QStringLiteral("Signing"));
    QGroupBox* package =
        NewCertificateGroup(QStringLiteral("Packages (Setup.exe)"), "", PackageCaptions, FPackage, &TfmSigning::Browse);
    QGroupBox* device = NewCertificateGroup(QStringLiteral("Device (CAB files and their programs)"), "Device",
                                            DeviceCaptions, FDevice, &TfmSigning::BrowseDevice);
    cbDeviceDigest = NewNamed<QComboBox>("cbDeviceDigest", device);
    for (const auto& digest : DeviceDigests)
        cbDeviceDigest->addItem(QString::fromLatin1(digest[1]), QString::fromLatin1(digest[0]));
    auto* deviceGrid = static_cast<QGridLayout*>(device->layout());
    deviceGrid->addWidget(NewBuddyLabel(QStringLiteral("&Digest:"), cbDeviceDigest, device), 3, 0);
    deviceGrid->addWidget(cbDeviceDigest, 3, 1, Qt::AlignLeft);

    auto* note = new QLabel(QStringLiteral("Leave a certificate empty to build without that signature; the device "
                                           "certificate may be the packages' file. Builds sign for the device only "
                                           "when their Build Configuration asks for it. Passwords are kept until "
                                           "the builder closes and never saved; an empty one is taken from the "
                                           "%1 or %2 environment variable.")
                                .arg(QLatin1String(TPackageSigner::PasswordVariable),
                                     QLatin1String(TPackageSigner::DevicePasswordVariable)),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(package);
    layout->addWidget(device);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setTabOrder(FDevice.Timestamp, cbDeviceDigest);
}

QGroupBox* TfmSigning::NewCertificateGroup(const QString& title, const char* prefix, const char* const captions[4],
                                           TCertificateRow& row, void (TfmSigning::*browse)())
{
    // The two groups show the same captions; the device group's controls
    // name themselves as the device's, for a screen reader that reads a
    // control without its group.
    auto named = [prefix](const char* kind, const char* name) {
        return QString::fromLatin1(kind) + QString::fromLatin1(prefix) + QString::fromLatin1(name);
    };
    const QString subject = *prefix ? QString::fromLatin1(prefix) + QLatin1Char(' ') : QString();
    auto* group = new QGroupBox(title, this);
    row.Certificate = new QLineEdit(group);
    row.Certificate->setObjectName(named("e", "Certificate"));
    row.Certificate->setMinimumWidth(320);
    auto* btBrowse = new QPushButton(QString::fromLatin1(captions[1]), group);
    btBrowse->setObjectName(named("bt", "Browse"));
    btBrowse->setAccessibleName(QStringLiteral("Browse for the %1certificate file").arg(subject.toLower()));
    row.Password = new QLineEdit(group);
    row.Password->setObjectName(named("e", "Password"));
    row.Password->setEchoMode(QLineEdit::Password);
    row.Timestamp = new QLineEdit(group);
    row.Timestamp->setObjectName(named("e", "Timestamp"));
    row.Timestamp->setPlaceholderText(QStringLiteral("http://timestamp.example.com"));
    if (!subject.isEmpty()) {
        row.Certificate->setAccessibleName(subject + QStringLiteral("certificate file (PKCS#12)"));
        row.Password->setAccessibleName(subject + QStringLiteral("password"));
        row.Timestamp->setAccessibleName(subject + QStringLiteral("time-stamping service"));
    }
    connect(btBrowse, &QPushButton::clicked, this, browse);

    auto* grid = new QGridLayout(group);
    grid->addWidget(NewBuddyLabel(QString::fromLatin1(captions[0]), row.Certificate, group), 0, 0);
    grid->addWidget(row.Certificate, 0, 1);
    grid->addWidget(btBrowse, 0, 2);
    grid->addWidget(NewBuddyLabel(QString::fromLatin1(captions[2]), row.Password, group), 1, 0);
    grid->addWidget(row.Password, 1, 1, 1, 2);
    grid->addWidget(NewBuddyLabel(QString::fromLatin1(captions[3]), row.Timestamp, group), 2, 0);
    grid->addWidget(row.Timestamp, 2, 1, 1, 2);
    setTabOrder(row.Certificate, btBrowse);
    setTabOrder(btBrowse, row.Password);
    setTabOrder(row.Password, row.Timestamp);
    return group;
}

void TfmSigning::SetFrom(const TSettings& settings, const std::string& password, const std::string& devicePassword)
{
    FPackage.Certificate->setText(AnsiToQt(settings.ReadSetting("signpkcs12")));
    FPackage.Timestamp->setText(AnsiToQt(settings.ReadSetting("signtimestamp")));
    FPackage.Password->setText(QString::fromStdString(password));
    FDevice.Certificate->setText(AnsiToQt(settings.ReadSetting("devicesignpkcs12")));
    FDevice.Timestamp->setText(AnsiToQt(settings.ReadSetting("devicesigntimestamp")));
    FDevice.Password->setText(QString::fromStdString(devicePassword));
    // No digest stored yet, or one this builder does not offer: SHA-1.
    int digest = cbDeviceDigest->findData(QString::fromStdString(settings.ReadSetting("devicesigndigest")));
    cbDeviceDigest->setCurrentIndex(digest >= 0 ? digest : 0);
}

bool TfmSigning::StoreInto(TSettings& settings) const
{
    // The settings hold Windows-1252 text, like every path of a project.
    std::string refusal;
    std::optional<std::string> texts[4];
    QLineEdit* const edits[4] = {FPackage.Certificate, FPackage.Timestamp, FDevice.Certificate, FDevice.Timestamp};
    for (int i = 0; i < 4; ++i)
        if (!(texts[i] = QtToAnsi(edits[i]->text().trimmed(), &refusal))) {
            if (FMessages)
                FMessages->ShowError(refusal);
            return false;
        }
    settings.WriteSetting("signpkcs12", *texts[0]);
    settings.WriteSetting("signtimestamp", *texts[1]);
    settings.WriteSetting("devicesignpkcs12", *texts[2]);
    settings.WriteSetting("devicesigntimestamp", *texts[3]);
    settings.WriteSetting("devicesigndigest", cbDeviceDigest->currentData().toString().toStdString());
    return true;
}

std::string TfmSigning::Password() const
{
    return FPackage.Password->text().toStdString();
}

std::string TfmSigning::DevicePassword() const
{
    return FDevice.Password->text().toStdString();
}

void TfmSigning::Browse()
{
    BrowseInto(FPackage.Certificate);
}

void TfmSigning::BrowseDevice()
{
    BrowseInto(FDevice.Certificate);
}

void TfmSigning::BrowseInto(QLineEdit* certificate)
{
    std::string path = FDialogs ? FDialogs->OpenAnyFile() : std::string();
    if (!path.empty())
        certificate->setText(HostPathToQt(path));
}
