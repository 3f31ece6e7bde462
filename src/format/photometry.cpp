// SPDX-License-Identifier: GPL-3.0-or-later
#include "photometry.h"

#include "linebuffer.h"
#include "text.h"

#include <charconv>
#include <cmath>

namespace tagmere {

namespace {

// More angles than any goniophotometer measures; a larger count is a damaged file, and
// refusing it keeps a bad count from driving the reading.
constexpr long kMaxCount = 100000;

// Walks the numbers after the TILT= line, counting lines as the header check does
// (CR LF, a lone CR and a lone LF each end one).
class Numbers {
public:
    static constexpr char kEndOfFile = '\x1a';

    enum class Got { Number, End, NotNumber };

    Numbers(std::string_view bytes, size_t pos, long line) : m_bytes(bytes), m_pos(pos), m_line(line) {}

    Got next(double& value) {
        skipSeparators();
        // A DOS end-of-file byte ends the data, whatever follows it.
        if (m_pos >= m_bytes.size() || m_bytes[m_pos] == kEndOfFile)
            return Got::End;
        const size_t start = m_pos;
        while (m_pos < m_bytes.size() && !isSeparator(m_bytes[m_pos]) && m_bytes[m_pos] != kEndOfFile)
            ++m_pos;
        m_token = m_bytes.substr(start, m_pos - start);
        m_tokenLine = m_line;
        ++m_read;
        std::string_view digits = m_token;
        if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+')
            digits.remove_prefix(1);
        const char* end = digits.data() + digits.size();
        const auto [stop, error] = std::from_chars(digits.data(), end, value);
        if (error != std::errc() || stop != end || !std::isfinite(value))
            return Got::NotNumber;
        return Got::Number;
    }

    // Line of the last token, or of the TILT= line before any.
    long tokenLine() const { return m_tokenLine; }
    std::string_view token() const { return m_token; }
    long tokensRead() const { return m_read; }

private:
    static bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; }

    void skipSeparators() {
        while (m_pos < m_bytes.size() && isSeparator(m_bytes[m_pos])) {
            const char c = m_bytes[m_pos++];
            if (c == '\n' || (c == '\r' && (m_pos >= m_bytes.size() || m_bytes[m_pos] != '\n')))
                ++m_line;
        }
    }

    std::string_view m_bytes;
    size_t m_pos;
    long m_line;
    long m_tokenLine = 0;
    long m_read = 0;
    std::string_view m_token;
};

std::string numberText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool isWhole(double value) {
    return value == std::floor(value);
}

// The value as an int when it is a whole number of sensible size, else 0.
int intOr0(double value) {
    return isWhole(value) && std::fabs(value) <= kMaxCount ? static_cast<int>(value) : 0;
}

bool oneOf(double value, std::initializer_list<double> allowed) {
    for (const double a : allowed) {
        if (value == a)
            return true;
    }
    return false;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes), m_numbers(bytes, 0, 1) {}

    PhotometryReading read() {
        if (!findTilt())
            return std::move(m_result);
        Photometry& p = m_result.values;
        if (p.tilt.kind == TiltKind::Include && !readTilt())
            return std::move(m_result);
        if (readCountsAndAngles() && readCandela())
            p.complete = true;
        checkRanges();
        if (p.complete)
            reportExtra();
        return std::move(m_result);
    }

private:
    void add(const char* code, Severity severity, long line, std::string text) {
        m_result.findings.push_back({code, severity, line, std::move(text)});
    }

    // Finds the TILT= line and starts the numbers after it.
    bool findTilt() {
        LineCursor cursor(m_bytes);
        RawLine raw;
        for (long line = 1; cursor.next(raw); ++line) {
            const std::string_view text = raw.text;
            if (startsWith(text, kTiltPrefix)) {
                const size_t next = static_cast<size_t>(raw.end.data() - m_bytes.data()) + raw.end.size();
                TiltData& tilt = m_result.values.tilt;
                tilt.line = line;
                const std::string value = trimBlanks(text.substr(5));
                if (value == "NONE") {
                    tilt.kind = TiltKind::None;
                } else if (value == "INCLUDE") {
                    tilt.kind = TiltKind::Include;
                } else {
                    tilt.kind = TiltKind::File;
                    tilt.fileName = value;
                    add(finding::kTiltFile, Severity::Warning, line,
                        "tilt data is in the file \"" + value + "\", which is not checked");
                }
                m_numbers = Numbers(m_bytes, next, line + 1);
                return true;
            }
        }
        return false;
    }

