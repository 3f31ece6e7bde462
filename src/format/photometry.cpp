// SPDX-License-Identifier: GPL-3.0-or-later
#include "photometry.h"

#include "bytescan.h"
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
        m_tokenLine = m_line;
        ++m_read;
        const char* const start = m_bytes.data() + m_pos;
        const char* const finish = m_bytes.data() + m_bytes.size();
        const char* stop = start;
        if (quickNumber(stop, finish, value)) {
            m_token = m_bytes.substr(m_pos, static_cast<size_t>(stop - start));
            m_pos += m_token.size();
            return Got::Number;
        }
        const size_t first = m_pos;
        while (m_pos < m_bytes.size() && !endsToken(m_bytes[m_pos]))
            ++m_pos;
        m_token = m_bytes.substr(first, m_pos - first);
        std::string_view digits = m_token;
        if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+')
            digits.remove_prefix(1);
        const char* end = digits.data() + digits.size();
        const auto [parsed, error] = std::from_chars(digits.data(), end, value);
        if (error != std::errc() || parsed != end || !std::isfinite(value))
            return Got::NotNumber;
        return Got::Number;
    }

    // Up to `count` numbers into `out`, as next() would give them, stopping before the
    // first token that is not a plain number or starts with "-" (which the caller wants
    // to see on its own); returns how many. The long runs of a candela table go through
    // here, with the position and line kept in registers rather than in the object.
    size_t plainRun(double* out, size_t count) {
        const char* const begin = m_bytes.data();
        const char* const finish = begin + m_bytes.size();
        const char* p = begin + m_pos;
        long line = m_line;
        long tokenLine = m_tokenLine;
        size_t n = 0;
        while (n < count) {
            while (p < finish && isSeparator(*p)) {
                const char c = *p++;
                if (c == '\n' || (c == '\r' && (p == finish || *p != '\n')))
                    ++line;
            }
            if (p == finish || *p == '-')
                break;
            if (!quickNumber(p, finish, out[n]))
                break;
            tokenLine = line;
            ++n;
        }
        m_pos = static_cast<size_t>(p - begin);
        m_line = line;
        m_tokenLine = tokenLine;
        m_read += static_cast<long>(n);
        return n;
    }

    // As plainRun, but only walks over the numbers, for a reader that needs no values:
    // whole blocks of bytes at a time where the bytes allow it.
    size_t skipPlain(size_t count) {
        const char* const begin = m_bytes.data();
        const char* const finish = begin + m_bytes.size();
        const char* p = begin + m_pos;
        Walk walk{m_line, m_tokenLine};
        size_t n = 0;
        while (n < count) {
            if (finish - p > kBlock && skipBlock(p, count - n, walk, n))
                continue;
            // One token at a time where a block cannot be taken whole.
            while (p < finish && isSeparator(*p)) {
                const char c = *p++;
                if (c == '\n' || (c == '\r' && (p == finish || *p != '\n')))
                    ++walk.line;
            }
            double unused = 0;
            if (p == finish || *p == '-' || !quickNumber(p, finish, unused))
                break;
            walk.tokenLine = walk.line;
            walk.blockEnds = 0;
            ++n;
        }
        m_pos = static_cast<size_t>(p - begin);
        m_line = walk.line;
        // Only the last token's line is kept, so a block's is only worked out for the last.
        m_tokenLine = walk.tokenLine + bytescan::bitCount(walk.blockEnds);
        m_read += static_cast<long>(n);
        return n;
    }

    // The line of the token `index` tokens on from here (0: the next one), walking a copy.
    long lineOfToken(size_t index) const {
        Numbers walk = *this;
        double unused = 0;
        for (size_t k = 0; k <= index; ++k)
            walk.next(unused);
        return walk.tokenLine();
    }

    // Line of the last token, or of the TILT= line before any.
    long tokenLine() const { return m_tokenLine; }
    std::string_view token() const { return m_token; }
    long tokensRead() const { return m_read; }

