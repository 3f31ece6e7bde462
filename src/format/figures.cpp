// SPDX-License-Identifier: GPL-3.0-or-later
#include "figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tagmere {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFeet = 0.3048;

double radians(double degrees) {
    return degrees * kPi / 180;
}

// `values` (one per angle of the ascending `angles`) at `angle`, linearly between the two
// nearest; empty outside the angles.
std::optional<double> interpolate(const std::vector<double>& angles, const std::vector<double>& values, double angle) {
    if (angles.empty() || angle < angles.front() || angle > angles.back())
        return std::nullopt;
    const auto upper = std::lower_bound(angles.begin(), angles.end(), angle);
    const auto i = static_cast<size_t>(upper - angles.begin());
    if (angles[i] == angle || i == 0)
        return values[i];
    const double t = (angle - angles[i - 1]) / (angles[i] - angles[i - 1]);
    return values[i - 1] + t * (values[i] - values[i - 1]);
}

// The measured horizontal angle that stands for C plane `c` by the symmetry the horizontal
// angles imply; empty when none does.
std::optional<double> measuredPlane(const std::vector<double>& h, double c) {
    c = std::fmod(c, 360.0);
    if (c < 0)
        c += 360;
    const double first = h.front();
    const double last = h.back();
    if (h.size() == 1)
        return first; // the same in every plane
    if (first == 0 && last == 90) {
        c = std::fmod(c, 180.0);
        return c > 90 ? 180 - c : c;
    }
    if (first == 90 && last == 180) { // the quadrant on the other side of C90
        c = std::fmod(c, 180.0);
        return 180 - (c > 90 ? 180 - c : c);
    }
    if (first == 0 && last == 180)
        return c > 180 ? 360 - c : c;
    if (first == 90 && last == 270) // mirrored about the C90-C270 plane
        return c < 90 ? 180 - c : (c > 270 ? 540 - c : c);
    if (c >= first && c <= last)
        return c;
    return std::nullopt;
}

// How many times the measured planes go into the full turn; empty when the angles imply no
// symmetry this program knows.
std::optional<double> turnFactor(const std::vector<double>& h) {
    const double first = h.front();
    const double last = h.back();
    if ((first == 0 || first == 90) && last - first == 90)
        return 4.0;
    if ((first == 0 || first == 90) && last - first == 180)
        return 2.0;
    if (first == 0 && last == 360)
        return 1.0;
    return std::nullopt;
}

// The share of a range each ascending angle stands for: from the midpoint with the angle
// before to the midpoint with the one after, the ends reaching the first and last angle.
std::vector<std::pair<double, double>> zones(const std::vector<double>& angles, double low, double high) {
    std::vector<std::pair<double, double>> result;
    for (size_t i = 0; i < angles.size(); ++i) {
        const double from = i == 0 ? angles[i] : (angles[i - 1] + angles[i]) / 2;
        const double to = i + 1 == angles.size() ? angles[i] : (angles[i] + angles[i + 1]) / 2;
        result.emplace_back(std::clamp(from, low, high), std::clamp(to, low, high));
    }
    return result;
}

class Calculator {
public:
    explicit Calculator(const Photometry& p) : m_p(p) {}

    PhotometricFigures run() {
        PhotometricFigures& f = m_f;
        f.photometricType = m_p.photometricType;
        f.candelaMultiplier = m_p.candelaMultiplier;
        f.ballastFactor = m_p.ballastFactor;
        findMaximum();
        if (m_p.photometricType == 1)
            typeC();
        else
            typeAB();
        if (f.flux && m_p.inputWatts > 0)
            f.efficacy = *f.flux / m_p.inputWatts;
        else if (f.flux)
            f.notes.push_back("efficacy: no input watts are given");
        if (m_p.lumensPerLamp == -1)
            f.notes.push_back("efficiency: absolute photometry has no lamp lumens");
        else if (f.flux && m_p.lampCount > 0 && m_p.lumensPerLamp > 0)
            f.efficiency = *f.flux / (m_p.lampCount * m_p.lumensPerLamp);
        opening();
        return std::move(m_f);
    }

private:
    double cd(size_t h, size_t v) const { return m_p.candela[h][v] * m_p.candelaMultiplier; }

