#include "package/BuildDriver.h"

#include "package/BuildValidation.h"
#include "package/CabCompiler.h"
#include "package/DeviceSectionPlan.h"
#include "package/DeviceSigner.h"
#include "package/FreeExtractor.h"
#include "package/InfParser.h"
#include "package/InfWriter.h"
#include "package/PackageFiles.h"
#include "package/ResourceFile.h"
#include "package/ZipCompressor.h"
#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Platforms.h"
#include "model/Project.h"
#include "storage/Languages.h"
#include "storage/uScramble.h"

#include <algorithm>
#include <exception>

namespace {

// A build that cannot be made while the others still can.
class TBuildFailure : public Exception {
public:
    using Exception::Exception;
};

// The main window's compiler outlives every run: it keeps no lines of one.
class TInfLinesGuard {
public:
    TInfLinesGuard(TCabCompiler& compiler, std::vector<std::string> lines,
                   std::vector<std::pair<std::string, std::string>> copies)
        : FCompiler(compiler)
    {
        FCompiler.SetInfLines(std::move(lines));
        FCompiler.SetStagedCopies(std::move(copies));
    }
    ~TInfLinesGuard()
    {
        FCompiler.SetInfLines({});
        FCompiler.SetStagedCopies({});
    }
    TInfLinesGuard(const TInfLinesGuard&) = delete;
    TInfLinesGuard& operator=(const TInfLinesGuard&) = delete;

private:
    TCabCompiler& FCompiler;
};

bool HasPair(const TPairList& pairs, const TPlatformProcPair& pair)
{
    for (const auto& p : pairs)
        if (p->FPlatform == pair.FPlatform && p->FProcessor == pair.FProcessor)
            return true;
    return false;
}

std::string PairName(const TPlatformProcPair& pair)
{
    std::string name = pair.GetPairName();
    // The pair of all platforms and processors has an empty name.
    return name.empty() ? PlatformToName(pair.FPlatform) + " / " + ProcessorToName(pair.FProcessor) : name;
}

// Closes the archive step's progress however the step ends.
class TArchiveProgressGuard {
public:
    TArchiveProgressGuard(TBuildDriverCallbacks& callbacks, const TBuild& build) : FCallbacks(callbacks)
    {
        FCallbacks.ArchiveStarted(build);
    }
    ~TArchiveProgressGuard() { FCallbacks.ArchiveFinished(); }

private:
    TBuildDriverCallbacks& FCallbacks;
};

// The .inf lines of the plan as the CAB tool reads them.
std::vector<std::string> InfLines(const TProject& project, const TDeviceSectionPlan& plan)
{
    std::vector<std::string> lines;
    WriteInf(project, plan, lines);
    if (project.DefaultFolder())
        ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    return lines;
}

// Each staged copy's source and its place, as host paths.
std::vector<std::pair<std::string, std::string>> StagedCopies(const TDeviceSectionPlan& plan)
{
    std::vector<std::pair<std::string, std::string>> copies;
    for (const TStagedFile& staged : plan.FStagedFiles)
        copies.emplace_back(
            HostFileName(staged.FFile ? staged.FFile->GetHostSourcePath() : staged.FSetupDll->GetHostSourcePath()),
            AppendPath(plan.FStagingDir, AnsiToUtf8(staged.FName)));
    return copies;
}

}

struct TBuildDriver::TOutcome {
    bool Completed = false;
    bool NothingChosen = false;
    std::vector<std::string> Failures;
    std::vector<std::string> CabErrors;
};

TBuildDriver::TBuildDriver(TProject& project, const TScrambeledMemIniFile& textsFile, std::string programDir,
                           TBuildDriverCallbacks& callbacks)
    : FProject(project), FTextsFile(textsFile), FProgramDir(std::move(programDir)), FCallbacks(callbacks)
{
}

TBuildDriver::~TBuildDriver() = default;

void TBuildDriver::SetCompressor(std::unique_ptr<TCompressor> compressor)
{
    FCompressor = std::move(compressor);
}

void TBuildDriver::SetSelfExtractor(std::unique_ptr<TSelfExtractor> extractor)
{
    FExtractor = std::move(extractor);
}