private:
    static bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; }
    static bool endsToken(char c) { return isSeparator(c) || c == kEndOfFile; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    void skipSeparators() {
        while (m_pos < m_bytes.size() && isSeparator(m_bytes[m_pos])) {
            const char c = m_bytes[m_pos++];
            if (c == '\n' || (c == '\r' && (m_pos >= m_bytes.size() || m_bytes[m_pos] != '\n')))
                ++m_line;
        }
    }

    // The common token, an optional minus and digits with an optional fraction, read in
    // place: from_chars costs more than the rest of the check together. Only where the
    // result is sure to be the correctly rounded one from_chars gives: at most 19 digits
    // making a whole number up to 2^53, divided by a power of ten up to 1e19, both exact
    // in a double, so the one division rounds once. Anything else is left to from_chars.
    // Moves `p` past the token only when it succeeds.
    static bool quickNumber(const char*& p, const char* finish, double& value) {
        static constexpr double kPowersOf10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                                 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
        const char* q = p;
        const bool negative = *q == '-';
        if (negative)
            ++q;
        const char* const whole = q;
        unsigned long long mantissa = 0;
        while (q < finish && isDigit(*q))
            mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
        long digits = q - whole;
        if (digits == 0)
            return false;
        long decimals = 0;
        if (q < finish && *q == '.') {
            const char* const point = ++q;
            while (q < finish && isDigit(*q))
                mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
            decimals = q - point;
            if (decimals == 0)
                return false;
            digits += decimals;
        }
        if ((q < finish && !endsToken(*q)) || digits > 19 || mantissa > (1ULL << 53))
            return false;
        const double magnitude = static_cast<double>(mantissa) / kPowersOf10[decimals];
        value = negative ? -magnitude : magnitude;
        p = q;
        return true;
    }

    // Lines so far; the last token's line is tokenLine plus the line ends in blockEnds.
    struct Walk {
        long line;
        long tokenLine;
        unsigned long long blockEnds = 0;
    };

    static constexpr long kBlock = static_cast<long>(bytescan::kBlock);

#ifdef TAGMERE_BYTE_BLOCKS

    // The kinds of the 64 bytes of a block, one bit per byte.
    struct Kinds {
        unsigned long long digits = 0;
        unsigned long long points = 0;
        unsigned long long separators = 0;
        unsigned long long ends = 0; // line ends as the byte-wise walk counts them: LF, CR without LF after it
    };

    // The kinds of the 16 bytes at `at`; reads the byte after them too.
    static void addKinds(const char* at, int shift, Kinds& kinds) {
        const __m128i v = bytescan::load16(at);
        const __m128i after = bytescan::load16(at + 1);
        const __m128i isLf = bytescan::equal16(v, '\n');
        const __m128i isCr = bytescan::equal16(v, '\r');
        const __m128i blank = _mm_or_si128(bytescan::equal16(v, ' '),
                                           _mm_or_si128(bytescan::equal16(v, '\t'), bytescan::equal16(v, ',')));
        kinds.digits |= bytescan::bits16(
            _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1))), shift);
        kinds.points |= bytescan::bits16(bytescan::equal16(v, '.'), shift);
        kinds.separators |= bytescan::bits16(_mm_or_si128(blank, _mm_or_si128(isLf, isCr)), shift);
        kinds.ends |=
            bytescan::bits16(_mm_or_si128(isLf, _mm_andnot_si128(bytescan::equal16(after, '\n'), isCr)), shift);
    }

    // The 64 bytes at `p` (which starts at a separator or a token, and has at least one
    // byte after the block) taken up to their last separator, when everything before it
    // is plain numbers: digits with at most one point, each between digits. Such a token
    // of at most 63 bytes is always a finite number above or at 0, so it needs no reading.
    // Otherwise, or when the block holds more than `most` numbers, false and nothing moved.
    static bool skipBlock(const char*& p, size_t most, Walk& walk, size_t& count) {
        Kinds k;
        addKinds(p, 0, k);
        addKinds(p + 16, 16, k);
        addKinds(p + 32, 32, k);
        addKinds(p + 48, 48, k);
        const unsigned long long digits = k.digits;
        const unsigned long long points = k.points;
        const unsigned long long separators = k.separators;
        // Up to the first byte of any other kind (a sign, a letter, the end-of-file byte).
        const unsigned long long other = ~(digits | points | separators);
        const unsigned long long usable = other ? (other & (~other + 1)) - 1 : ~0ULL;
        const unsigned long long cuts = separators & usable;
        if (cuts == 0)
            return false;
        const int last = bytescan::highestBit(cuts);
        const unsigned long long taken = ~bytescan::bitsFrom(static_cast<size_t>(last) + 1);
        const unsigned long long d = digits & taken;
        const unsigned long long pt = points & taken;
        // A point between two digits; the carry from a point runs over the digits after it
        // and lands on the next point or separator, which must not be a point.
        if ((pt & ~(d << 1)) || (pt & ~(d >> 1)) || ((d + (pt << 1)) & pt))
            return false;
        const unsigned long long token = (d | pt);
        const unsigned long long starts = token & ~(token << 1);
        const auto numbers = static_cast<size_t>(bytescan::bitCount(starts));
        if (numbers > most)
            return false;
        const unsigned long long ends = k.ends & taken;
        if (numbers > 0) {
            walk.tokenLine = walk.line;
            walk.blockEnds = ends & ~bytescan::bitsFrom(static_cast<size_t>(bytescan::highestBit(starts)));
        }
        walk.line += bytescan::bitCount(ends);
        count += numbers;
        p += last + 1;
        return true;
    }