    void findMaximum() {
        bool first = true;
        for (size_t h = 0; h < m_p.candela.size(); ++h) {
            for (size_t v = 0; v < m_p.candela[h].size(); ++v) {
                if (first || cd(h, v) > m_f.maxIntensity) {
                    m_f.maxIntensity = cd(h, v);
                    m_f.maxHorizontal = m_p.horizontalAngles[h];
                    m_f.maxVertical = m_p.verticalAngles[v];
                    first = false;
                }
            }
        }
    }

    // Intensities at every vertical angle in C plane `c`, between measured planes linearly.
    std::optional<std::vector<double>> planeC(double c) const {
        const std::optional<double> measured = measuredPlane(m_p.horizontalAngles, c);
        if (!measured)
            return std::nullopt;
        std::vector<double> row;
        std::vector<double> column(m_p.horizontalAngles.size());
        for (size_t v = 0; v < m_p.verticalAngles.size(); ++v) {
            for (size_t h = 0; h < column.size(); ++h)
                column[h] = cd(h, v);
            row.push_back(*interpolate(m_p.horizontalAngles, column, *measured));
        }
        return row;
    }

    void typeC() {
        const std::vector<double>& v = m_p.verticalAngles;
        const std::vector<double>& h = m_p.horizontalAngles;
        const std::optional<double> factor = h.size() == 1 ? std::optional<double>(1.0) : turnFactor(h);
        if (factor) {
            // Zonal sum: each value lights the zone between the midpoints to its neighbours.
            const auto vertical = zones(v, 0, 180);
            const auto horizontal = zones(h, h.front(), h.back());
            // Each zone's share of the sphere once, not once per plane.
            std::vector<double> band(v.size());
            for (size_t j = 0; j < v.size(); ++j)
                band[j] = std::cos(radians(vertical[j].first)) - std::cos(radians(vertical[j].second));
            double flux = 0;
            for (size_t i = 0; i < h.size(); ++i) {
                const double sector = h.size() == 1 ? 2 * kPi : radians(horizontal[i].second - horizontal[i].first);
                for (size_t j = 0; j < v.size(); ++j)
                    flux += cd(i, j) * sector * band[j];
            }
            m_f.flux = flux * *factor;
        } else {
            m_f.notes.push_back("flux: the horizontal angles imply no symmetry to complete the turn");
        }
        m_f.curves.push_back(curveC(0));
        m_f.curves.push_back(curveC(90));
        const PlaneCurve& c0 = m_f.curves[0];
        const PlaneCurve& c90 = m_f.curves[1];
        m_f.beamC0C180 = spreadAngle(c0, 0.5);
        m_f.beamC90C270 = spreadAngle(c90, 0.5);
        m_f.fieldC0C180 = spreadAngle(c0, 0.1);
        m_f.fieldC90C270 = spreadAngle(c90, 0.1);
        const auto note = [this](const std::optional<double>& value, const char* what) {
            if (!value)
                m_f.notes.push_back(std::string(what) +
                                    ": the intensity does not fall that far on both sides within the measured angles");
        };
        note(m_f.beamC0C180, "beam angle C0-C180");
        note(m_f.beamC90C270, "beam angle C90-C270");
        note(m_f.fieldC0C180, "field angle C0-C180");
        note(m_f.fieldC90C270, "field angle C90-C270");
    }

    PlaneCurve curveC(double c) const {
        PlaneCurve curve;
        curve.label = c == 0 ? "C0-C180" : "C90-C270";
        const auto front = planeC(c);
        const auto back = planeC(c + 180);
        if (!front || !back)
            return curve;
        const std::vector<double>& v = m_p.verticalAngles;
        for (size_t j = v.size(); j-- > 0;)
            curve.points.push_back({-v[j], (*back)[j]});
        for (size_t j = 0; j < v.size(); ++j)
            curve.points.push_back({v[j], (*front)[j]});
        curve.closed = v.back() == 180;
        if (v.front() > 0)
            curve.gapAfter = static_cast<long>(v.size()) - 1;
        return curve;
    }

