#pragma once
// One row of the table that make bench ends with: tools/bench-table.sh
// gathers the rows from the benchmarks' output and prints them in the order
// of their numbers. Portable: the Linux benchmarks print rows too.
#include <cstdio>
#include <string>

namespace benchtable {

inline void Row(int order, const std::string& figure, const std::string& measured, const std::string& target,
                bool met) {
  std::printf("table|%02d|%s|%s|%s|%s\n", order, figure.c_str(), measured.c_str(), target.c_str(),
              met ? "met" : "NOT MET");
  std::fflush(stdout);
}

template <typename... Values>
std::string Format(const char* format, Values... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace benchtable
