#pragma once

// The setup DLL list: the main window's Setup DLLs tab and a page of the
// new-project wizard. DLLs are edited through the editor installed in the
// model (TSetupDLL::Edit).

#include "ui/lists/frmProjectList.h"

class TSetupDLL;

class TfrmSetupDLLs : public TProjectListOf<TSetupDLL> {
    Q_OBJECT
public:
    explicit TfrmSetupDLLs(TMessageService* messages, QWidget* parent = nullptr);

    void AddObject() override;

private:
    std::vector<TSetupDLL*> Objects() const override;
    QStringList Cells(const TSetupDLL& dll) const override;
    bool EditObject(TSetupDLL& dll) override;
    void RemoveObjects(const std::vector<TSetupDLL*>& dlls) override;
};
