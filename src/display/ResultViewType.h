#pragma once

#include <cstdint>

// Stored by ordinal in history records and the settings file: never reorder.
enum TResultViewType : std::uint8_t {
    vtNormal,  // shortest decimal form, 10 significant digits
    vtFix,     // fixed number of decimals
    vtSci,     // scientific with a given number of significant digits
    vtEng,     // exponent in steps of 3, shifted
    vtDms,     // degrees, minutes, seconds
    vtHex,     // 0x..., 64-bit two's complement
    vtBin,     // 0b...
    vtNotView, // nothing
};

// Directed rounding before Fix and Sci.
enum TRoundSelector : std::uint8_t {
    rs54,  // none: the decimal conversion rounds half away from zero
    rsCut, // toward minus infinity
    rsUp,  // toward plus infinity
};