    // Types A and B: the polar axis lies horizontal, vertical angles are latitudes. A range
    // that starts at 0 stands for its mirror image as well.
    void typeAB() {
        const std::vector<double>& v = m_p.verticalAngles;
        const std::vector<double>& h = m_p.horizontalAngles;
        const char* const cOnly = ": measured in C planes, which type A and B files do not have";
        for (const char* what :
             {"beam angle C0-C180", "beam angle C90-C270", "field angle C0-C180", "field angle C90-C270"})
            m_f.notes.push_back(std::string(what) + cOnly);
        if (h.size() < 2) {
            m_f.notes.push_back("flux: one horizontal angle does not cover a solid angle");
        } else {
            const auto vertical = zones(v, -90, 90);
            const auto horizontal = zones(h, h.front(), h.back());
            std::vector<double> band(v.size());
            for (size_t j = 0; j < v.size(); ++j)
                band[j] = std::sin(radians(vertical[j].second)) - std::sin(radians(vertical[j].first));
            double flux = 0;
            for (size_t i = 0; i < h.size(); ++i) {
                for (size_t j = 0; j < v.size(); ++j)
                    flux += cd(i, j) * radians(horizontal[i].second - horizontal[i].first) * band[j];
            }
            m_f.flux = flux * (h.front() == 0 ? 2 : 1) * (v.front() == 0 ? 2 : 1);
        }
        // The plane H0 across the vertical angles, and V0 across the horizontal ones.
        PlaneCurve h0{"H0", {}, false, -1};
        PlaneCurve v0{"V0", {}, false, -1};
        std::vector<double> column(h.size());
        for (size_t j = 0; j < v.size(); ++j) {
            for (size_t i = 0; i < h.size(); ++i)
                column[i] = cd(i, j);
            if (const auto value = interpolate(h, column, 0))
                h0.points.push_back({v[j], *value});
        }
        for (size_t i = 0; i < h.size(); ++i) {
            std::vector<double> row(v.size());
            for (size_t j = 0; j < v.size(); ++j)
                row[j] = cd(i, j);
            if (const auto value = interpolate(v, row, 0))
                v0.points.push_back({h[i], *value});
        }
        for (PlaneCurve* curve : {&h0, &v0}) {
            std::vector<PlanePoint>& points = curve->points;
            if (!points.empty() && points.front().angle == 0) {
                std::vector<PlanePoint> mirrored;
                for (auto it = points.rbegin(); it != points.rend(); ++it)
                    if (it->angle > 0)
                        mirrored.push_back({-it->angle, it->candela});
                points.insert(points.begin(), mirrored.begin(), mirrored.end());
            }
            m_f.curves.push_back(std::move(*curve));
        }
    }

    void opening() {
        if (m_p.unitsType != 1 && m_p.unitsType != 2) {
            m_f.notes.push_back("luminous opening: the units type is neither feet nor metres");
            return;
        }
        const double scale = m_p.unitsType == 1 ? kFeet : 1.0;
        double width = m_p.width;
        double length = m_p.length;
        if (width == 0 && length == 0) {
            m_f.openingShape = OpeningShape::Point;
        } else if (width < 0 || length < 0) {
            // A round opening gives its diameters negated; a missing one repeats the other.
            m_f.openingShape = OpeningShape::Round;
            width = std::fabs(width);
            length = std::fabs(length);
            if (width == 0)
                width = length;
            if (length == 0)
                length = width;
        } else {
            m_f.openingShape = OpeningShape::Rectangular;
        }
        m_f.openingWidth = width * scale;
        m_f.openingLength = length * scale;
        m_f.openingHeight = std::fabs(m_p.height) * scale;
    }

    const Photometry& m_p;
    PhotometricFigures m_f;
};

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text == "-0" || text.find_first_not_of("-0.") == std::string::npos)
        text = decimals > 0 ? "0." + std::string(static_cast<size_t>(decimals), '0') : "0";
    return text;
}

std::string general(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

} // namespace

