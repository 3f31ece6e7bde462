// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/figures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace tagmere;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<double>)

namespace {

constexpr double kPi = 3.14159265358979323846;
// "No value": the figure must be absent.
constexpr double kNone = -1;

struct Block {
    int type = 1;
    int lamps = 1;
    double lumens = -1;
    double multiplier = 1;
    int units = 2;
    double width = 0, length = 0, height = 0;
    double ballast = 1;
    double watts = 0;
    std::vector<double> vertical;
    std::vector<double> horizontal;
    std::function<double(double h, double v)> candela; // as written, before the multiplier
};

std::vector<double> steps(double from, double to, double step = 1) {
    std::vector<double> angles;
    for (double a = from; a <= to + 1e-9; a += step)
        angles.push_back(a);
    return angles;
}

std::string bytes(const Block& b) {
    std::ostringstream out;
    out.precision(12);
    out << "IESNA:LM-63-2002\r\nTILT=NONE\r\n"
        << b.lamps << ' ' << b.lumens << ' ' << b.multiplier << ' ' << b.vertical.size() << ' ' << b.horizontal.size()
        << ' ' << b.type << ' ' << b.units << ' ' << b.width << ' ' << b.length << ' ' << b.height << "\r\n"
        << b.ballast << " 1 " << b.watts << "\r\n";
    for (const double v : b.vertical)
        out << v << ' ';
    out << "\r\n";
    for (const double h : b.horizontal)
        out << h << ' ';
    out << "\r\n";
    for (const double h : b.horizontal) {
        for (const double v : b.vertical)
            out << b.candela(h, v) << ' ';
        out << "\r\n";
    }
    return out.str();
}

double rad(double degrees) {
    return degrees * kPi / 180;
}

double cosine(double, double v) {
    return v >= 90 ? 0 : 1000 * std::cos(rad(v));
}

void expectFigure(const QString& what, const std::optional<double>& got, double expected) {
    if (expected == kNone) {
        QVERIFY2(!got, qPrintable(what));
        return;
    }
    QVERIFY2(got, qPrintable(what));
    QVERIFY2(std::fabs(*got - expected) <= 0.005 * std::fabs(expected),
             qPrintable(QStringLiteral("%1: %2, expected %3").arg(what).arg(*got).arg(expected)));
}

} // namespace

class TestFigures : public QObject {
    Q_OBJECT

private slots:
    // Generated files against values worked out by hand (0.5 % at 1-degree steps).
    void handComputed_data() {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<double>("maxIntensity");
        // Flux, beam C0-C180, beam C90-C270, field C0-C180, efficacy, efficiency.
        QTest::addColumn<std::vector<double>>("expected");
        const auto row = [](const char* name, const Block& b, double max, const std::vector<double>& expected) {
            QTest::newRow(name) << bytes(b) << max << expected;
        };
        Block b;
        b.vertical = steps(0, 180);
        b.horizontal = {0};
        b.candela = [](double, double) { return 100.0; };
        // 4 pi I; never falls to half, so no beam or field angle.
        row("isotropic", b, 100, {4 * kPi * 100, kNone, kNone, kNone, kNone, kNone});

        // Relative photometry: 2 lamps of 1000 lm, values written halved under multiplier 2.
        Block relative = b;
        relative.lamps = 2;
        relative.lumens = 1000;
        relative.multiplier = 2;
        relative.ballast = 0.9;
        relative.watts = 25;
        relative.candela = [](double, double) { return 50.0; };
        row("relative isotropic", relative, 100,
            {4 * kPi * 100, kNone, kNone, kNone, 4 * kPi * 100 / 25, 4 * kPi * 100 / 2000});

        // I0 cos(v) below: pi I0; half at 60 degrees, a tenth at acos(0.1) = 84.26 degrees.
        Block c = b;
        c.vertical = steps(0, 90);
        c.candela = cosine;
        c.watts = 40;
        row("cosine, absolute", c, 1000, {kPi * 1000, 120, 120, 168.5217, kPi * 1000 / 40, kNone});

        // I0 cos^100(v): 2 pi I0 / 101; half at acos(0.5^0.01) = 6.738, a tenth at 12.248 degrees.
        Block cone = c;
        cone.candela = [](double, double v) { return 10000 * std::pow(std::cos(rad(v)), 100); };
        row("narrow cone", cone, 10000,
            {2 * kPi * 10000 / 101, 13.4765, 13.4765, 24.4967, 2 * kPi * 10000 / 101 / 40, kNone});

        // I0 cos(v) (1 + cos(2h) / 2): the cos(2h) part adds nothing over the turn, so pi I0
        // whichever symmetry the file uses; each plane's curve is a cosine.
        Block quadrant = c;
        quadrant.horizontal = steps(0, 90);
        quadrant.candela = [](double h, double v) { return cosine(h, v) * (1 + std::cos(rad(2 * h)) / 2); };
        row("quadrant 0-90", quadrant, 1500, {kPi * 1000, 120, 120, 168.5217, kPi * 1000 / 40, kNone});
        Block half = quadrant;
        half.horizontal = steps(0, 180);
        row("half 0-180", half, 1500, {kPi * 1000, 120, 120, 168.5217, kPi * 1000 / 40, kNone});
        Block full = quadrant;
        full.horizontal = steps(0, 360);
        row("full 0-360", full, 1500, {kPi * 1000, 120, 120, 168.5217, kPi * 1000 / 40, kNone});
        Block other = quadrant;
        other.horizontal = steps(90, 270);
        row("half 90-270", other, 1500, {kPi * 1000, 120, 120, 168.5217, kPi * 1000 / 40, kNone});

        // Type B, latitudes and longitudes -90..90 round a horizontal axis: a hemisphere, 2 pi I;
        // 0..90 longitudes stand for their mirror image too. No C planes, so no beam angles.
        Block typeB = b;
        typeB.type = 2;
        typeB.vertical = steps(-90, 90);
        typeB.horizontal = steps(-90, 90);
        row("type B hemisphere", typeB, 100, {2 * kPi * 100, kNone, kNone, kNone, kNone, kNone});
        typeB.horizontal = steps(0, 90);
        row("type B, one side measured", typeB, 100, {2 * kPi * 100, kNone, kNone, kNone, kNone, kNone});
    }

