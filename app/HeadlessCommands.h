#pragma once

#include "package/PackageSigner.h"

#include <iosfwd>
#include <string>
#include <vector>

// The builder's command line without a display: each command prints to the
// given streams and returns the process exit status.

// True when the arguments ask for a headless command (or for help/version),
// so that the GUI must not start.
bool IsHeadlessCommand(const std::vector<std::string>& args);

// The program name is the one usage texts and error lines show (the name the
// program was started by).
int RunHeadless(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programName = "VeltrinInstaller");

// `--inf PROJECT.vip`: the .inf text of the project, as a build hands it to
// the CAB tool, in Windows-1252 with CR LF line ends.
int RunInfCommand(const std::string& projectPath, std::ostream& out, std::ostream& err);

// `--export PROJECT [OUT.json]`: the project as JSON text, to OUT.json or,
// without it, to out. The work folder is exported as the file stores it.
int RunExportCommand(const std::string& projectPath, const std::string& outPath, std::ostream& out, std::ostream& err);

// `--import PROJECT.json OUT.vip`: writes the binary project; nothing is
// written when the JSON text is refused.
int RunImportCommand(const std::string& jsonPath, const std::string& outPath, std::ostream& err);

// `--import-inf FILE.inf OUT.vip [--cpu LABEL]...`: the project of a CAB
// Wizard .inf, with the copies of renamed files beside it; prints the
// import report to out. 1 when something could not be mapped (the project
// is written all the same) or the input was refused (nothing is written).
int RunImportInfCommand(const std::string& infPath, const std::string& outPath, const std::vector<std::string>& labels,
                        std::ostream& out, std::ostream& err);

struct TBuildCommandOptions {
    std::string ProjectPath;
    // Names of the builds to make; empty: every build of the project.
    std::vector<std::string> Only;
    // Drop files whose source is missing instead of cancelling.
    bool RemoveMissing = false;
    // No log on out; errors still go to err.
    bool Quiet = false;
    // One progress line on err, redrawn in place, for the long steps (meant
    // for a terminal: the line is redrawn with carriage returns).
    bool Progress = false;
    // Where Setup.exe, Deskstart.exe, Resources.dat and Tools\ are; empty:
    // the folder of the running program.
    std::string ProgramDir;
    // `--sign-pkcs12 FILE [--sign-timestamp URL]`: sign every package, the
    // certificate's password taken from VI_SIGN_PASSWORD.
    TSigningOptions Signing;
    // `--sign-device-pkcs12 FILE [--sign-device-timestamp URL]
    // [--sign-device-digest sha1|sha256]`: the certificate of the builds that
    // sign for the device, its password from VI_DEVICE_SIGN_PASSWORD.
    TSigningOptions DeviceSigning;
};

// `--build PROJECT.vip [--only BUILDNAME]... [--remove-missing] [--quiet]`: the build
// run of the builder without its dialogs. The project's builds are taken as
// they stand and all chosen (a project without builds gets "All In One");
// the log goes to out, the final error text to err. Source folders given
// relative to the project folder are read from there. The project file is
// never written. 0 only when the run completed without errors.
int RunBuildCommand(const TBuildCommandOptions& options, std::ostream& out, std::ostream& err);
