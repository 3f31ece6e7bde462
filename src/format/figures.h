// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "photometry.h"
#include "result.h"

#include <optional>
#include <string>
#include <vector>

namespace tagmere {

// The intensities of one plane through the luminaire, drawn as one line of a polar diagram.
// `angle` runs from the axis (nadir for type C) and is negative on the plane's second half
// (C180 or C270 for type C), so the points ascend from -last to +last.
struct PlanePoint {
    double angle = 0;
    double candela = 0; // multiplier applied
};

struct PlaneCurve {
    std::string label; // "C0-C180", "C90-C270", "H0", "V0"
    std::vector<PlanePoint> points;
    // The two ends are the same direction (the zenith), so the curve goes on round.
    bool closed = false;
    // The line does not join points[gapAfter] and points[gapAfter + 1]: the angles between were
    // not measured. -1 when it joins them all.
    long gapAfter = -1;
};

enum class OpeningShape { Point, Rectangular, Round };

// The figures of one file's photometric block. An empty optional is a figure that does not
// apply or cannot be found; `notes` says why, one line per such figure.
struct PhotometricFigures {
    int photometricType = 0; // 1 = C, 2 = B, 3 = A
    double candelaMultiplier = 0;
    double ballastFactor = 0; // reported, never applied
    double maxIntensity = 0;  // cd
    double maxHorizontal = 0; // direction of the maximum, degrees
    double maxVertical = 0;
    std::optional<double> flux;       // lm, over the measured angles and their symmetry
    std::optional<double> beamC0C180; // full angles in degrees (type C only)
    std::optional<double> beamC90C270;
    std::optional<double> fieldC0C180;
    std::optional<double> fieldC90C270;
    std::optional<double> efficacy;   // lm/W, when input watts are given
    std::optional<double> efficiency; // flux / (lamps x lumens per lamp), relative photometry only
    std::optional<OpeningShape> openingShape;
    double openingWidth = 0; // metres; a round opening's diameters
    double openingLength = 0;
    double openingHeight = 0;
    std::vector<std::string> notes;
    std::vector<PlaneCurve> curves; // the two planes the diagram draws
};

// The figures, or why there are none: the reader's first error or what is missing, as a
// finding (scripts read its line and code) whose text is the description. There are none
// until they are computed.
struct FiguresResult : Result<PhotometricFigures> {
    HeaderFinding problem;

    FiguresResult() { ok = false; }
    explicit FiguresResult(HeaderFinding why) : problem(std::move(why)) {
        ok = false;
        description = problem.text;
    }
};

// The figures of a block as the reader gives it. Needs a complete block without errors.
FiguresResult computeFigures(const PhotometryReading& reading);

// One printable figure: NAME (for scripts), its label for people, VALUE (empty when
// the figure does not apply) and UNIT.
struct FigureRow {
    std::string name;
    std::string label;
    std::string value;
    std::string unit;
};
std::vector<FigureRow> figureRows(const PhotometricFigures& figures);

// The full angle of `curve` round its highest point within which the intensity stays at or
// above `fraction` of that point, by linear interpolation between the measured angles; empty
// when the intensity does not fall that far on both sides within the measured angles.
std::optional<double> spreadAngle(const PlaneCurve& curve, double fraction);

} // namespace tagmere