#else
    static bool skipBlock(const char*&, size_t, Walk&, size_t&) {
        return false;
    }
#endif

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
    // keepCandela false: the candela table is walked and checked but not kept, as the
    // header check needs only the findings.
    Reader(std::string_view bytes, bool keepCandela)
        : m_bytes(bytes), m_numbers(bytes, 0, 1), m_keepCandela(keepCandela) {}

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

    // Reads `count` angles and reports the first that does not ascend. Plain ones come in
    // runs; the line of one of them is only looked up when it is reported.
    bool readAngles(std::vector<double>& angles, long count, const char* what, long* firstLine = nullptr) {
        angles.resize(static_cast<size_t>(count));
        bool ordered = true;
        size_t i = 0;
        const auto inOrder = [&](size_t at, long line) {
            if (ordered && at > 0 && angles[at] <= angles[at - 1]) {
                ordered = false;
                add(finding::kAnglesOrder, Severity::Error, line,
                    std::string(what) + " " + numberText(angles[at]) + " follows " + numberText(angles[at - 1]) +
                        ": the angles must ascend");
            }
        };
        while (i < angles.size()) {
            const Numbers runStart = m_numbers;
            const size_t run = m_numbers.plainRun(angles.data() + i, angles.size() - i);
            if (run > 0) {
                const auto lineOf = [&](size_t k) { return runStart.lineOfToken(k - i); };
                if (i == 0 && firstLine)
                    *firstLine = lineOf(0);
                for (size_t k = i; k < i + run && ordered; ++k) {
                    if (k > 0 && angles[k] <= angles[k - 1])
                        inOrder(k, lineOf(k));
                }
                i += run;
                continue;
            }
            if (!take(angles[i], [&] {
                    return std::string(what) + " " + std::to_string(i + 1) + " of " + std::to_string(count);
                })) {
                angles.resize(i);
                return false;
            }
            if (i == 0 && firstLine)
                *firstLine = m_numbers.tokenLine();
            inOrder(i, m_numbers.tokenLine());
            ++i;
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
        if (!m_keepCandela)
            return walkCandela();
        Photometry& p = m_result.values;
        long negatives = 0;
        double firstNegative = 0;
        long negativeLine = 0;
        bool ok = true;
        for (int h = 0; h < p.horizontalCount && ok; ++h) {
            p.candela.emplace_back(static_cast<size_t>(p.verticalCount));
            std::vector<double>& row = p.candela.back();
            size_t i = 0;
            while (i < row.size()) {
                // Plain values in bulk; whatever else comes (a negative, a value to report)
                // is taken one at a time.
                i += m_numbers.plainRun(row.data() + i, row.size() - i);
                if (i == row.size())
                    break;
                double value = 0;
                if (!take(value, [&] {
                        return "candela value " + std::to_string(i + 1) + " of " + std::to_string(p.verticalCount) +
                               " at horizontal angle " + numberText(p.horizontalAngles[static_cast<size_t>(h)]);
                    })) {
                    ok = false;
                    row.resize(i);
                    break;
                }
                if (value < 0 && negatives++ == 0) {
                    firstNegative = value;
                    negativeLine = m_numbers.tokenLine();
                }
                row[i++] = value;
            }
        }
        if (negatives > 0)
            add(finding::kCandelaNegative, Severity::Error, negativeLine,
                "candela value " + numberText(firstNegative) + " is negative (" + std::to_string(negatives) +
                    " negative value(s) in all)");
        return ok;
    }

    // readCandela's findings without the table: the values are only looked at where one
    // may be negative or is not a plain number.
    bool walkCandela() {
        const Photometry& p = m_result.values;
        const auto perRow = static_cast<size_t>(p.verticalCount);
        const size_t total = perRow * static_cast<size_t>(p.horizontalCount);
        long negatives = 0;
        double firstNegative = 0;
        long negativeLine = 0;
        bool ok = true;
        for (size_t at = 0; at < total; ++at) {
            at += m_numbers.skipPlain(total - at);
            if (at == total)
                break;
            const size_t h = at / perRow;
            const size_t i = at % perRow;
            double value = 0;
            if (!take(value, [&] {
                    return "candela value " + std::to_string(i + 1) + " of " + std::to_string(p.verticalCount) +
                           " at horizontal angle " + numberText(p.horizontalAngles[h]);
                })) {
                ok = false;
                break;
            }
            if (value < 0 && negatives++ == 0) {
                firstNegative = value;
                negativeLine = m_numbers.tokenLine();
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
    bool m_keepCandela = true;
};

} // namespace

PhotometryReading readPhotometry(std::string_view fileBytes) {
    return Reader(fileBytes, true).read();
}

std::vector<HeaderFinding> checkPhotometry(std::string_view fileBytes) {
    return Reader(fileBytes, false).read().findings;
}

} // namespace tagmere
