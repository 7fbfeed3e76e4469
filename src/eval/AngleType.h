#pragma once

#include <cstdint>

// How angles are measured; stored by ordinal in records and the settings file.
enum TAngleType : std::uint8_t {
    atDeg, // 360 to a turn
    atRad,
    atGrad, // 400 to a turn
};
