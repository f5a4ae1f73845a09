#include "test_support.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TestRun::TestRun() {
  clock.now.tm_year = 126;  // 8 Dec 2026, 21:05, a Tuesday
  clock.now.tm_mon = 11;
  clock.now.tm_mday = 8;
  clock.now.tm_wday = 2;
  clock.now.tm_hour = 21;
  clock.now.tm_min = 5;
  Environment env{&console, &clock, [] { return 12345u; }, "/opt/veld"};
  a = std::make_unique<Assembly>(env);
  char tmpl[] = "/tmp/veldtestXXXXXX";
  dir = mkdtemp(tmpl);
}

TestRun::~TestRun() {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

int TestRun::Assemble(const std::string& mainSource,
                      const std::map<std::string, std::string>& otherFiles) {
  auto write = [&](const std::string& name, const std::string& text) {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name, std::ios::binary) << text;
  };
  write("main.asm", mainSource);
  for (const auto& [name, text] : otherFiles) write(name, text);
  exitCode = AssembleMain(*a, (dir / "main.asm").string());
  return exitCode;
}

static std::string Join(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

std::string TestRun::Out() const { return Join(console.out); }
std::string TestRun::Err() const { return Join(console.err); }

std::string TestRun::ReadFile(const std::string& name) const {
  std::ifstream in(dir / name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
