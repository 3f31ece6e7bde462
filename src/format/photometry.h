// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "findings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tagmere {

enum class TiltKind { Missing, None, Include, File };

// The TILT= line and, for TILT=INCLUDE, the tilt data that follows it.
struct TiltData {
    TiltKind kind = TiltKind::Missing; // Missing: no line starts "TILT="
    long line = 0;                     // 1-based line of TILT=, 0 when missing
    std::string fileName;              // TILT=<file name>: noted, not read
    int lampToLuminaireGeometry = 0;   // TILT=INCLUDE only, from here on
    std::vector<double> angles;
    std::vector<double> factors;
};

// The photometric block as written in the file. Candela values are as written, before the
// candela multiplier, and indexed candela[horizontal][vertical].
struct Photometry {
    TiltData tilt;
    int lampCount = 0;
    double lumensPerLamp = 0; // -1 for absolute photometry
    double candelaMultiplier = 0;
    int verticalCount = 0;
    int horizontalCount = 0;
    int photometricType = 0; // 1 = type C, 2 = type B, 3 = type A
    int unitsType = 0;       // 1 = feet, 2 = metres
    double width = 0;
    double length = 0;
    double height = 0;
    double ballastFactor = 0;
    double ballastLampFactor = 0; // the slot after the ballast factor; later versions reuse it
    double inputWatts = 0;
    std::vector<double> verticalAngles;
    std::vector<double> horizontalAngles;
    std::vector<std::vector<double>> candela;
    // Every number the counts call for was read; otherwise the vectors hold what was read.
    bool complete = false;
};

struct PhotometryReading {
    Photometry values;
    std::vector<HeaderFinding> findings; // the data-block codes of headercheck.h
};

// Reads the photometric block of a whole file's bytes, from the first line starting "TILT="
// on. Numbers may be split by blanks, tabs, commas and line ends anywhere. Never throws and
// never reads past the end; a file without TILT= gives TiltKind::Missing and no findings
// (checkHeader reports that).
PhotometryReading readPhotometry(std::string_view fileBytes);

// The findings of readPhotometry alone. The candela table is walked without being kept,
// which makes this several times faster on large tables: the header check uses it.
std::vector<HeaderFinding> checkPhotometry(std::string_view fileBytes);

} // namespace tagmere
