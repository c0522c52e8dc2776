#pragma once

// The editor the user interface installs for one kind of object (a file, a
// shortcut, a setup DLL): the model asks it to edit an object without
// knowing any window. One kind of editor per function type.

#include "common/DebugTrace.h"

#include <string>
#include <utility>

template <typename Editor>
class TEditorHook {
public:
    // Installs the editor and gives back the one it replaces.
    static Editor Install(Editor editor) { return std::exchange(Slot(), std::move(editor)); }

    // What the editor answers (true: the object took the edits); false and
    // a trace when none is installed, a fault of the program's start.
    template <typename... Args>
    static bool Run(const char* kind, Args&&... args)
    {
        if (!Slot()) {
            DebugTrace(std::string("No ") + kind + " editor installed");
            return false;
        }
        // A copy, so that an editor replaced while its window is open stays
        // alive until it returns.
        Editor editor = Slot();
        return editor(std::forward<Args>(args)...);
    }

private:
    static Editor& Slot()
    {
        static Editor editor;
        return editor;
    }
};
