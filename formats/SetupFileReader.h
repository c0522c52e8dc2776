#pragma once

#include "formats/SetupDescription.h"

#include <cstdint>
#include <vector>

// Reads a Windows CE setup description (".000") back, field by field, so
// tests can check what a CAB file holds. Path components come back as the
// texts of the STRINGS table. Every read is checked against the data: a
// damaged file fails with Exception, never reads outside the bytes.
TSetupDescription ReadSetupDescription(const std::vector<uint8_t>& data);
