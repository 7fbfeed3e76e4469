#pragma once

#include <QString>

// Reads a 32-bit integer the way every integer field of the program is read:
// optional leading blanks and sign, then decimal digits, or hexadecimal digits
// after "$" or "0x". Nothing may follow. False when the text is no such number
// or does not fit in 32 bits.
bool TextToInt(const QString& Text, int& Value);