    void handComputed() {
        QFETCH(std::string, file);
        QFETCH(double, maxIntensity);
        QFETCH(std::vector<double>, expected);
        const FiguresResult result = computeFigures(readPhotometry(file));
        QVERIFY(result.ok);
        const PhotometricFigures& f = result.figures;
        QCOMPARE(f.maxIntensity, maxIntensity);
        const std::optional<double> got[] = {f.flux,        f.beamC0C180, f.beamC90C270,
                                             f.fieldC0C180, f.efficacy,   f.efficiency};
        for (size_t i = 0; i < expected.size(); ++i)
            expectFigure(QStringLiteral("figure %1").arg(i), got[i], expected[i]);
    }

    // The opening in metres, and the reader's first error instead of figures.
    void openingAndProblems() {
        Block b;
        b.vertical = {0, 90};
        b.horizontal = {0};
        b.candela = [](double, double) { return 1.0; };
        b.units = 1;
        b.width = 1;
        b.length = 2;
        b.height = 0.5;
        FiguresResult r = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(r.figures.openingShape == OpeningShape::Rectangular);
        QCOMPARE(r.figures.openingWidth, 0.3048);
        QCOMPARE(r.figures.openingLength, 0.6096);
        QCOMPARE(r.figures.openingHeight, 0.1524);
        b.units = 2;
        b.width = -0.1;
        b.length = 0;
        b.height = 0;
        r = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(r.figures.openingShape == OpeningShape::Round);
        QCOMPARE(r.figures.openingLength, 0.1);

        b.multiplier = 0;
        r = computeFigures(readPhotometry(bytes(b)));
        QVERIFY(!r.ok);
        QCOMPARE(r.problem.code, std::string(finding::kMultiplier));
        r = computeFigures(readPhotometry(bytes(b).substr(0, 40)));
        QVERIFY(!r.ok);
        QCOMPARE(r.problem.code, std::string(finding::kDataTruncated));
    }

    // show --photometry on the two real samples: one JSON object per file, the figures in it.
    void cliOnSamples() {
        const QString folder = QStringLiteral(TAGMERE_SOURCE_DIR "/tests/data/ies/");
        QProcess cli;
        cli.start(QStringLiteral(TAGMERE_CLI_PATH),
                  {QStringLiteral("show"), QStringLiteral("--photometry"), QStringLiteral("--format=json"),
                   folder + QStringLiteral("007cfb11e343e2f42e3b476be4ab684e.ies"),
                   folder + QStringLiteral("1a936937a49c63374e6d4fbed9252b29.ies")});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        const QList<QByteArray> lines = cli.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        for (const QByteArray& line : lines) {
            const QJsonObject file = QJsonDocument::fromJson(line).object();
            QVERIFY(file.value(QStringLiteral("figures")).toObject().value(QStringLiteral("flux")).toDouble() > 0);
        }
        // The second: 9769.798 cd at nadir under multiplier 1.498, absolute, a round opening of 92 mm.
        cli.start(QStringLiteral(TAGMERE_CLI_PATH), {QStringLiteral("show"), QStringLiteral("--photometry"),
                                                     folder + QStringLiteral("1a936937a49c63374e6d4fbed9252b29.ies")});
        QVERIFY(cli.waitForFinished(30000));
        const QByteArray text = cli.readAllStandardOutput();
        QVERIFY2(text.contains("max-intensity\t14635.2\tcd\n"), text.constData());
        QVERIFY2(text.contains("opening-shape\tround\t\n"), text.constData());
        QVERIFY2(text.contains("opening-width\t0.092\tm\n"), text.constData());
        QVERIFY2(text.contains("efficiency\t\t%\n"), text.constData());
    }
};

QTEST_GUILESS_MAIN(TestFigures)
#include "test_figures.moc"
