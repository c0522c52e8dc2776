#pragma once

// The Registry tab and the registry page of the new-project wizard: the
// key tree on the left, the selected key's values on the right.

#include "ui/parts/frmBase.h"

class TMessageService;
class TProject;
class TfrmRegKeys;
class TfrmValues;

class TfrmRegistry : public TfrmBase {
    Q_OBJECT
public:
    explicit TfrmRegistry(TMessageService* messages, QWidget* parent = nullptr);

    // Lists the project's keys (null empties both sides) and selects the
    // first key.
    void SetProject(TProject* project) override;

    TfrmRegKeys* Keys() const { return frmRegKeys; }
    TfrmValues* Values() const { return frmValues; }

private:
    TProject* FProject = nullptr;
    TfrmRegKeys* frmRegKeys;
    TfrmValues* frmValues;
};
