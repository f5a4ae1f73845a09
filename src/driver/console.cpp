#include "driver/console.h"

#include <chrono>
#include <cstdio>
#include <thread>

void StdConsole::Out(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

void StdConsole::Err(std::string_view line) {
  // Keep the two streams in order when both go to one terminal or file.
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
}

std::tm SystemClock::LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

uint64_t SystemClock::Microseconds() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
