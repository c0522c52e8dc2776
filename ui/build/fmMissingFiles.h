#pragma once

// "Missing Files": the project files whose source file is gone, offered for
// removal before a build. "Delete" closes with OK; the caller removes them.

#include <QDialog>

#include <vector>

class QPushButton;
class QTableWidget;
class TFile;
class TProject;

class TfmMissingFiles : public QDialog {
    Q_OBJECT
public:
    explicit TfmMissingFiles(QWidget* parent = nullptr);

    // Not owned.
    void SetProject(const TProject* project);
    // Remembers the list (not owned) and shows one row per file, in order.
    void SetFiles(const std::vector<TFile*>* files);

private:
    const TProject* FProject = nullptr;
    const std::vector<TFile*>* FFiles = nullptr;

    QTableWidget* lvFiles = nullptr;
    QPushButton* btDelete = nullptr;
    QPushButton* btCancel = nullptr;
};