void TBuildDriver::SetSigner(std::unique_ptr<TPackageSigner> signer)
{
    FSigner = std::move(signer);
}

void TBuildDriver::SetDeviceSigning(TSigningOptions options)
{
    if (options.Digest.empty())
        options.Digest = "sha1";
    FDeviceSigning = std::move(options);
}

bool TBuildDriver::Execute()
{
    FPackages.clear();
    FCallbacks.ShowLog(true);
    TCabCompiler& compiler = Compiler();
    TOutcome outcome;
    try {
        CheckSourceDateEpoch();
        if (!CheckFiles())
            return false;
        const TDeviceSectionPlan plan = PlanDeviceSections(FProject);
        TInfLinesGuard linesGuard(compiler, InfLines(FProject, plan), StagedCopies(plan));
        TPairList pairs;
        TInfParser::Parse(plan, pairs);
        compiler.SetOutputDir(FProject.ProjectDir());

        std::vector<TBuild*> chosen;
        if (!FCallbacks.ChooseBuilds(pairs, chosen)) {
            FCallbacks.ShowLog(false);
            return false;
        }
        outcome.Completed = true;
        FCallbacks.ClearTestBuilds();
        if (chosen.empty()) {
            outcome.NothingChosen = true;
            FCallbacks.Log(NoBuildChosen);
        } else {
            FTempDir = CreatePrivateTempDir("VIBuild");
            // A build with a problem stops here, before any tool runs for
            // it; the others go on.
            chosen = RejectFaultyBuilds(FProject, plan, chosen, FCallbacks, outcome.Failures);
            chosen = RejectUnsignableBuilds(chosen, outcome.Failures);
            // The builds that sign for the device take their CAB files from
            // an .inf of their own, so they are compiled after the others.
            std::vector<TBuild*> plain, signing;
            for (TBuild* build : chosen)
                (build->SignForDevice() ? signing : plain).push_back(build);
            if (!plain.empty()) {
                CompileCabs(compiler, plain, outcome.CabErrors);
                MakePackages(plain, pairs, outcome.Failures);
            }
            if (!signing.empty())
                MakeSignedBuilds(compiler, signing, pairs, outcome);
        }
    } catch (const std::exception& e) {
        outcome.Failures.push_back(e.what());
        outcome.Completed = false;
    }
    return Finish(outcome);
}

TCabCompiler& TBuildDriver::Compiler()
{
    if (FCabCompiler)
        return *FCabCompiler;
    FOwnCabCompiler = std::make_unique<TCabCompiler>();
    FOwnCabCompiler->SetCabWizPath(AppendPath(AppendPath(FProgramDir, "Tools"), "CABWIZ.exe"));
    return *FOwnCabCompiler;
}

bool TBuildDriver::CheckFiles()
{
    std::vector<TFile*> missing = FProject.GetMissingFiles();
    if (!missing.empty()) {
        if (!FCallbacks.ConfirmMissingFiles(missing)) {
            FCallbacks.ShowLog(false);
            FCallbacks.ShowInformation("Compilation canceled!");
            return false;
        }
        FProject.RemoveFiles(missing);
        FCallbacks.FilesRemoved();
    }
    if (FProject.Files().Count() == 0) {
        FCallbacks.ShowLog(false);
        FCallbacks.ShowError("There are no files defined!");
        return false;
    }
    return true;
}

std::vector<TBuild*> TBuildDriver::RejectUnsignableBuilds(const std::vector<TBuild*>& builds,
                                                          std::vector<std::string>& failures)
{
    FDeviceSigner.reset();
    FSignedCabs.clear();
    FCabSignFailures.clear();
    FSignedSetupPrograms.clear();
    std::string problem = "it signs its files for the device, but no device certificate is set.";
    if (FDeviceSigning.Enabled()) {
        try {
            auto signer = std::make_unique<TDeviceSigner>(FDeviceSigning);
            signer->CheckCertificate();
            FDeviceSigner = std::move(signer);
        } catch (const Exception& e) {
            problem = e.Message();
        }
    }
    std::vector<TBuild*> passed;
    for (TBuild* build : builds) {
        if (!build->SignForDevice() || FDeviceSigner) {
            passed.push_back(build);
            continue;
        }
        std::string failure = "The build \"" + build->Name() + "\" was not made: " + problem;
        FCallbacks.Log(failure);
        failures.push_back(std::move(failure));
    }
    return passed;
}

