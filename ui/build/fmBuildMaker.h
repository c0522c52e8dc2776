#pragma once

// "Build Wizard": lists the project's builds, each with a check box, lets
// the author add, edit and delete builds, and answers the checked ones.
// Changes to the builds stay in the project even when it is cancelled.

#include "package/BuildChoice.h"
#include "ui/parts/ModalRunner.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;
class TBuild;
class TLanguageManager;
class TMessageService;
class TProject;

class TfmBuildMaker : public QDialog {
    Q_OBJECT
public:
    explicit TfmBuildMaker(TMessageService* messages, QWidget* parent = nullptr);

    // None of these are owned. SetProject comes last: it gives a project
    // without builds the build "All In One", refreshes the all-in-one builds
    // from the pairs and languages, and fills the list.
    void SetPairs(const TPairList* pairs);
    void SetLanguageManager(const TLanguageManager* manager);
    void SetProject(TProject* project);

    // The checked builds in list order (empty when none is checked).
    std::vector<TBuild*> GetCheckedBuilds() const;

    // How the "Build Configuration" dialog is shown (tests work it directly).
    void SetModalRunner(TModalRunner runner) { FRunModal = std::move(runner); }

    void brAddBuildClick();
    void btDeleteBuildClick();
    void btEditBuildClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddItem(TBuild* build);
    // The row of the selected item, or -1.
    int SelectedRow() const;
    // Shows "Build Configuration" for the build; true with OK.
    bool EditBuild(TBuild& build);

    TMessageService* FMessages;
    const TPairList* FPairs = nullptr;
    const TLanguageManager* FLanguageManager = nullptr;
    TProject* FProject = nullptr;
    TModalRunner FRunModal;
    // The build of each row of lbBuilds; the project owns them.
    std::vector<TBuild*> FRows;

    QListWidget* lbBuilds = nullptr;
    QPushButton* brAddBuild = nullptr;
    QPushButton* btDeleteBuild = nullptr;
    QPushButton* btEditBuild = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;
};
