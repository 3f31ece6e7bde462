// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/figures.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace tagmere;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<double>)

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;
// "No value": the figure must be absent.
constexpr double kNone = -1;

std::vector<double> steps(double from, double to) {
    std::vector<double> angles;
    for (double a = from; a <= to; ++a)
        angles.push_back(a);
    return angles;
}

// A type C block at 1-degree steps, 100 cd everywhere, until a test changes it.
struct Block {
    int type = 1, lamps = 1, units = 2;
    double lumens = -1, multiplier = 1, ballast = 1, watts = 0;
    double width = 0, length = 0, height = 0;
    std::vector<double> vertical = steps(0, 180);
    std::vector<double> horizontal{0};
    std::function<double(double h, double v)> candela = [](double, double) { return 100.0; }; // before the multiplier
};

std::string bytes(const Block& b) {
    std::ostringstream out;
    out.precision(12);
    out << "IESNA:LM-63-2002\r\nTILT=NONE\r\n"
        << b.lamps << ' ' << b.lumens << ' ' << b.multiplier << ' ' << b.vertical.size() << ' ' << b.horizontal.size()
        << ' ' << b.type << ' ' << b.units << ' ' << b.width << ' ' << b.length << ' ' << b.height << "\r\n"
        << b.ballast << " 1 " << b.watts << "\r\n";
    for (const auto* angles : {&b.vertical, &b.horizontal}) {
        for (const double a : *angles)
            out << a << ' ';
        out << "\r\n";
    }
    for (const double h : b.horizontal) {
        for (const double v : b.vertical)
            out << b.candela(h, v) << ' ';
        out << "\r\n";
    }
    return out.str();
}

double cosine(double, double v) {
    return v >= 90 ? 0 : 1000 * std::cos(kDegree * v);
}

} // namespace

class TestFigures : public QObject {
    Q_OBJECT

private slots:
    // Generated files against values worked out by hand (0.5 % at 1-degree steps).
    void handComputed_data() {
        QTest::addColumn<std::string>("file");
        // Maximum intensity, flux, beam C0-C180, beam C90-C270, field C0-C180, efficacy, efficiency.
        QTest::addColumn<std::vector<double>>("expected");
        const auto row = [](const char* name, const Block& b, const std::vector<double>& expected) {
            QTest::newRow(name) << bytes(b) << expected;
        };
        // 4 pi I; never falls to half, so no beam or field angle.
        row("isotropic", Block(), {100, 4 * kPi * 100, kNone, kNone, kNone, kNone, kNone});

        // Relative photometry: 2 lamps of 1000 lm, values written halved under multiplier 2.
        Block relative;
        relative.lamps = 2;
        relative.lumens = 1000;
        relative.multiplier = 2;
        relative.ballast = 0.9;
        relative.watts = 25;
        relative.candela = [](double, double) { return 50.0; };
        row("relative isotropic", relative,
            {100, 4 * kPi * 100, kNone, kNone, kNone, 4 * kPi * 100 / 25, 4 * kPi * 100 / 2000});
        // No lamps: nothing to divide the flux by, so no efficiency.
        Block noLamps = relative;
        noLamps.lamps = 0;
        row("relative, no lamps", noLamps, {100, 4 * kPi * 100, kNone, kNone, kNone, 4 * kPi * 100 / 25, kNone});

        // I0 cos(v) (1 + cos(2h) / 2) below: the cos(2h) part adds nothing over the turn, so pi I0
        // whichever symmetry the file uses; each plane's curve is a cosine: half at 60 degrees, a
        // tenth at acos(0.1) = 84.26 degrees.
        Block sym;
        sym.vertical = steps(0, 90);
        sym.watts = 40;
        sym.candela = [](double h, double v) { return cosine(h, v) * (1 + std::cos(kDegree * 2 * h) / 2); };
        const std::vector<double> cosineFigures{1500, kPi * 1000, 120, 120, 168.5217, kPi * 1000 / 40, kNone};

        // I0 cos^100(v): 2 pi I0 / 101; half at acos(0.5^0.01) = 6.738, a tenth at 12.248 degrees.
        Block cone = sym;
        cone.candela = [](double, double v) { return 10000 * std::pow(std::cos(kDegree * v), 100); };
        row("narrow cone", cone,
            {10000, 2 * kPi * 10000 / 101, 13.4765, 13.4765, 24.4967, 2 * kPi * 10000 / 101 / 40, kNone});

        // The same curve whichever symmetry the file uses.
        for (const auto& [from, to] :
             std::vector<std::pair<int, int>>{{0, 90}, {90, 180}, {0, 180}, {0, 360}, {90, 270}}) {
            sym.horizontal = steps(from, to);
            row(("C" + std::to_string(from) + "-C" + std::to_string(to)).c_str(), sym, cosineFigures);
        }

        // Type B, latitudes and longitudes -90..90 round a horizontal axis: a hemisphere, 2 pi I;
        // 0..90 longitudes stand for their mirror image too. No C planes, so no beam angles.
        Block typeB;
        typeB.type = 2;
        typeB.vertical = steps(-90, 90);
        for (const int from : {-90, 0}) {
            typeB.horizontal = steps(from, 90);
            row(from ? "type B hemisphere" : "type B, one side measured", typeB,
                {100, 2 * kPi * 100, kNone, kNone, kNone, kNone, kNone});
        }
    }