void TBuildDriver::MakeSignedBuilds(TCabCompiler& compiler, const std::vector<TBuild*>& builds, const TPairList& pairs,
                                    TOutcome& outcome)
{
    const TDeviceSectionPlan plan = PlanDeviceSections(FProject, true);
    std::map<std::string, std::string> unsignedTargets;
    std::vector<std::pair<std::string, std::string>> copies = SignedCopies(plan, unsignedTargets);
    // A build with a file that could not be signed stops here; the others go on.
    std::vector<TBuild*> signable;
    for (TBuild* build : builds) {
        std::string problem;
        for (int i = 0; i < build->PairCount() && problem.empty(); ++i)
            if (auto it = unsignedTargets.find(build->GetPair(i)->GetPairName()); it != unsignedTargets.end())
                problem = it->second;
        if (problem.empty()) {
            signable.push_back(build);
            continue;
        }
        std::string failure = "The build \"" + build->Name() + "\" was not made: " + problem;
        FCallbacks.Log(failure);
        outcome.Failures.push_back(std::move(failure));
    }
    if (signable.empty())
        return;
    TInfLinesGuard linesGuard(compiler, InfLines(FProject, plan), std::move(copies));
    std::vector<std::string> errors;
    CompileCabs(compiler, signable, errors);
    outcome.CabErrors.insert(outcome.CabErrors.end(), errors.begin(), errors.end());
    MakePackages(signable, pairs, outcome.Failures);
}

std::vector<std::pair<std::string, std::string>>
TBuildDriver::SignedCopies(const TDeviceSectionPlan& plan, std::map<std::string, std::string>& unsigned_)
{
    std::vector<std::pair<std::string, std::string>> copies = StagedCopies(plan);
    const std::string signedDir = AppendPath(FTempDir, "device");
    for (size_t i = 0; i < copies.size(); ++i) {
        const TStagedFile& staged = plan.FStagedFiles[i];
        std::string& source = copies[i].first;
        if (!staged.FSign)
            continue;
        if (!IsPeFile(source)) {
            FCallbacks.Log(source +
                           " is not a program or DLL for Windows (no PE header): it goes into the CAB "
                           "files unsigned.");
            continue;
        }
        const std::string signedCopy = AppendPath(signedDir, std::to_string(i) + "_" + ExtractFileName(source));
        try {
            if (!ForceDirectories(signedDir))
                throw Exception("Cannot create " + signedDir + " folder!");
            FDeviceSigner->SignProgram(source, signedCopy);
        } catch (const Exception& e) {
            for (const auto& section : plan.FDeviceSections) {
                const auto& files = section->Files();
                if (staged.FSetupDll ? section->SetupDLL() == staged.FSetupDll
                                     : std::find(files.begin(), files.end(), staged.FFile) != files.end())
                    unsigned_.emplace(section->Suffix(), e.Message());
            }
            continue;
        }
        FCallbacks.Log("Signed " + source + " for the device.");
        source = signedCopy;
    }
    return copies;
}

void TBuildDriver::SignCabs(const TBuild& build)
{
    const std::vector<std::string> cabs = GetCabFiles(FProject, build);
    for (size_t i = 0; i < cabs.size(); ++i) {
        const std::string& cab = cabs[i];
        const TPlatform platform = build.GetPair(int(i))->FPlatform;
        if (!SignsCabFor(platform)) {
            FCallbacks.Log(cab + " stays unsigned: it is for " + PlatformToName(platform) +
                           ", and devices before Windows Mobile 5.0 are reported to refuse signed CAB files.");
            continue;
        }
        if (FSignedCabs.count(cab))
            continue;
        if (auto failed = FCabSignFailures.find(cab); failed != FCabSignFailures.end())
            throw TBuildFailure("The build \"" + build.Name() + "\" was not made: " + failed->second);
        try {
            FDeviceSigner->SignCab(cab);
        } catch (const Exception& e) {
            // An unsigned CAB file must not stand where a signed one was asked for.
            DeleteFileIfExists(cab);
            FCabSignFailures[cab] = e.Message() + " The unsigned CAB file was removed.";
            throw TBuildFailure("The build \"" + build.Name() + "\" was not made: " + FCabSignFailures[cab]);
        }
        FSignedCabs.insert(cab);
        FCallbacks.Log("Signed " + cab + " for the device.");
    }
}

