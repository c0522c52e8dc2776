#include "ui/lists/frmFiles.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "ui/lists/FileColumns.h"
#include "ui/lists/fmFileProperties.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"

#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <string>

namespace {

// The question before files go. Shortcuts cannot outlive the file they
// start, so the author hears that they go too.
std::string DeleteQuestion(int shortcuts)
{
    std::string question = "Are you sure you want to remove the selected file(s)";
    if (shortcuts == 1)
        question += " and the shortcut that starts them";
    else if (shortcuts > 1)
        question += " and the " + std::to_string(shortcuts) + " shortcuts that start them";
    return question + "?";
}

// A dropped file: its source in the project's code page, and the device
// folders below the drop target that it goes to.
struct TDroppedFile {
    std::string Source;
    std::vector<std::string> Folders;
};

std::string AnsiPath(const QString& path)
{
    std::string refusal;
    std::optional<std::string> ansi = QtToAnsi(QDir::toNativeSeparators(path), &refusal);
    if (!ansi)
        throw Exception(refusal);
    return *ansi;
}

// The files below a dropped folder, in name order, each with the folder's
// own name and the folders between as its device folders.
void CollectFolder(const QString& folder, std::vector<TDroppedFile>& files)
{
    const QDir root(folder);
    QStringList relative;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        relative << root.relativeFilePath(it.next());
    relative.sort();
    const QString name = QFileInfo(folder).fileName();
    for (const QString& path : relative) {
        TDroppedFile file{AnsiPath(root.filePath(path)), {}};
        for (const QString& part : (name + QLatin1Char('/') + path).split(QLatin1Char('/')))
            file.Folders.push_back(AnsiPath(part));
        file.Folders.pop_back(); // the file's own name
        files.push_back(std::move(file));
    }
}

TFolder* SubFolderNamed(TFolder* parent, const std::string& name, bool& made)
{
    for (int i = 0; i < parent->SubFolderCount(); ++i)
        if (UpperCase(parent->GetSubFolder(i)->Name()) == UpperCase(name))
            return parent->GetSubFolder(i);
    made = true;
    return parent->AddSubFolder(std::make_unique<TFolder>(name, 0));
}

bool IsProjectFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("vip") || suffix == QLatin1String("json");
}

QStringList LocalPaths(const QMimeData* mime)
{
    QStringList paths;
    if (mime && mime->hasUrls())
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    return paths;
}

}

TfrmFiles::TfrmFiles(TMessageService* messages, QWidget* parent)
    : TProjectListOf(messages, "frmFiles", "Add the files you wish to install on the target device.",
                     QStringLiteral("Files"), FileColumns(), parent)
{
    FList->SetDeleteKey(true);
    setAcceptDrops(true);
}

std::vector<TFile*> TfrmFiles::Objects() const
{
    return FProject->Files().ToList();
}

QStringList TfrmFiles::Cells(const TFile& file) const
{
    return FileCells(file, FProject);
}

void TfrmFiles::ActivatePage()
{
    RefreshList();
    TfrmProjectList::ActivatePage();
}

void TfrmFiles::AddObject()
{
    if (!FProject)
        return;
    auto file = std::make_unique<TFile>();
    file->SetEmergencyFolder(FProject->Folders().Root());
    file->SetFolder(FProject->DefaultFolder());
    file->SetUseDefaultFolder(true);
    if (!file->Edit(FProject))
        return;
    FProject->Files().Add(std::move(file));
    ShowChange();
}

bool TfrmFiles::EditObject(TFile& file)
{
    return file.Edit(FProject);
}

bool TfrmFiles::ConfirmDelete(const std::vector<TFile*>& files)
{
    int shortcuts = 0;
    for (const TFile* file : files)
        shortcuts += file->ShortcutCount();
    return FMessages->Confirm(DeleteQuestion(shortcuts), TQuestionButtons::YesNo) == TAnswer::Yes;
}

void TfrmFiles::RemoveObjects(const std::vector<TFile*>& files)
{
    FProject->RemoveFiles(files);
}

int TfrmFiles::AddDroppedPaths(const QStringList& paths)
{
    if (!FProject)
        return 0;
    std::vector<TDroppedFile> files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            CollectFolder(path, files);
        else if (QFileInfo(path).isFile())
            files.push_back({AnsiPath(path), {}});
    }
    if (files.empty())
        return 0;
    if (int(files.size()) > MaxDropWithoutAsking &&
        FMessages->Confirm("Add all " + std::to_string(files.size()) + " files of the dropped folders?",
                           TQuestionButtons::YesNo) != TAnswer::Yes)
        return 0;
    TFolder* target = DropTarget ? DropTarget() : nullptr;
    TFolder* defaultFolder = FProject->DefaultFolder();
    if (!target)
        target = defaultFolder;
    bool madeFolders = false;
    for (const TDroppedFile& dropped : files) {
        TFolder* folder = target;
        for (const std::string& name : dropped.Folders)
            folder = SubFolderNamed(folder, name, madeFolders);
        auto file = std::make_unique<TFile>();
        file->SetEmergencyFolder(FProject->Folders().Root());
        file->SetSourceDir(ExtractFilePath(dropped.Source));
        file->SetFileName(ExtractFileName(dropped.Source));
        file->SetFolder(folder);
        file->SetUseDefaultFolder(folder == defaultFolder);
        TPlatform platform;
        TProcessor processor;
        if (GuessPlatformAndProcessor(dropped.Source, platform, processor)) {
            TPlatforms platforms;
            platforms.Include(platform);
            file->SetPlatforms(platforms);
            file->SetProcessor(processor);
        } else {
            file->SetPlatforms(AllPlatforms);
            file->SetProcessor(pAll);
        }
        FProject->Files().Add(std::move(file));
    }
    if (madeFolders && OnFoldersAdded)
        OnFoldersAdded();
    ShowChange();
    return int(files.size());
}

void TfrmFiles::dragEnterEvent(QDragEnterEvent* event)
{
    // Project files alone are for the window, which opens them.
    const QStringList paths = LocalPaths(event->mimeData());
    if (FProject && !paths.isEmpty() && !std::all_of(paths.begin(), paths.end(), IsProjectFile))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TfrmFiles::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty() || std::all_of(paths.begin(), paths.end(), IsProjectFile)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    try {
        AddDroppedPaths(paths);
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
    }
}
