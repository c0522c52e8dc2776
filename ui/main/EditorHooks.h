#pragma once

// The model's Edit operations open the property dialogs through editors
// that the user interface installs (the model knows no window). While a
// TEditorHooks lives, files, shortcuts and setup DLLs are edited in
// "File Properties", "Shortcut Properties" and "SetupDll Properties", and
// registry values in the editor of their type;
// destroying it puts back the editors installed before.

#include "model/Files.h"
#include "model/RegistryValues.h"
#include "model/Shortcuts.h"
#include "ui/parts/ModalRunner.h"

#include <cstdint>
#include <memory>

class QWidget;
class TFileDialogs;
class TMessageService;
class TfmValueEditor;

// The editor window of the registry value type; null for a type without
// one.
std::unique_ptr<TfmValueEditor> NewValueEditor(uint32_t type, TMessageService* messages, QWidget* parent);

class TEditorHooks {
public:
    // Messages, dialogs and the parent window are not owned. The runner is
    // read at each Edit, so it may be set later (tests work the dialogs in
    // place through it).
    TEditorHooks(TMessageService* messages, TFileDialogs* dialogs, QWidget* parent, const TModalRunner* runner);
    ~TEditorHooks();
    TEditorHooks(const TEditorHooks&) = delete;
    TEditorHooks& operator=(const TEditorHooks&) = delete;

private:
    TFileEditor FPreviousFile;
    TShortcutEditor FPreviousShortcut;
    TSetupDllEditor FPreviousDll;
    TValue::TEditHook FPreviousValue;
};