std::string TBuildDriver::PackedSetupProgram(const TBuild& build, const std::string& setupProgram)
{
    if (!FSigner)
        return setupProgram;
    if (auto done = FSignedSetupPrograms.find(setupProgram); done != FSignedSetupPrograms.end())
        return done->second;
    if (!IsPeFile(setupProgram)) {
        FCallbacks.Log(setupProgram + " is not a program for Windows (no PE header): the package carries it unsigned.");
        return FSignedSetupPrograms[setupProgram] = setupProgram;
    }
    // The program folder's file stays as shipped: the copy in the run's
    // folder is signed, under its own name, which the package starts it by.
    const std::string folder = AppendPath(FTempDir, "inner");
    const std::string copy = AppendPath(folder, ExtractFileName(setupProgram));
    try {
        if (!ForceDirectories(folder))
            throw Exception("Cannot create " + folder + " folder!");
        DeleteFileIfExists(copy);
        FSigner->SignTo(setupProgram, copy, FProject.AppName(), "the package");
        if (!HasPeSignature(copy))
            throw Exception(FSigner->Options().Tool + " wrote no signature into " + setupProgram + ".");
    } catch (const Exception& e) {
        DeleteFileIfExists(copy);
        // The package of an earlier run must not pass for this one's.
        DeleteFileIfExists(AppendPath(AppendPath(FProject.ProjectDir(), BuildFolderName(build)), "Setup.exe"));
        throw TBuildFailure("The build \"" + build.Name() + "\" was not signed: " + e.Message() +
                            " No package was made.");
    }
    FCallbacks.Log("Signed " + setupProgram + " for the package.");
    return FSignedSetupPrograms[setupProgram] = copy;
}

void TBuildDriver::CompileCabs(TCabCompiler& compiler, const std::vector<TBuild*>& chosen,
                               std::vector<std::string>& errors)
{
    FCallbacks.Log("Compiling Cab files...");
    compiler.SetBuilds(std::vector<const TBuild*>(chosen.begin(), chosen.end()));
    compiler.SetInfFileName(AppendPath(FProject.ProjectDir(), FProject.GetProjectName() + ".inf"));
    try {
        compiler.Compile();
        FCallbacks.Log("Cab files compiled succesfuly.");
    } catch (const TCabCompileErrors& e) {
        // The packages are still made from the CAB files the tool did
        // write; the errors are shown when the run ends.
        errors = e.Errors();
        if (!e.Failure().empty())
            throw Exception(e.Failure());
        for (const std::string& error : errors)
            FCallbacks.Log(error);
    }
}

void TBuildDriver::MakePackages(const std::vector<TBuild*>& chosen, const TPairList& pairs,
                                std::vector<std::string>& failures)
{
    if (!FCompressor)
        FCompressor = std::make_unique<TZipCompressor>();
    if (!FExtractor) {
        auto extractor = std::make_unique<TFreeExtractor>();
        extractor->SetToolsDir(AppendPath(FProgramDir, "Tools"));
        FExtractor = std::move(extractor);
    }
    for (size_t i = 0; i < chosen.size(); ++i) {
        const TBuild* build = chosen[i];
        try {
            // Two builds writing one folder would leave only the second
            // package, with the first reported as made.
            for (size_t j = 0; j < i; ++j)
                if (SameBuildFolder(chosen[j]->Name(), build->Name()))
                    throw TBuildFailure(BuildFolderTakenMessage(*chosen[j]));
            MakePackage(*build, pairs);
        } catch (const TBuildFailure& e) {
            FCallbacks.Log(e.Message());
            failures.push_back(e.Message());
        }
    }
}

