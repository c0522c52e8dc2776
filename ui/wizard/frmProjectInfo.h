#pragma once

// The first page of the new-project wizard: the application, company and
// project names and the work folder. The application name fills in the
// project name, and the project name moves the work folder below the parent
// of the last one created (or the projects base folder), until the author
// picks a work folder of their own with the browse button.

#include "ui/parts/frmBase.h"

#include <optional>
#include <string>

class QGridLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class TFileDialogs;
class TMessageService;
class TProject;
class TSettings;

class TfrmProjectInfo : public TfrmBase {
    Q_OBJECT
public:
    // None of the services is owned; settings give "lastfolder", programDir
    // the base folder's fallback.
    TfrmProjectInfo(TMessageService* messages, TFileDialogs* dialogs, const TSettings* settings,
                    const std::string& programDir, QWidget* parent = nullptr);

    // Puts the project's names and work folder into the edits; each runs its
    // reaction, so afterwards the project name equals the application name
    // and the work folder has been derived from it.
    void SetProject(TProject* project) override;

    void ActivatePage() override;

    // The folder new work folders go below, with a trailing separator: the
    // parent of "lastfolder", or the projects base folder when it is empty.
    std::string BaseFolder() const;
    QLabel* Picture() const { return FPicture; }

    void BrowseFolder();

private:
    QGridLayout* CreateForm();
    void AppNameChanged();
    void CompanyNameChanged();
    void ProjectNameChanged();
    void WorkFolderChanged();
    // Sets an edit's text and runs its reaction even when the text is the
    // same, as typing it would.
    void SetEditText(QLineEdit* edit, const QString& text);
    void React(QLineEdit* edit);
    // The edit's text as model text; a character outside the code page puts
    // back the text before it (restore) and tells the author.
    std::optional<std::string> Accepted(QLineEdit* edit, const std::string& restore);

    TMessageService* FMessages;
    TFileDialogs* FDialogs;
    const TSettings* FSettings;
    std::string FProgramDir;
    TProject* FProject = nullptr;
    bool FFolderChosen = false;
    // Set while an edit is changed from code, so that its textChanged does
    // not run the reaction a second time (or at all, when a refused text is
    // put back).
    bool FSetting = false;

    QLabel* FPicture;
    QLineEdit* eAppName;
    QLineEdit* eCompanyName;
    QLineEdit* eWorkFolder;
    QToolButton* btBrowse;
    QLineEdit* eProjectName;
};
