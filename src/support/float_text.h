#pragma once
// The text of a float in console messages: the shortest general decimal form.

#include <cstdio>
#include <string>

inline std::string FloatText(long double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15Lg", v);
  return buf;
}