    // The next number, or false after reporting why there is none. `what` names the value
    // for the report; it is only called on failure.
    template <typename What> bool take(double& value, What what) {
        const Numbers::Got got = m_numbers.next(value);
        if (got == Numbers::Got::Number)
            return true;
        if (got == Numbers::Got::NotNumber) {
            add(finding::kDataNotNumber, Severity::Error, m_numbers.tokenLine(),
                "\"" + std::string(m_numbers.token().substr(0, 40)) + "\" is not a number (expected " + what() + ")");
        } else {
            const long line = m_numbers.tokenLine() > 0 ? m_numbers.tokenLine() : m_result.values.tilt.line;
            add(finding::kDataTruncated, Severity::Error, line,
                "the data ends after " + std::to_string(m_numbers.tokensRead()) + " numbers, before " + what() +
                    ": the file is cut short or its counts are wrong");
        }
        return false;
    }

    bool takeCount(double& value, const char* what, long& line) {
        if (!take(value, [&] { return std::string(what); }))
            return false;
        line = m_numbers.tokenLine();
        return true;
    }

    bool countOk(double value, long line, const char* what) {
        if (isWhole(value) && value >= 1 && value <= kMaxCount)
            return true;
        add(finding::kDataCount, Severity::Error, line,
            std::string(what) + " is " + numberText(value) + "; it must be a whole number from 1 to " +
                std::to_string(kMaxCount));
        return false;
    }

    // Reads `count` angles and reports the first that does not ascend.
    bool readAngles(std::vector<double>& angles, long count, const char* what, long* firstLine = nullptr) {
        angles.reserve(static_cast<size_t>(count));
        bool ordered = true;
        for (long i = 0; i < count; ++i) {
            double angle = 0;
            if (!take(angle,
                      [&] { return std::string(what) + " " + std::to_string(i + 1) + " of " + std::to_string(count); }))
                return false;
            if (i == 0 && firstLine)
                *firstLine = m_numbers.tokenLine();
            if (ordered && !angles.empty() && angle <= angles.back()) {
                ordered = false;
                add(finding::kAnglesOrder, Severity::Error, m_numbers.tokenLine(),
                    std::string(what) + " " + numberText(angle) + " follows " + numberText(angles.back()) +
                        ": the angles must ascend");
            }
            angles.push_back(angle);
        }
        return true;
    }

    bool readTilt() {
        TiltData& tilt = m_result.values.tilt;
        double geometry = 0;
        double pairs = 0;
        long line = 0;
        if (!takeCount(geometry, "the lamp-to-luminaire geometry", line))
            return false;
        tilt.lampToLuminaireGeometry = intOr0(geometry);
        if (!takeCount(pairs, "the number of tilt angles", line) || !countOk(pairs, line, "the number of tilt angles"))
            return false;
        if (!readAngles(tilt.angles, static_cast<long>(pairs), "tilt angle"))
            return false;
        tilt.factors.reserve(tilt.angles.size());
        for (size_t i = 0; i < tilt.angles.size(); ++i) {
            double factor = 0;
            if (!take(factor, [&] { return "tilt factor " + std::to_string(i + 1); }))
                return false;
            tilt.factors.push_back(factor);
        }
        return true;
    }

    bool readCountsAndAngles() {
        Photometry& p = m_result.values;
        double v[13] = {};
        long lines[13] = {};
        static const char* const names[13] = {"the number of lamps",
                                              "the lumens per lamp",
                                              "the candela multiplier",
                                              "the number of vertical angles",
                                              "the number of horizontal angles",
                                              "the photometric type",
                                              "the units type",
                                              "the luminous width",
                                              "the luminous length",
                                              "the luminous height",
                                              "the ballast factor",
                                              "the factor after the ballast factor",
                                              "the input watts"};
        for (int i = 0; i < 13; ++i) {
            if (!takeCount(v[i], names[i], lines[i]))
                return false;
        }
        p.lampCount = intOr0(v[0]);
        p.lumensPerLamp = v[1];
        p.candelaMultiplier = v[2];
        p.photometricType = oneOf(v[5], {1, 2, 3}) ? static_cast<int>(v[5]) : 0;
        p.unitsType = oneOf(v[6], {1, 2}) ? static_cast<int>(v[6]) : 0;
        p.width = v[7];
        p.length = v[8];
        p.height = v[9];
        p.ballastFactor = v[10];
        p.ballastLampFactor = v[11];
        p.inputWatts = v[12];
        if (!(v[1] > 0 || v[1] == -1))
            add(finding::kLumens, Severity::Error, lines[1],
                "lumens per lamp is " + numberText(v[1]) + "; it must be above 0, or -1 for absolute photometry");
        if (!(v[2] > 0))
            add(finding::kMultiplier, Severity::Error, lines[2],
                "candela multiplier is " + numberText(v[2]) + "; it must be above 0");
        if (p.photometricType == 0)
            add(finding::kPhotometricType, Severity::Error, lines[5],
                "photometric type is " + numberText(v[5]) + "; it must be 1 (type C), 2 (type B) or 3 (type A)");
        if (p.unitsType == 0)
            add(finding::kUnitsType, Severity::Error, lines[6],
                "units type is " + numberText(v[6]) + "; it must be 1 (feet) or 2 (metres)");
        const bool verticalOk = countOk(v[3], lines[3], names[3]);
        const bool horizontalOk = countOk(v[4], lines[4], names[4]);
        if (!verticalOk || !horizontalOk)
            return false;
        p.verticalCount = static_cast<int>(v[3]);
        p.horizontalCount = static_cast<int>(v[4]);
        return readAngles(p.verticalAngles, p.verticalCount, "vertical angle", &m_verticalLine) &&
               readAngles(p.horizontalAngles, p.horizontalCount, "horizontal angle", &m_horizontalLine);
    }

