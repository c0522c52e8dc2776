#include "ui/parts/QtFileDialogs.h"

#include "ui/parts/QtText.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

const char* const ProjectFilter = "Veltrin Installer Project (*.vip)";
const char* const JsonProjectFilter = "Veltrin Installer Project as JSON (*.json)";

// Runs the dialog and answers the chosen file, with the default extension
// added when the typed name has none (as the Windows dialogs do).
std::string Run(QWidget* parent, const QString& caption, const QString& filter, const QString& dir,
                QFileDialog::AcceptMode mode, const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return HostPathFromQt(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

}

std::string TQtFileDialogs::OpenProject()
{
    const QString filter = QStringLiteral("Veltrin Installer Projects (*.vip *.json);;") +
                           QString::fromLatin1(ProjectFilter) + QStringLiteral(";;") +
                           QString::fromLatin1(JsonProjectFilter);
    return Run(FParent, QStringLiteral("Open"), filter, QString(), QFileDialog::AcceptOpen, QStringLiteral("vip"));
}

std::string TQtFileDialogs::SaveProjectAs(const std::string& initialDir)
{
    QFileDialog dialog(FParent, QStringLiteral("Save As"), HostPathToQt(initialDir),
                       QString::fromLatin1(ProjectFilter) + QStringLiteral(";;") +
                           QString::fromLatin1(JsonProjectFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("vip"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QStringLiteral("*.json")) ? QStringLiteral("json")
                                                                          : QStringLiteral("vip"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return HostPathFromQt(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

std::string TQtFileDialogs::SaveProject(const std::string& initialDir)
{
    return Run(FParent, QStringLiteral("Save As"), QString::fromLatin1(ProjectFilter), HostPathToQt(initialDir),
               QFileDialog::AcceptSave, QString());
}

std::string TQtFileDialogs::OpenIcon()
{
    return Run(FParent, QStringLiteral("Open"), QStringLiteral("Icons (*.ico)"), QString(), QFileDialog::AcceptOpen,
               QStringLiteral("ICO"));
}

std::string TQtFileDialogs::OpenPicture()
{
    return Run(FParent, QStringLiteral("Open"),
               QStringLiteral("All pictures (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf);;JPEG Image File (*.jpg *.jpeg);;"
                              "Bitmaps (*.bmp);;Icons (*.ico);;Enhanced Metafiles (*.emf);;Metafiles (*.wmf)"),
               QString(), QFileDialog::AcceptOpen, QString());
}

std::string TQtFileDialogs::OpenAnyFile()
{
    return Run(FParent, QStringLiteral("Open"), QString(), QString(), QFileDialog::AcceptOpen, QString());
}

std::string TQtFileDialogs::OpenInf()
{
    return Run(FParent, QStringLiteral("Import"), QStringLiteral("CAB Wizard .inf (*.inf);;All files (*)"), QString(),
               QFileDialog::AcceptOpen, QString());
}

std::vector<std::string> TQtFileDialogs::OpenCabs()
{
    QFileDialog dialog(FParent, QStringLiteral("Import"), QString(),
                       QStringLiteral("CAB files (*.cab *.CAB);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    std::vector<std::string> paths;
    if (dialog.exec() == QDialog::Accepted)
        for (const QString& file : dialog.selectedFiles())
            paths.push_back(HostPathFromQt(QFileInfo(file).absoluteFilePath()));
    return paths;
}

std::string TQtFileDialogs::ChooseFolder(const std::string& initialDir)
{
    QFileDialog dialog(FParent, QStringLiteral("Browse for Folder"), HostPathToQt(initialDir));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return HostPathFromQt(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}