void TBuildDriver::CheckBuild(const TBuild& build, const TPairList& pairs, const std::string& setupProgram) const
{
    // A pair the current .inf no longer has gets no CAB file, so its
    // package would name one it does not hold.
    for (int i = 0; i < build.PairCount(); ++i)
        if (const TPlatformProcPair* pair = build.GetPair(i); pair && !HasPair(pairs, *pair))
            throw TBuildFailure("The build \"" + build.Name() + "\" needs \"" + PairName(*pair) +
                                "\", but no file of the project is for it any more. Please edit the build.");

    // Shipping a package without the program it starts would only fail on
    // the end user's desktop.
    if (!FileExists(setupProgram))
        throw TBuildFailure("The build \"" + build.Name() + "\" was not made: its setup program " + setupProgram +
                            " is missing.");

    // A name from a damaged or hostile project must not put the package in
    // the work folder or above it.
    if (!IsUsableFolderName(BuildFolderName(build)))
        throw TBuildFailure("The build \"" + build.Name() +
                            "\" was not made: its name gives no folder for the package.");

    // The compiler removed every CAB file it was to make, so one that is
    // here now is from this run.
    for (const std::string& cab : GetCabFiles(FProject, build))
        if (!FileExists(cab))
            throw TBuildFailure("The build \"" + build.Name() + "\" was not made: the CAB tool did not make " + cab +
                                ".");
}

void TBuildDriver::MakePackage(const TBuild& build, const TPairList& pairs)
{
    const std::string setupName = SetupProgramName(build);
    const std::string setupProgram = AppendPath(FProgramDir, setupName);
    CheckBuild(build, pairs, setupProgram);
    if (build.SignForDevice())
        SignCabs(build);
    const std::string folderName = BuildFolderName(build);
    const std::string folder = AppendPath(FProject.ProjectDir(), folderName);
    if (!ForceDirectories(folder))
        throw Exception("Cannot create " + folder + " folder!");

    std::vector<std::string> files = GetCabFiles(FProject, build);
    files.push_back(WriteAppManagerIni(FProject, build, files, FTempDir));
    std::vector<std::string> resource = WriteResourceFile(FProject, build, FTextsFile, FTempDir);
    std::vector<std::string> written = SupplyMissingLicences(resource);
    written.push_back(resource.front());
    files.insert(files.end(), resource.begin(), resource.end());
    const std::string indexFile = WriteIndexFile(FProject, build, FTempDir);
    written.push_back(indexFile);
    files.push_back(indexFile);
    if (std::string image = ExistingProjectFile(FProject.SetupImage()); !image.empty())
        files.push_back(image);
    files.push_back(PackedSetupProgram(build, setupProgram));
    if (std::string icon = ExistingProjectFile(FProject.IconFile()); !icon.empty())
        files.push_back(icon);
    // The .ini, VI.INI and the resource file name every file of the list,
    // so a package without one of them would fail on the end user's desktop.
    for (const std::string& file : files)
        if (!FileExists(file))
            throw TBuildFailure("The build \"" + build.Name() + "\" was not made: the file " + file + " is missing.");

    const std::string archive = AppendPath(FTempDir, folderName + ".ZIP");
    Pack(build, files, written, archive);

    const std::string output = AppendPath(folder, "Setup.exe");
    FExtractor->SetArchive(archive);
    FExtractor->SetOutput(output);
    FPackages.push_back(output);
    FExtractor->SetTitle(FProject.AppName());
    FExtractor->SetExec("$temp$\\" + setupName);
    FExtractor->SetTexts(StubText(build, "0.Unpacking"), StubText(build, "0.Error"));
    FExtractor->SetAutoExtract(build.SfxMode() != 0);
    FExtractor->Execute();

    DeleteFileIfExists(archive);
    DeleteFileIfExists(AppendPath(FProject.ProjectDir(), "errors.txt"));
    if (FSigner)
        SignPackage(build, output);
}

