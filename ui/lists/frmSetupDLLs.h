#pragma once

// The setup DLL list: the main window's Setup DLLs tab and a page of the
// new-project wizard. DLLs are edited through the editor installed in the
// model (TSetupDLL::Edit).

#include "ui/lists/frmProjectList.h"

class TfrmSetupDLLs : public TfrmProjectList {
    Q_OBJECT
public:
    explicit TfrmSetupDLLs(TMessageService* messages, QWidget* parent = nullptr);

    void AddObject() override;

private:
    std::vector<void*> Objects() const override;
    QStringList Cells(const void* object) const override;
    bool EditObject(void* object) override;
    void RemoveObjects(const std::vector<void*>& objects) override;
};