std::optional<double> spreadAngle(const PlaneCurve& curve, double fraction) {
    const std::vector<PlanePoint>& p = curve.points;
    const long n = static_cast<long>(p.size());
    if (n < 2)
        return std::nullopt;
    long peak = 0;
    for (long i = 1; i < n; ++i) {
        if (p[static_cast<size_t>(i)].candela > p[static_cast<size_t>(peak)].candela)
            peak = i;
    }
    const double threshold = fraction * p[static_cast<size_t>(peak)].candela;
    if (!(threshold > 0))
        return std::nullopt;
    // Walks from the peak one way until the intensity drops below the threshold; a closed
    // curve goes on past its end, whose first point repeats its last.
    const auto edge = [&](long step) -> std::optional<double> {
        long i = peak;
        double offset = 0;
        for (long steps = 0; steps < n; ++steps) {
            long j = i + step;
            double nextOffset = offset;
            if (j >= n || j < 0) {
                if (!curve.closed)
                    return std::nullopt;
                j = j >= n ? 1 : n - 2;
                nextOffset += step * 360.0;
            }
            if (curve.gapAfter >= 0 && std::min(i, j) == curve.gapAfter && std::abs(i - j) == 1)
                return std::nullopt;
            const PlanePoint& a = p[static_cast<size_t>(i)];
            const PlanePoint& b = p[static_cast<size_t>(j)];
            if (b.candela < threshold) {
                const double from = a.angle + offset;
                const double to = b.angle + nextOffset;
                return from + (to - from) * (a.candela - threshold) / (a.candela - b.candela);
            }
            i = j;
            offset = nextOffset;
        }
        return std::nullopt;
    };
    const std::optional<double> right = edge(1);
    const std::optional<double> left = edge(-1);
    if (!right || !left)
        return std::nullopt;
    return *right - *left;
}

FiguresResult computeFigures(const PhotometryReading& reading) {
    const Photometry& p = reading.values;
    for (const HeaderFinding& f : reading.findings) {
        if (f.severity == Severity::Error)
            return FiguresResult(f);
    }
    if (p.tilt.kind == TiltKind::Missing)
        return FiguresResult(
            {finding::kNoTilt, Severity::Error, 1, "no line starts \"TILT=\", so there is no photometric data"});
    if (!p.complete || p.candela.empty())
        return FiguresResult(
            {finding::kDataTruncated, Severity::Error, p.tilt.line, "the photometric data is incomplete"});
    FiguresResult result;
    result.ok = true;
    result.value = Calculator(p).run();
    return result;
}

std::vector<FigureRow> figureRows(const PhotometricFigures& f) {
    const auto value = [](const std::optional<double>& v, int decimals) { return v ? fixed(*v, decimals) : ""; };
    const char* const type = f.photometricType == 1 ? "C" : (f.photometricType == 2 ? "B" : "A");
    std::vector<FigureRow> rows = {
        {"photometric-type", "Photometric type", type, ""},
        {"candela-multiplier", "Candela multiplier", general(f.candelaMultiplier), ""},
        {"ballast-factor", "Ballast factor (not applied)", general(f.ballastFactor), ""},
        {"max-intensity", "Maximum intensity", fixed(f.maxIntensity, 1), "cd"},
        {"max-intensity-horizontal", "  at horizontal angle", general(f.maxHorizontal), "deg"},
        {"max-intensity-vertical", "  at vertical angle", general(f.maxVertical), "deg"},
        {"flux", "Luminous flux", value(f.flux, 1), "lm"},
        {"beam-angle-c0-c180", "Beam angle C0-C180", value(f.beamC0C180, 1), "deg"},
        {"beam-angle-c90-c270", "Beam angle C90-C270", value(f.beamC90C270, 1), "deg"},
        {"field-angle-c0-c180", "Field angle C0-C180", value(f.fieldC0C180, 1), "deg"},
        {"field-angle-c90-c270", "Field angle C90-C270", value(f.fieldC90C270, 1), "deg"},
        {"efficacy", "Luminous efficacy", value(f.efficacy, 1), "lm/W"},
        {"efficiency", "Luminaire efficiency", f.efficiency ? fixed(*f.efficiency * 100, 1) : "", "%"},
    };
    const char* shape = "";
    if (f.openingShape)
        shape = *f.openingShape == OpeningShape::Point
                    ? "point"
                    : (*f.openingShape == OpeningShape::Round ? "round" : "rectangular");
    rows.push_back({"opening-shape", "Luminous opening", shape, ""});
    const bool opening = f.openingShape.has_value();
    rows.push_back({"opening-width", "  width", opening ? fixed(f.openingWidth, 3) : "", "m"});
    rows.push_back({"opening-length", "  length", opening ? fixed(f.openingLength, 3) : "", "m"});
    rows.push_back({"opening-height", "  height", opening ? fixed(f.openingHeight, 3) : "", "m"});
    return rows;
}

} // namespace tagmere
