#include "ui/main/EditorHooks.h"

#include "ui/lists/fmFileProperties.h"
#include "ui/lists/fmSetupDllProperties.h"
#include "ui/lists/fmShortcutProperties.h"
#include "ui/registry/fmDWORDEditor.h"
#include "ui/registry/fmHexValueEditror.h"
#include "ui/registry/fmMultyStringsEditor.h"
#include "ui/registry/fmStringEditor.h"

#include <memory>

std::unique_ptr<TfmValueEditor> NewValueEditor(uint32_t type, TMessageService* messages, QWidget* parent)
{
    switch (type) {
    case vtString: return std::make_unique<TfmStringEditor>(messages, parent);
    case vtMultiString: return std::make_unique<TfmMultyStringsEditor>(messages, parent);
    case vtDWord: return std::make_unique<TfmDWORDEditor>(messages, parent);
    case vtBinary: return std::make_unique<TfmHexValueEditror>(messages, parent);
    default: return nullptr;
    }
}

TEditorHooks::TEditorHooks(TMessageService* messages, TFileDialogs* dialogs, QWidget* parent,
                           const TModalRunner* runner)
{
    auto run = [runner](QDialog& dialog) { return RunModal(runner ? *runner : TModalRunner(), dialog); };
    FPreviousFile = TFile::SetEditor([=](TFile& file, TProject* project) {
        TfmFileProperties dialog(messages, dialogs, parent);
        if (runner)
            dialog.SetModalRunner(*runner);
        dialog.SetProject(project);
        dialog.SetFile(&file);
        return run(dialog) == QDialog::Accepted;
    });
    FPreviousShortcut = TCEShortCut::SetEditor([=](TCEShortCut& shortcut, TProject* project) {
        TfmShortcutProperties dialog(messages, parent);
        dialog.SetProject(project);
        dialog.SetShortcut(&shortcut);
        return run(dialog) == QDialog::Accepted;
    });
    FPreviousDll = TSetupDLL::SetEditor([=](TSetupDLL& dll) {
        TfmSetupDllProperties dialog(messages, dialogs, parent);
        dialog.LoadDll(&dll);
        return run(dialog) == QDialog::Accepted;
    });
    FPreviousValue = TValue::SetEditHook([=](TValue& value) {
        std::unique_ptr<TfmValueEditor> dialog = NewValueEditor(value.Type(), messages, parent);
        if (!dialog)
            return false;
        dialog->LoadValue(&value);
        return run(*dialog) == QDialog::Accepted;
    });
}

TEditorHooks::~TEditorHooks()
{
    TFile::SetEditor(std::move(FPreviousFile));
    TCEShortCut::SetEditor(std::move(FPreviousShortcut));
    TSetupDLL::SetEditor(std::move(FPreviousDll));
    TValue::SetEditHook(std::move(FPreviousValue));
}
