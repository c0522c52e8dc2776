#pragma once

// The columns of the file lists (the Files tab, "Missing Files") and what a
// file's row shows in them.

#include "ui/lists/frmList.h"

class TFile;
class TProject;

std::vector<TfrmList::TColumn> FileColumns();
// Name, destination, source folder, processor. The destination is the
// project's default folder for a file that uses it.
QStringList FileCells(const TFile& file, const TProject* project);
