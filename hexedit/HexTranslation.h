#pragma once

// How the hex editor shows bytes as characters, and which byte a typed
// character stands for.

#include <QChar>

#include <cstdint>

enum TTranslationType { ttAnsi, ttDos8, ttASCII, ttMac, ttEBCDIC };

// The character shown for the byte: ttAnsi as Windows-1252, ttDos8 through
// code page 437, ttASCII the lower half through code page 437 and the mask
// above it, ttMac and ttEBCDIC through tables of their own. A character
// below 32 shows as the mask when maskWhiteSpaces is set.
QChar ByteToChar(uint8_t byte, TTranslationType translation, bool maskWhiteSpaces, QChar mask);

// The byte the typed character stands for, or -1 when typing ignores it
// (a code below 32; in ttASCII, any character above the lower half).
int CharToByte(QChar typed, TTranslationType translation);
