#include "recipe/diagtext.h"

#include "config/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Ptx {

namespace {

constexpr int FixedDecimals = 6;
constexpr int GeneralDigits = 6;
constexpr int HexBase = 16;
// Below this a scaled value that came out a whole number is within an eighth of the exact
// scaled value, so rounding the exact value gives that same whole number.
constexpr double ExactScaledLimit = 1125899906842624.0; // 2^50
constexpr long long Powers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// value * 10^decimals as a whole number, when that is exact enough to print from.
bool scaledWhole(double value, int decimals, long long *whole)
{
    const double scaled = value * static_cast<double>(Powers[decimals]);
    if (!(std::fabs(scaled) < ExactScaledLimit) || scaled != std::trunc(scaled))
        return false;
    *whole = static_cast<long long>(std::fabs(scaled));
    return true;
}

} // namespace

// Writes whole / 10^decimals with that many decimals, the sign of value in front; trailing
// zeros (and then the point) dropped when trim is set.
void DiagText::scaled(double value, long long whole, int decimals, bool trim)
{
    if (std::signbit(value))
        text("-");
    decimal(whole / Powers[decimals]);
    if (decimals == 0)
        return;
    long long fraction = whole % Powers[decimals];
    int digits = decimals;
    if (trim) {
        while (digits > 0 && fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        if (digits == 0)
            return;
    }
    char out[FixedDecimals + 1];
    out[0] = '.';
    for (int i = digits; i > 0; --i) {
        out[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    const int n = std::min(digits + 1, Capacity - length);
    std::memcpy(buffer + length, out, n);
    length += n;
}

DiagText &DiagText::text(const char *s)
{
    const int n = std::min(static_cast<int>(std::strlen(s)), Capacity - length);
    std::memcpy(buffer + length, s, n);
    length += n;
    return *this;
}

DiagText &DiagText::fixed(double value)
{
    // printf writes "nan" and "inf" without a sign distinction for nan.
    if (std::isnan(value))
        return text("nan");
    long long whole = 0;
    if (scaledWhole(value, FixedDecimals, &whole)) {
        scaled(value, whole, FixedDecimals, false);
        return *this;
    }
    const auto result = std::to_chars(buffer + length, buffer + Capacity, value, std::chars_format::fixed,
                                      FixedDecimals);
    if (result.ec == std::errc())
        length = static_cast<int>(result.ptr - buffer);
    return *this;
}

// True when the seventh significant digit may decide a rounding tie, which the general
// number text breaks away from zero where to_chars would break it to even.
bool DiagText::nearTie(double value)
{
    constexpr int Digits = 15;          // one before the point, fifteen after
    constexpr int TieDigit = 7;         // its place in "d.ddddd..." (the point at index 1)
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                                      std::chars_format::scientific, Digits);
    if (result.ec != std::errc())
        return true;
    const char first = digits[TieDigit];
    if (first != '5' && first != '4')
        return false;
    const char rest = first == '5' ? '0' : '9';
    for (int i = TieDigit + 1; i <= Digits + 1; ++i) {
        if (digits[i] != rest)
            return false;
    }
    return true;
}

DiagText &DiagText::general(double value)
{
    if (std::isnan(value))
        return text("nan");
    const double magnitude = std::fabs(value);
    if (magnitude == 0.0)
        return text("0");
    // From 0.1 up to a million the general format is fixed notation with six significant
    // digits, trailing zeros dropped.
    if (magnitude >= 0.1 && magnitude < 1e6) {
        int intDigits = 0;
        while (intDigits < GeneralDigits && magnitude >= static_cast<double>(Powers[intDigits]))
            ++intDigits;
        const int decimals = GeneralDigits - intDigits;
        long long whole = 0;
        if (scaledWhole(value, decimals, &whole)) {
            scaled(value, whole, decimals, true);
            return *this;
        }
    }
    if (std::isfinite(value) && nearTie(value)) {
        const QByteArray exact = numberText(value).toLatin1();
        return text(exact.constData());
    }
    const auto result = std::to_chars(buffer + length, buffer + Capacity, value, std::chars_format::general,
                                      GeneralDigits);
    if (result.ec == std::errc())
        length = static_cast<int>(result.ptr - buffer);
    return *this;
}

DiagText &DiagText::generalList(const double *values, int count)
{
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text(",");
        general(values[i]);
    }
    return *this;
}

DiagText &DiagText::decimal(long long value)
{
    const auto result = std::to_chars(buffer + length, buffer + Capacity, value);
    if (result.ec == std::errc())
        length = static_cast<int>(result.ptr - buffer);
    return *this;
}

DiagText &DiagText::hex(unsigned long long value)
{
    const auto result = std::to_chars(buffer + length, buffer + Capacity, value, HexBase);
    if (result.ec == std::errc())
        length = static_cast<int>(result.ptr - buffer);
    return *this;
}

QString DiagText::toString() const
{
    return QString::fromLatin1(buffer, length);
}

QString lineEcho(const QString &line, const DiagText &echo)
{
    constexpr QLatin1StringView head("LINE:");
    QString text;
    text.reserve(head.size() + line.size() + echo.view().size());
    text.append(head).append(line).append(echo.view());
    return text;
}

} // namespace Ptx
