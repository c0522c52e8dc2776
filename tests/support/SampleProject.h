#pragma once

#include "model/Project.h"

#include <memory>
#include <string>

// Builders of small projects for the tests.

TFile* AddProjectFile(TProject& project, const std::string& sourceDir, const std::string& name, TPlatforms platforms,
                      TProcessor processor, TFolder* folder = nullptr);

// A shortcut in the folder starting the target.
TCEShortCut* AddProjectShortcut(TProject& project, const std::string& name, TFile* target, TFolder* folder);

// A new value of the type under the key.
TValue* AddKeyValue(TRegKey* key, uint32_t type, const std::string& name);

// A project with something of every kind: files in two folders for two
// processors and for every processor, a shortcut, a setup DLL, registry
// values of the four types, two builds with languages, an icon and a setup
// image. Source folders are below `sourceRoot`.
std::unique_ptr<TProject> MakeRichProject(const std::string& sourceRoot);

// The small "Field Orders" project of the screenshots and of timing the
// builder's start: files for two processors in two folders, a shortcut and a
// setup DLL, with Windows source paths that need not exist. Its folder and
// file name are those of projectPath; nothing is written.
std::unique_ptr<TProject> MakeFieldOrdersProject(const std::string& projectPath);

// The builds the build dialogs show for that project: "Pocket PC 2002" and
// "Silent install" for the Pocket PC on StrongARM, "Handheld PC 2000" for
// the Handheld PC 2000 on StrongARM, each in English and German with the
// progress shown; the silent one without a licence page.
void AddFieldOrdersBuilds(TProject& project);

// Projects with something of every kind, drawn at random: nested and system
// folders, files that follow the default folder after it moved, files that
// share a device path, shortcuts to them, setup DLLs, registry keys of every
// value type, builds. The JSON tests and the .inf import tests draw them.
std::unique_ptr<TProject> MakeRandomProject(unsigned draw);
