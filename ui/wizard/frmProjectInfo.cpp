#include "ui/wizard/frmProjectInfo.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/Settings.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtText.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const Welcome = "Welcome to Veltrin Installer Project Wizard. ";
const char* const Intro = "Enter the names of your application and company.";
const char* const CreateQuestion = " does not exists. Would you like to create it now?";

}

TfrmProjectInfo::TfrmProjectInfo(TMessageService* messages, TFileDialogs* dialogs, const TSettings* settings,
                                 const std::string& programDir, QWidget* parent)
    : TfrmBase(parent), FMessages(messages), FDialogs(dialogs), FSettings(settings), FProgramDir(programDir)
{
    setObjectName(QStringLiteral("frmProjectInfo"));
    FPicture = NewPicturePanel();
    FPicture->setPixmap(DefaultSetupPicture());

    QLabel* heading = NewHeading(QString::fromLatin1(Welcome));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    auto* intro = new QLabel(QString::fromLatin1(Intro), this);
    intro->setWordWrap(true);

    eAppName = NewNamed<QLineEdit>("eAppName", this);
    eCompanyName = NewNamed<QLineEdit>("eCompanyName", this);
    eWorkFolder = NewNamed<QLineEdit>("eWorkFolder", this);
    eWorkFolder->setReadOnly(true);
    btBrowse = NewBrowseButton("btBrowse", QStringLiteral("Browse for the project work folder"), this);
    eProjectName = NewNamed<QLineEdit>("eProjectName", this);

    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(heading);
    right->addWidget(intro);
    right->addSpacing(8);
    right->addLayout(CreateForm());
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(FPicture);
    layout->addLayout(right, 1);
    setTabOrder(eAppName, eCompanyName);
    setTabOrder(eCompanyName, eWorkFolder);
    setTabOrder(eWorkFolder, btBrowse);
    setTabOrder(btBrowse, eProjectName);

    for (QLineEdit* edit : {eAppName, eCompanyName, eProjectName, eWorkFolder})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] {
            if (!FSetting)
                React(edit);
        });
    connect(btBrowse, &QToolButton::clicked, this, [this] { RunCommand(FMessages, [this] { BrowseFolder(); }); });
}

// The labelled edits, each label above its edit.
QGridLayout* TfrmProjectInfo::CreateForm()
{
    auto* form = new QGridLayout;
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(4);
    int row = 0;
    auto addRow = [&](const char* text, QLineEdit* edit, QWidget* extra) {
        form->addWidget(NewBuddyLabel(QString::fromLatin1(text), edit, this), row++, 0, 1, 2);
        form->addWidget(edit, row, 0, 1, extra ? 1 : 2);
        if (extra)
            form->addWidget(extra, row, 1);
        ++row;
    };
    addRow("&Application Name:", eAppName, nullptr);
    addRow("&Company Name:", eCompanyName, nullptr);
    addRow("&Project Work Folder:", eWorkFolder, btBrowse);
    addRow("&Project Name:", eProjectName, nullptr);
    form->setColumnStretch(0, 1);
    return form;
}

void TfrmProjectInfo::SetProject(TProject* project)
{
    FProject = project;
    if (!FProject)
        return;
    SetEditText(eAppName, AnsiToQt(FProject->AppName()));
    SetEditText(eCompanyName, AnsiToQt(FProject->CompanyName()));
    // Read only now: the application name has just derived it.
    SetEditText(eWorkFolder, HostPathToQt(FProject->ProjectDir()));
}

void TfrmProjectInfo::ActivatePage()
{
    eAppName->setFocus();
}

void TfrmProjectInfo::SetEditText(QLineEdit* edit, const QString& text)
{
    FSetting = true;
    edit->setText(text);
    FSetting = false;
    React(edit);
}

void TfrmProjectInfo::React(QLineEdit* edit)
{
    if (!FProject)
        return;
    if (edit == eAppName)
        AppNameChanged();
    else if (edit == eCompanyName)
        CompanyNameChanged();
    else if (edit == eProjectName)
        ProjectNameChanged();
    else
        WorkFolderChanged();
}

std::optional<std::string> TfrmProjectInfo::Accepted(QLineEdit* edit, const std::string& restore)
{
    std::string refusal;
    std::optional<std::string> text = QtToAnsi(edit->text(), &refusal);
    if (text)
        return text;
    // The whole edit goes back: half of what the author typed would be a
    // silent change of it.
    int cursor = edit->cursorPosition();
    FSetting = true;
    edit->setText(AnsiToQt(restore));
    FSetting = false;
    edit->setCursorPosition(std::min(cursor, int(edit->text().size())));
    if (FMessages)
        FMessages->ShowMessage(refusal);
    return std::nullopt;
}

void TfrmProjectInfo::AppNameChanged()
{
    std::optional<std::string> name = Accepted(eAppName, FProject->AppName());
    if (!name)
        return;
    FProject->SetApplicationName(*name);
    SetEditText(eProjectName, eAppName->text());
    if (TFolder* folder = FProject->AppFolder())
        folder->SetName(*name);
}

void TfrmProjectInfo::CompanyNameChanged()
{
    std::optional<std::string> name = Accepted(eCompanyName, FProject->CompanyName());
    if (!name)
        return;
    FProject->SetCompanyName(*name);
    if (TFolder* folder = FProject->CompanyFolder())
        folder->SetName(*name);
}

std::string TfrmProjectInfo::BaseFolder() const
{
    std::string last = FSettings ? FSettings->ReadSetting("lastfolder") : std::string();
    if (last.empty())
        return GetProjectsBaseDir(FProgramDir);
    // The parent of the last work folder: new projects go beside it.
    return ExtractFilePath(ExcludeTrailingPathDelimiter(last));
}

void TfrmProjectInfo::ProjectNameChanged()
{
    // The name is a file name on this host, as the project file's own name
    // is when a project is opened.
    FProject->SetProjectFileName(HostPathFromQt(eProjectName->text()));
    if (FFolderChosen)
        return;
    std::string base = BaseFolder();
    SetEditText(eWorkFolder, HostPathToQt(base) + eProjectName->text());
    // Made at once, so that the folder dialog can start there; a base that
    // cannot be made is reported by Finish, which needs it.
    if (!base.empty() && !DirectoryExists(base) && !ForceDirectories(base))
        DebugTrace("TfrmProjectInfo: cannot create the base folder " + base);
}

void TfrmProjectInfo::WorkFolderChanged()
{
    FProject->SetProjectDir(HostPathFromQt(eWorkFolder->text()));
}

void TfrmProjectInfo::BrowseFolder()
{
    if (!FProject)
        return;
    std::string folder = FProject->ProjectDir();
    if (!folder.empty() && !DirectoryExists(folder) && FMessages &&
        FMessages->Confirm("\"" + folder + "\"" + CreateQuestion, TQuestionButtons::YesNo) == TAnswer::Yes &&
        !ForceDirectories(folder))
        throw Exception("Cannot create the folder " + folder);
    std::string chosen = FDialogs ? FDialogs->ChooseFolder(folder) : std::string();
    if (!chosen.empty()) {
        SetEditText(eWorkFolder, HostPathToQt(chosen));
        FFolderChosen = true;
    }
    // Chosen or not, the project is named after its folder.
    SetEditText(eProjectName, HostPathToQt(ExtractFileName(FProject->ProjectDir())));
}