    void handComputed() {
        QFETCH(std::string, file);
        QFETCH(std::vector<double>, expected);
        const FiguresResult result = computeFigures(readPhotometry(file));
        QVERIFY(result.ok);
        const PhotometricFigures& f = result.value;
        const std::optional<double> got[] = {f.maxIntensity, f.flux,     f.beamC0C180, f.beamC90C270,
                                             f.fieldC0C180,  f.efficacy, f.efficiency};
        for (size_t i = 0; i < expected.size(); ++i) {
            const QString what = QStringLiteral("figure %1: %2").arg(i).arg(got[i].value_or(kNone));
            QVERIFY2(got[i].has_value() == (expected[i] != kNone), qPrintable(what));
            QVERIFY2(!got[i] || std::fabs(*got[i] - expected[i]) <= 0.005 * std::fabs(expected[i]), qPrintable(what));
        }
    }

    // Two latitudes on a coarse grid: their zones reach exactly to the poles, so the flux is exact.
    void typeBZonesEndAtThePoles() {
        Block b;
        b.type = 2;
        b.vertical = {-90, 90};
        b.horizontal = {-90, 90};
        const FiguresResult result = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(result.ok && result.value.flux);
        QCOMPARE(std::round(*result.value.flux * 1e6) / 1e6, std::round(2 * kPi * 100 * 1e6) / 1e6);
        // One longitude covers no solid angle: no flux, and the figures say why.
        Block line = b;
        line.horizontal = {0};
        const FiguresResult one = computeFigures(readPhotometry(bytes(line)));
        QVERIFY(one.ok && !one.value.flux);
        QVERIFY(std::any_of(one.value.notes.begin(), one.value.notes.end(),
                            [](const std::string& n) { return n.rfind("flux: ", 0) == 0; }));
        // The diagram's two planes: H0 across both latitudes, V0 across both longitudes.
        QCOMPARE(result.value.curves.size(), size_t(2));
        for (const PlaneCurve& curve : result.value.curves)
            QCOMPARE(curve.points.size(), size_t(2));
    }

    // The diagram draws the C0-C180 and C90-C270 planes, the second half of each on the left.
    void diagramPlanes() {
        Block b;
        b.vertical = steps(0, 90);
        b.horizontal = steps(0, 360);
        b.candela = [](double h, double) { return 1000 + h; }; // each plane its own intensity
        const FiguresResult result = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(result.ok);
        QCOMPARE(result.value.curves.size(), size_t(2));
        const double planes[2][2] = {{0, 180}, {90, 270}};
        for (size_t c = 0; c < 2; ++c) {
            for (const PlanePoint& point : result.value.curves[c].points) {
                if (point.angle != 0)
                    QCOMPARE(point.candela, 1000 + planes[c][point.angle < 0 ? 1 : 0]);
            }
        }
    }

    // The opening in metres, and the reader's first error instead of figures.
    void openingAndProblems() {
        Block b;
        b.units = 1;
        b.width = 1;
        b.length = 2;
        b.height = 0.5;
        FiguresResult r = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(r.value.openingShape == OpeningShape::Rectangular);
        QCOMPARE(r.value.openingWidth, 0.3048);
        QCOMPARE(r.value.openingLength, 0.6096);
        QCOMPARE(r.value.openingHeight, 0.1524);
        b.units = 2;
        b.width = -0.1;
        b.length = 0;
        r = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(r.value.openingShape == OpeningShape::Round);
        QCOMPARE(r.value.openingLength, 0.1);

        b.multiplier = 0;
        r = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(!r.ok);
        QCOMPARE(r.problem.code, std::string(finding::kMultiplier));
    }
};

QTEST_GUILESS_MAIN(TestFigures)
#include "test_figures.moc"
