#pragma once

// A CAB Wizard .inf made into a project: the inverse of the builder's .inf
// writer, and what a hand-written .inf or one that an IDE generated means to
// the CAB tool. What the project cannot hold is named in the report with its
// line; nothing is dropped in silence.

#include "import/ImportReport.h"

#include <memory>
#include <string>
#include <vector>

class TInfFile;
class TProject;

struct TInfImportOptions {
    // The labels of the [X.label] sections to import (the CAB tool's /cpu
    // labels); empty: every label the .inf has.
    std::vector<std::string> FLabels;
    // Where the project will be saved. Relative source folders are stored
    // relative to its folder, and renamed files are copied into
    // "<project name> files" beside it. Empty: the project is not placed yet
    // (the window opens it unsaved): source folders are stored whole, and
    // the copies go beside the .inf, named after it.
    std::string FProjectPath;
    // A file that every device section installs alike is for every
    // processor: the CAB import's sections are all the CABs there are,
    // while an .inf has a section of its own for such files.
    bool FEverySectionIsEveryProcessor = false;
    // Host paths of sources that the caller writes before the copies are
    // made (the members of a CAB import): renamed files from there are
    // copied as if the sources were there already.
    std::vector<std::string> FSourcesToCome;
};

// A file to copy before the project is saved (host paths).
struct TImportCopy {
    std::string FFrom;
    std::string FTo;
};

struct TImportResult {
    std::unique_ptr<TProject> FProject;
    TImportReport FReport;
    // The copies the project's files point at; nothing is written before
    // MakeImportCopies runs them.
    std::vector<TImportCopy> FCopies;
};

// Fails with Exception, writing nothing, for input that is no CAB Wizard
// .inf (no [Version] with CESignature "$Windows CE$") or names a label that
// no section carries. infPath places the relative source folders.
TImportResult ImportInf(const TInfFile& inf, const std::string& infPath, const TInfImportOptions& options);
// Reads the file first (the encodings the CAB tool reads).
TImportResult ImportInfFile(const std::string& infPath, const TInfImportOptions& options);

// The folder beside the project that receives copied files:
// "<folder>/<project name> files".
std::string ImportFilesFolder(const std::string& projectPath);
// Makes the copies, creating their folders; an older copy is replaced.
void MakeImportCopies(const std::vector<TImportCopy>& copies);
