#pragma once

#include "formats/SfxTrailer.h"

#include <cstdint>

class TSfxSource;

// Where the parts of a self-extracting program lie in its file. makesfx
// writes stub, archive, settings and tail; signing the program afterwards
// adds a certificate table behind the tail (the PE header's security
// directory names its file offset), padded to a multiple of eight bytes
// with zeros in front of it. The tail is looked for at the end of what the
// program held before it was signed, so signed and unsigned programs read
// alike.
class TSfxLayout {
public:
    // Reads the layout from the whole program file. Raises Exception when
    // the file carries no archive of ours, when its sizes do not fit, or
    // when its header names a certificate table the file cannot hold.
    static TSfxLayout Read(const TSfxSource& file);

    // The end of the data in front of the certificate table: the table's
    // offset when the PE header names one, else the file's size. Raises
    // Exception for a table that lies outside the file or is malformed.
    static uint64_t PayloadEnd(const TSfxSource& file);

    uint64_t ArchiveStart = 0; // where the archive's offsets count from
    uint64_t ArchiveSize = 0;
    TSfxSettings Settings;

    // Signers pad the file to a multiple of this before the table.
    static constexpr uint64_t Alignment = 8;
};
