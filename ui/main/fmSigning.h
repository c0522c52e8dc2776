#pragma once

// "Signing": the certificate every package of the builder's runs is signed
// with, the time-stamping service, and the certificate's password for this
// session. Certificate and service are the builder's settings; the password
// is never saved.

#include <QDialog>

#include <string>

class QLineEdit;
class TFileDialogs;
class TMessageService;
class TSettings;

class TfmSigning : public QDialog {
    Q_OBJECT
public:
    TfmSigning(TFileDialogs* dialogs, TMessageService* messages, QWidget* parent = nullptr);

    void SetFrom(const TSettings& settings, const std::string& password);
    // Stores certificate and service into the settings; false (reported)
    // when the certificate's path cannot be stored.
    bool StoreInto(TSettings& settings) const;
    std::string Password() const;

    void Browse();

private:
    TFileDialogs* FDialogs;
    TMessageService* FMessages;
    QLineEdit* eCertificate;
    QLineEdit* ePassword;
    QLineEdit* eTimestamp;
};
