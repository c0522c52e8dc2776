#pragma once

// "Signing": the certificate every package of the builder's runs is signed
// with, the certificate the files for the device are signed with (CAB files
// and the programs in them, for builds that ask for it), each with its
// time-stamping service and its password for this session, and the device
// signature's digest. Certificates, services and digest are the builder's
// settings; the passwords are never saved.

#include <QDialog>

#include <string>

class QComboBox;
class QGroupBox;
class QLineEdit;
class TFileDialogs;
class TMessageService;
class TSettings;

class TfmSigning : public QDialog {
    Q_OBJECT
public:
    TfmSigning(TFileDialogs* dialogs, TMessageService* messages, QWidget* parent = nullptr);

    void SetFrom(const TSettings& settings, const std::string& password, const std::string& devicePassword = {});
    // Stores certificates, services and digest into the settings; false
    // (reported, nothing stored) when a path or address cannot be stored.
    bool StoreInto(TSettings& settings) const;
    std::string Password() const;
    std::string DevicePassword() const;

    void Browse();
    void BrowseDevice();

private:
    // One group's certificate, its browse button, password and service.
    struct TCertificateRow {
        QLineEdit* Certificate = nullptr;
        QLineEdit* Password = nullptr;
        QLineEdit* Timestamp = nullptr;
    };
    // prefix names the group's controls ("Device": eDeviceCertificate) and,
    // unless empty, starts their accessible names.
    QGroupBox* NewCertificateGroup(const QString& title, const char* prefix, const char* const captions[4],
                                   TCertificateRow& row, void (TfmSigning::*browse)());
    void BrowseInto(QLineEdit* certificate);

    TFileDialogs* FDialogs;
    TMessageService* FMessages;
    TCertificateRow FPackage;
    TCertificateRow FDevice;
    QComboBox* cbDeviceDigest = nullptr;
};
