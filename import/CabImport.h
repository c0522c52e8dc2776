#pragma once

// Device CAB files made into one project: the files, registry values,
// shortcuts and setup DLL each CAB installs, the CABs of one application
// (one per processor or platform) merged as the .inf import merges the
// device sections of one .inf. The members are written with the names the
// setup file gives them into "<project name> files" beside the project.

#include "formats/CabReader.h"
#include "import/InfImport.h"

#include <memory>
#include <string>
#include <vector>

// A member to write where a file of the project points.
struct TCabExtraction {
    const TCabReader* FCab = nullptr;
    const TCabMember* FMember = nullptr;
    std::string FTo;
};

struct TCabImport {
    TImportResult FResult;
    std::vector<std::unique_ptr<TCabReader>> FCabs;
    std::vector<TCabExtraction> FExtractions;
};

// Reads every CAB whole (each member the project uses is unpacked once, so
// that damaged data shows here) and writes nothing. Fails with Exception
// naming the CAB and what is wrong with it.
TCabImport ImportCabs(const std::vector<std::string>& cabPaths, const std::string& projectPath);
// Writes the members the project points at, creating their folders.
void WriteCabImportFiles(const TCabImport& import);
