#pragma once

// The large project the .inf benchmarks share: files from a tenth as many
// source folders, for all platforms and four processors, in 200 device
// folders.

#include "model/Project.h"

#include <memory>
#include <string>
#include <vector>

inline void AddLargeFileSet(TProject& project, int files)
{
    std::vector<TFolder*> folders;
    for (int i = 0; i < 200; ++i)
        folders.push_back(project.DefaultFolder()->AddSubFolder(std::make_unique<TFolder>("dir" + std::to_string(i))));
    const TProcessor processors[] = {pAll, pStrongARM, pHitachiSH3, pMIPSR4000};
    for (int i = 0; i < files; ++i) {
        auto file = std::make_unique<TFile>();
        // Folders arrive in no particular order, as an author adds them.
        file->SetSourceDir("C:\\Src\\module" + std::to_string((i * 7919) % (files / 10)));
        file->SetFileName("file" + std::to_string(i) + ".dll");
        file->SetPlatforms(AllPlatforms);
        file->SetProcessor(processors[i % 4]);
        file->SetFolder(folders[i % folders.size()]);
        project.Files().Add(std::move(file));
    }
}
