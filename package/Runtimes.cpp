#include "package/Runtimes.h"

#include "common/Paths.h"

namespace {

struct TRuntimeFolder {
    int Family; // OLE CE shares the MFC rows
    TPlatform Platform; // Handheld PC stands for Handheld PC Pro as well
    TProcessor Processor;
    const char* Folder;
};

constexpr TRuntimeFolder Folders[] = {
    {rtVisualBasic, plPPC300, pStrongARM, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\Runtimes\\arm\\"},
    {rtVisualBasic, plPPC300, pHitachiSH3, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\Runtimes\\sh3\\"},
    {rtVisualBasic, plPPC300, pMIPSR4000, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\Runtimes\\mips\\"},
    {rtVisualBasic, plPPC211, pHitachiSH3, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\vb\\sh3\\"},
    {rtVisualBasic, plPPC211, pMIPSR3000, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\vb\\mips39\\"},
    {rtVisualBasic, plPPC211, pMIPSR4000, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\vb\\mips41\\"},
    {rtVisualBasic, plHPC, pStrongARM, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\Runtimes\\arm\\"},
    {rtVisualBasic, plHPC, pHitachiSH3, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\Runtimes\\sh3\\"},
    {rtVisualBasic, plHPC, pHitachiSH4, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\Runtimes\\sh4\\"},
    {rtVisualBasic, plHPC, pMIPSR4000, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\Runtimes\\mips\\"},
    {rtVisualBasic, plHPC2000, pStrongARM, "C:\\Windows CE Tools\\wce300\\hpc2000\\runtimes\\arm\\"},
    {rtVisualBasic, plHPC2000, pMIPSR4000, "C:\\Windows CE Tools\\wce300\\hpc2000\\runtimes\\mips\\"},
    {rtVisualBasic, plPPC2K, pStrongARM, "C:\\Windows CE Tools\\wce300\\Pocket PC 2002\\runtimes\\arm\\"},
    {rtMFC, plPPC300, pStrongARM, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\mfc\\lib\\arm\\"},
    {rtMFC, plPPC300, pHitachiSH3, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\mfc\\lib\\sh3\\"},
    {rtMFC, plPPC300, pMIPSR4000, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\mfc\\lib\\mips\\"},
    {rtMFC, plPPC211, pHitachiSH3, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\mfc\\lib\\sh3\\"},
    {rtMFC, plPPC211, pMIPSR4000, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\mfc\\lib\\mips\\"},
    {rtMFC, plHPC, pStrongARM, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\mfc\\lib\\arm\\"},
    {rtMFC, plHPC, pHitachiSH3, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\mfc\\lib\\sh3\\"},
    {rtMFC, plHPC, pHitachiSH4, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\mfc\\lib\\sh4\\"},
    {rtMFC, plHPC, pMIPSR4000, "C:\\Windows CE Tools\\wce211\\MS HPC Pro\\mfc\\lib\\mips\\"},
    {rtMFC, plHPC2000, pStrongARM, "C:\\Windows CE Tools\\wce300\\hpc2000\\mfc\\lib\\arm\\"},
    {rtMFC, plHPC2000, pMIPSR4000, "C:\\Windows CE Tools\\wce300\\hpc2000\\mfc\\lib\\mips\\"},
    {rtMFC, plPPC2K, pStrongARM, "C:\\Windows CE Tools\\wce300\\Pocket PC 2002\\mfc\\Lib\\ARM\\"},
    {rtMFC, plWM2003, pStrongARM, "C:\\Program Files\\Windows CE Tools\\wce420\\POCKET PC 2003\\Mfc\\Lib\\armv4\\"},
    {rtAdoCE, plPPC300, pStrongARM, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\Controls\\arm\\"},
    {rtAdoCE, plPPC300, pHitachiSH3, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\Controls\\sh3\\"},
    {rtAdoCE, plPPC300, pMIPSR4000, "C:\\Windows CE Tools\\wce300\\MS Pocket PC\\Controls\\mips\\"},
    {rtAdoCE, plPPC211, pHitachiSH3, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\adoce\\sh3\\"},
    {rtAdoCE, plPPC211, pMIPSR3000, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\adoce\\mips39\\"},
    {rtAdoCE, plPPC211, pMIPSR4000, "C:\\Windows CE Tools\\wce211\\ms palm size pc\\adoce\\mips41\\"},
    {rtAdoCE, plPPC2K, pStrongARM, "C:\\Windows CE Tools\\wce300\\Pocket PC 2002\\controls\\arm\\"},
};

const std::vector<std::string>& FamilyFiles(int family)
{
    // clang-format off
    static const std::vector<std::string> files[RuntimeFamilyCount] = {
        {"pvbdecl.dll", "pvbform2.dll", "pvbhost2.dll", "pvbload.exe", "vbscript.dll"},
        {"olece300.dll"},
        {"mfcce300.dll"},
        {"adoce30.dll", "adocedb30.dll", "adoceoledb30.dll", "adosync.dll", "msdadc.dll", "msdaer.dll",
         "msdaeren.dll", "msdaosp.dll"},
    };
    // clang-format on
    static const std::vector<std::string> none;
    return family >= 0 && family < RuntimeFamilyCount ? files[family] : none;
}

int TableFamily(int family)
{
    return family == rtOleCE ? rtMFC : family;
}

TPlatform TablePlatform(TPlatform platform)
{
    return platform == plHPCPro ? plHPC : platform;
}

}

std::string RuntimeFolder(int family, TPlatform platform, TProcessor processor)
{
    int tableFamily = TableFamily(family);
    TPlatform tablePlatform = TablePlatform(platform);
    for (const TRuntimeFolder& row : Folders)
        if (row.Family == tableFamily && row.Platform == tablePlatform && row.Processor == processor)
            return row.Folder;
    return std::string();
}

TPlatformArray RuntimePlatforms(int family)
{
    switch (family) {
    case rtVisualBasic: return {plPPC300, plPPC211, plHPC, plHPC2000, plPPC2K};
    case rtOleCE:
    case rtMFC: return {plPPC300, plPPC211, plHPC, plHPC2000, plPPC2K, plWM2003};
    case rtAdoCE: return {plPPC300, plPPC211, plPPC2K};
    default: return {};
    }
}

TProcessorsArray RuntimeProcessors(int family, TPlatform platform)
{
    // Every row of the folder table offers its processor, in table order.
    int tableFamily = TableFamily(family);
    TPlatform tablePlatform = TablePlatform(platform);
    TProcessorsArray processors;
    for (const TRuntimeFolder& row : Folders)
        if (row.Family == tableFamily && row.Platform == tablePlatform)
            processors.push_back(row.Processor);
    // Windows Mobile 2003 lists StrongARM for every family, though only MFC
    // and OLE CE offer that platform (and have a folder for it).
    if (processors.empty() && platform == plWM2003 && tableFamily != rtMFC)
        processors.push_back(pStrongARM);
    return processors;
}

std::vector<std::unique_ptr<TFile>> RuntimeFiles(int family, TPlatform platform, TProcessor processor)
{
    std::vector<std::unique_ptr<TFile>> files;
    std::string folder = RuntimeFolder(family, platform, processor);
    if (folder.empty())
        return files;
    for (const std::string& name : FamilyFiles(family)) {
        auto file = std::make_unique<TFile>();
        file->SetSourceDir(folder);
        file->SetFileName(name);
        file->SetPlatforms(TPlatforms{platform});
        file->SetProcessor(processor);
        file->SetCopyMode(1);
        if (family == rtVisualBasic && UpperCase(ExtractFileExt(name)) == ".DLL")
            file->SetOptions(TFileOptions{foSelfRegister});
        files.push_back(std::move(file));
    }
    return files;
}
