#pragma once

// "About Veltrin Installer".

#include <QDialog>

#include <string>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // version: the program's file version; empty leaves the line "Build".
    explicit TAboutBox(const std::string& version, QWidget* parent = nullptr);

    QString BuildLine() const;

private:
    QLabel* FBuild;
};

// The support address shown in the about box.
inline constexpr const char* SupportAddress = "support@veltrin-installer.example";