// The self-extractor reads no texts file: it gets its few messages in the
// build's default language (else Neutral) with the names filled in.
std::string TBuildDriver::StubText(const TBuild& build, const std::string& key) const
{
    std::string text = FTextsFile.ReadString(LanguageName(build.DefaultLanguage()), key, "");
    if (text.empty())
        text = FTextsFile.ReadString(LanguageName(NeutralLanguage), key, "");
    return ReplacePlaceholder(ReplacePlaceholder(text, "%APPNAME%", FProject.AppName()), "%COMPANYNAME%",
                              FProject.CompanyName());
}

void TBuildDriver::SignPackage(const TBuild& build, const std::string& package)
{
    FCallbacks.Log("Signing " + package + "...");
    try {
        FSigner->Sign(package, FProject.AppName());
    } catch (const Exception& e) {
        // Whoever asked for a signed package would otherwise find an
        // unsigned one where it belongs and could hand it out unnoticed.
        DeleteFileIfExists(package);
        throw TBuildFailure("The build \"" + build.Name() + "\" was not signed: " + e.Message() +
                            " Its unsigned package was removed.");
    }
    FCallbacks.Log("Signed " + package + ".");
}

void TBuildDriver::Pack(const TBuild& build, const std::vector<std::string>& files,
                        const std::vector<std::string>& written, const std::string& archive)
{
    TArchiveProgressGuard progress(FCallbacks, build);
    FCompressor->SetFiles(files);
    FCompressor->SetArchiveName(archive);
    FCompressor->SetProgress(
        [this](const std::string& fileName, int percent) { FCallbacks.ArchiveProgress(fileName, percent); });
    std::exception_ptr failure;
    try {
        FCompressor->Execute();
    } catch (...) {
        failure = std::current_exception();
    }
    for (const std::string& message : FCompressor->Messages())
        FCallbacks.Log(message);
    for (const std::string& file : written)
        DeleteFileIfExists(file);
    if (failure)
        std::rethrow_exception(failure);
}

std::vector<std::string> TBuildDriver::SupplyMissingLicences(std::vector<std::string>& resourceFiles)
{
    // Licence files are made when the author first opens a language's
    // licence page, so a project may lack some; the wizard would then show
    // an empty page. The neutral licence stands in under the language's name.
    std::vector<std::string> copies;
    std::string neutral = AppendPath(FProject.ProjectDir(), "EULA_Neutral.txt");
    if (!FileExists(neutral))
        neutral = AppendPath(FProgramDir, "EULA_Neutral.txt");
    for (size_t i = 1; i < resourceFiles.size(); ++i) {
        std::string& licence = resourceFiles[i];
        if (FileExists(licence) || !FileExists(neutral))
            continue;
        std::string copy = AppendPath(FTempDir, ExtractFileName(licence));
        std::vector<uint8_t> text = ReadFileBytes(neutral);
        WriteFileAtomic(copy, text.data(), text.size());
        FCallbacks.Log("The licence file " + licence + " does not exist; the package carries " + neutral +
                       " in its place.");
        licence = copy;
        copies.push_back(copy);
    }
    return copies;
}

bool TBuildDriver::Finish(const TOutcome& outcome)
{
    if (!FTempDir.empty()) {
        RemoveTree(FTempDir);
        FTempDir.clear();
    }
    FCompressor.reset();
    FExtractor.reset();
    FCallbacks.ShowLog(false);

    const std::vector<std::string>& errors = outcome.CabErrors;
    if (!errors.empty()) {
        std::string text = "The following errors occured during the CAB compilation process:\r\n";
        for (size_t i = 0; i < errors.size(); ++i)
            text += std::to_string(i) + ". " + errors[i] + "\r\n";
        FCallbacks.ShowError(text);
    } else if (outcome.Completed && outcome.Failures.empty()) {
        if (outcome.NothingChosen) {
            FCallbacks.ShowInformation(NoBuildChosen);
        } else {
            FCallbacks.ShowInformation("Build completed successfuly!");
            std::vector<std::string> existing;
            for (const std::string& package : FPackages)
                if (FileExists(package))
                    existing.push_back(package);
            FCallbacks.AddTestBuilds(existing);
        }
    }
    for (const std::string& failure : outcome.Failures)
        FCallbacks.ShowFailure(failure);
    return outcome.Completed && outcome.Failures.empty() && errors.empty();
}
