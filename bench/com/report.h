// The table the benchmark prints: per row what is compared, at how many entries, in which
// unit, our figure, the Dictionary's and their ratio; sections in the order of their titles.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace combench {

// A Dictionary figure of kNone: it has nothing to compare.
constexpr double kNone = -1;

struct Row {
    std::string what;
    int entries; // 0: no size
    const char *unit;
    double ours, dictionary;
};

// A line on stderr saying what the run is at, and since when it runs.
void Progress(const std::string &step);

class Table {
public:
    void Add(const std::string &section, Row row) { sections_[section].push_back(std::move(row)); }
    void Print(const std::string &title) const;

private:
    std::map<std::string, std::vector<Row>> sections_;
};

} // namespace combench
