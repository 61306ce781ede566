#include "report.h"

#include <windows.h>

#include <cstdio>

namespace combench {

namespace {

constexpr char kRowFormat[] = "%-58s %10s %-8s %10s %10s %9s\n";

// Four significant figures at most, with no exponent.
std::string Figure(double value) {
    char text[32];
    const int decimals = value >= 1000 ? 0 : value >= 100 ? 1 : value >= 10 ? 2 : 3;
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// With thousands separated: 1,000,000.
std::string Count(int entries) {
    const std::string digits = std::to_string(entries);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            grouped += ',';
        grouped += digits[at];
    }
    return grouped;
}

void PrintRow(const Row &row) {
    const std::string theirs = row.dictionary >= 0 ? Figure(row.dictionary) : "-";
    const std::string ratio = row.dictionary > 0 ? Figure(row.ours / row.dictionary) + "x" : "-";
    std::printf(kRowFormat, ("  " + row.what).c_str(),
                row.entries ? Count(row.entries).c_str() : "", row.unit, Figure(row.ours).c_str(),
                theirs.c_str(), ratio.c_str());
}

} // namespace

void Progress(const std::string &step) {
    static const ULONGLONG start = GetTickCount64();
    std::fprintf(stderr, "combench: %4llu s  %s\n", (GetTickCount64() - start) / 1000,
                 step.c_str());
}

void Table::Print(const std::string &title) const {
    std::printf("%s\n\n", title.c_str());
    std::printf(kRowFormat, "", "entries", "unit", "ours", "Dictionary", "ours/Dict");
    for (const auto &[section, rows] : sections_) {
        std::printf("%s\n", section.c_str());
        for (const Row &row : rows)
            PrintRow(row);
    }
    std::fflush(stdout);
}

} // namespace combench
