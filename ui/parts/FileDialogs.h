#pragma once

// The file dialogs of the builder behind one small interface, so that tests
// can answer them. Every answer is a host path; empty means cancelled.

#include <string>
#include <vector>

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // Projects of either form (*.vip, *.json), default extension "vip".
    virtual std::string OpenProject() = 0;
    // "Veltrin Installer Project (*.vip)", no default extension, starting
    // in the folder.
    virtual std::string SaveProject(const std::string& initialDir) = 0;
    // Save As: the binary project or its JSON form; a name typed without
    // an extension gets the one of the form chosen in the dialog.
    virtual std::string SaveProjectAs(const std::string& initialDir) = 0;
    // "Icons (*.ico)", default extension "ICO".
    virtual std::string OpenIcon() = 0;
    // Every picture format the setup image dialog reads.
    virtual std::string OpenPicture() = 0;
    // Any file: no filter, no default extension (a project file's or a
    // setup DLL's source).
    virtual std::string OpenAnyFile() = 0;
    // "CAB Wizard .inf (*.inf)", for File > Import.
    virtual std::string OpenInf() = 0;
    // "CAB files (*.cab)", one or more, for File > Import; empty: cancelled.
    virtual std::vector<std::string> OpenCabs() = 0;
    // A folder, starting in initialDir; the dialog can make new folders.
    virtual std::string ChooseFolder(const std::string& initialDir) = 0;
};
