#pragma once

#include "package/BuildChoice.h"
#include "package/BuildDriverCallbacks.h"
#include "package/PackageSigner.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TBuild;
class TCabCompiler;
class TCompressor;
class TDeviceSigner;
class TProject;
class TScrambeledMemIniFile;
class TSelfExtractor;
struct TDeviceSectionPlan;

// One build run, from the project to the packages: drops files with missing
// sources when the caller agrees, writes the .inf, lets the caller choose
// the builds, compiles the CAB files they need in one run of the CAB tool,
// and for each chosen build packs its CAB files, Application Manager file,
// resource file, licences, index file, setup image, setup program and icon
// into W\<build folder>\Setup.exe.
//
// The small files of each package are written into a folder private to the
// run and removed with it, so runs at the same time never share a file.
class TBuildDriver {
public:
    // programDir: where Setup.exe, Deskstart.exe and Tools\ (CABWIZ.exe,
    // makesfx.exe) are found. None of the references are owned.
    TBuildDriver(TProject& project, const TScrambeledMemIniFile& textsFile, std::string programDir,
                 TBuildDriverCallbacks& callbacks);
    ~TBuildDriver();
    TBuildDriver(const TBuildDriver&) = delete;
    TBuildDriver& operator=(const TBuildDriver&) = delete;

    // The compiler to use (not owned; the main window keeps one); without
    // it the run uses its own, for Tools\CABWIZ.exe in the program folder.
    void SetCabCompiler(TCabCompiler* compiler) { FCabCompiler = compiler; }
    // The archive makers of the next run; without them it makes the ZIP
    // archive with libzip and the package with Tools\makesfx.exe. A run
    // destroys its archive makers when it ends.
    void SetCompressor(std::unique_ptr<TCompressor> compressor);
    void SetSelfExtractor(std::unique_ptr<TSelfExtractor> extractor);
    // Signs every package the run writes; a package that cannot be signed
    // fails its build and is removed. Without it packages stay unsigned.
    void SetSigner(std::unique_ptr<TPackageSigner> signer);
    // The device certificate, for the builds that sign their files for the
    // device; the digest is SHA-1, which the device loaders verify, unless
    // the options name another. Such a build fails while none is set.
    void SetDeviceSigning(TSigningOptions options);

    // The whole run. True when it completed without errors (also when no
    // build was chosen); every outcome has been reported to the callbacks.
    bool Execute();

    // The packages of the last run, existing or not.
    const std::vector<std::string>& Packages() const { return FPackages; }

    // A message for the log while the run has no build to make.
    static constexpr const char* NoBuildChosen = "No build chosen: nothing was built.";

private:
    struct TOutcome;

    TCabCompiler& Compiler();
    // Drops the files whose sources are missing when the caller agrees;
    // false (reported) when the run ends here.
    bool CheckFiles();
    // Compiles the CAB files of the chosen builds; errors receives what the
    // tool reported.
    void CompileCabs(TCabCompiler& compiler, const std::vector<TBuild*>& chosen, std::vector<std::string>& errors);
    // Makes each chosen package; a build that fails alone adds its failure.
    void MakePackages(const std::vector<TBuild*>& chosen, const TPairList& pairs, std::vector<std::string>& failures);
    void MakePackage(const TBuild& build, const TPairList& pairs);
    // Raises the build's failure when its package cannot be made as it should.
    void CheckBuild(const TBuild& build, const TPairList& pairs, const std::string& setupProgram) const;
    // The builds of the list that can be signed for the device as they ask
    // (the device certificate is set and can sign); each of the others adds
    // its failure.
    std::vector<TBuild*> RejectUnsignableBuilds(const std::vector<TBuild*>& builds, std::vector<std::string>& failures);
    // Compiles and packs the builds that sign for the device, from an .inf
    // that takes their programs and setup DLLs from signed copies.
    void MakeSignedBuilds(TCabCompiler& compiler, const std::vector<TBuild*>& builds, const TPairList& pairs,
                          TOutcome& outcome);
    // The staged copies of the plan, programs and DLLs signed in the run's
    // folder first; files that are no PE files are named in the log. A file
    // that cannot be signed keeps its source, and its failure is added to
    // unsigned, by target suffix, for each section that installs it.
    std::vector<std::pair<std::string, std::string>> SignedCopies(const TDeviceSectionPlan& plan,
                                                                  std::map<std::string, std::string>& unsigned_);
    // Signs the build's CAB files that its targets allow, each once a run.
    void SignCabs(const TBuild& build);
    // The build's setup program, signed in the run's folder when packages are
    // signed (once a run); otherwise, or when it is no PE file, the program
    // folder's file. A failure fails the build.
    std::string PackedSetupProgram(const TBuild& build, const std::string& setupProgram);
    // Signs the written package; a failure removes it and fails the build.
    void SignPackage(const TBuild& build, const std::string& package);
    // A message of the texts, as the self-extractor gets it.
    std::string StubText(const TBuild& build, const std::string& key) const;
    // Packs the files into the archive; the files written for it alone go
    // afterwards, however packing ends.
    void Pack(const TBuild& build, const std::vector<std::string>& files, const std::vector<std::string>& written,
              const std::string& archive);
    // Replaces each missing licence of the list (all but its first entry)
    // by a copy of the neutral licence in the run's folder; returns the copies.
    std::vector<std::string> SupplyMissingLicences(std::vector<std::string>& resourceFiles);
    // Removes what the run kept and reports how it ended.
    bool Finish(const TOutcome& outcome);

    TProject& FProject;
    const TScrambeledMemIniFile& FTextsFile;
    std::string FProgramDir;
    TBuildDriverCallbacks& FCallbacks;
    TCabCompiler* FCabCompiler = nullptr;
    std::unique_ptr<TCabCompiler> FOwnCabCompiler;
    std::unique_ptr<TCompressor> FCompressor;
    std::unique_ptr<TSelfExtractor> FExtractor;
    std::unique_ptr<TPackageSigner> FSigner;
    TSigningOptions FDeviceSigning;
    std::unique_ptr<TDeviceSigner> FDeviceSigner;
    // The CAB files signed in this run, and those that could not be with why.
    std::set<std::string> FSignedCabs;
    std::map<std::string, std::string> FCabSignFailures;
    std::map<std::string, std::string> FSignedSetupPrograms;
    std::string FTempDir;
    std::vector<std::string> FPackages;
};
