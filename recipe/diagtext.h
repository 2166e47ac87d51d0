// Builds the compiler's per-entry diagnostic lines ("  PT %f,...", "  SH %d,...") without
// the cost of a general formatter: one compile may write several hundred thousand of them.
// Built with QString::arg and QString::number instead, bench/recipe_compile_bench's
// compiles take three to five times as long (a full run list 1.4 ms against 7.1 ms, 100 000
// lines 20 ms against 70 ms of processor time), and QString::number rounds a value exactly
// halfway between two "%f" texts away from zero where printf rounds it to even.
#pragma once

#include <QLatin1StringView>
#include <QString>

namespace Ptx {

class DiagText
{
public:
    DiagText &text(const char *s);
    // printf's %f: fixed notation, six decimals, C locale.
    DiagText &fixed(double value);
    // The general format with six significant digits, as Ptx::numberText writes it.
    DiagText &general(double value);
    // The values in the general format, separated by commas: "1,2.5,-3".
    DiagText &generalList(const double *values, int count);
    // printf's %d and %x.
    DiagText &decimal(long long value);
    DiagText &hex(unsigned long long value);
    QString toString() const;
    QLatin1StringView view() const { return QLatin1StringView(buffer, length); }

private:
    void scaled(double value, long long whole, int decimals, bool trim);
    static bool nearTie(double value);
    // Room for the widest line: five fixed-notation doubles of up to 309 digits each.
    static constexpr int Capacity = 1800;
    char buffer[Capacity];
    int length = 0;
};

// The compiler's echo of a recipe line: "LINE:" + the line + the echo text.
QString lineEcho(const QString &line, const DiagText &echo);

} // namespace Ptx
