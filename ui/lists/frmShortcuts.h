#pragma once

// The shortcut list: the main window's Shortcuts tab and a page of the
// new-project wizard. Shortcuts are edited through the editor installed in
// the model (TCEShortCut::Edit).

#include "ui/lists/frmProjectList.h"

class TCEShortCut;

class TfrmShortcuts : public TProjectListOf<TCEShortCut> {
    Q_OBJECT
public:
    explicit TfrmShortcuts(TMessageService* messages, QWidget* parent = nullptr);

    // Fails with "No files added to the project. Add files first!" when
    // there is nothing a shortcut could start.
    void AddObject() override;

private:
    std::vector<TCEShortCut*> Objects() const override;
    QStringList Cells(const TCEShortCut& shortcut) const override;
    bool EditObject(TCEShortCut& shortcut) override;
    void RemoveObjects(const std::vector<TCEShortCut*>& shortcuts) override;
};