    bool readCandela() {
        Photometry& p = m_result.values;
        long negatives = 0;
        double firstNegative = 0;
        long negativeLine = 0;
        bool ok = true;
        for (int h = 0; h < p.horizontalCount && ok; ++h) {
            p.candela.emplace_back();
            std::vector<double>& row = p.candela.back();
            row.reserve(static_cast<size_t>(p.verticalCount));
            for (int i = 0; i < p.verticalCount; ++i) {
                double value = 0;
                if (!take(value, [&] {
                        return "candela value " + std::to_string(i + 1) + " of " + std::to_string(p.verticalCount) +
                               " at horizontal angle " + numberText(p.horizontalAngles[static_cast<size_t>(h)]);
                    })) {
                    ok = false;
                    break;
                }
                if (value < 0 && negatives++ == 0) {
                    firstNegative = value;
                    negativeLine = m_numbers.tokenLine();
                }
                row.push_back(value);
            }
        }
        if (negatives > 0)
            add(finding::kCandelaNegative, Severity::Error, negativeLine,
                "candela value " + numberText(firstNegative) + " is negative (" + std::to_string(negatives) +
                    " negative value(s) in all)");
        return ok;
    }

    // Angle ranges by photometric type. Type C is certain; the A and B ranges are warnings
    // because older files vary.
    void checkRanges() {
        const Photometry& p = m_result.values;
        const bool verticalRead = p.verticalCount > 0 && p.verticalAngles.size() == size_t(p.verticalCount);
        const bool horizontalRead = p.horizontalCount > 0 && p.horizontalAngles.size() == size_t(p.horizontalCount);
        if (p.photometricType == 0)
            return;
        const bool typeC = p.photometricType == 1;
        const Severity severity = typeC ? Severity::Error : Severity::Warning;
        const char* type = typeC ? "type C" : (p.photometricType == 2 ? "type B" : "type A");
        if (verticalRead) {
            const double first = p.verticalAngles.front();
            const double last = p.verticalAngles.back();
            const bool fits = typeC ? oneOf(first, {0, 90}) && oneOf(last, {90, 180}) && first < last
                                    : oneOf(first, {-90, 0}) && last == 90;
            if (!fits)
                add(finding::kAnglesRange, severity, m_verticalLine,
                    std::string(type) + " vertical angles run from " + numberText(first) + " to " + numberText(last) +
                        (typeC ? "; they must run 0-90, 90-180 or 0-180" : "; they should run -90-90 or 0-90"));
        }
        if (horizontalRead) {
            const double first = p.horizontalAngles.front();
            const double last = p.horizontalAngles.back();
            const bool fits =
                typeC ? oneOf(first, {0, 90}) && (oneOf(last, {0, 90, 180, 360}) || (first == 90 && last == 270))
                      : oneOf(first, {-90, 0}) && last == 90;
            if (!fits)
                add(finding::kAnglesRange, severity, m_horizontalLine,
                    std::string(type) + " horizontal angles run from " + numberText(first) + " to " + numberText(last) +
                        (typeC ? "; they must start at 0 or 90 and end at 0, 90, 180 or 360 (270 from 90)"
                               : "; they should run -90-90 or 0-90"));
        }
    }

    void reportExtra() {
        double value = 0;
        long extra = 0;
        long line = 0;
        while (m_numbers.next(value) != Numbers::Got::End) {
            if (extra++ == 0)
                line = m_numbers.tokenLine();
        }
        if (extra > 0)
            add(finding::kDataExtra, Severity::Warning, line,
                std::to_string(extra) + " value(s) follow the candela table; the counts do not cover them");
    }

    std::string_view m_bytes;
    Numbers m_numbers;
    PhotometryReading m_result;
    long m_verticalLine = 0;
    long m_horizontalLine = 0;
};

} // namespace

PhotometryReading readPhotometry(std::string_view fileBytes) {
    return Reader(fileBytes).read();
}

} // namespace tagmere
