#include "driver/command_line.h"

namespace {

// One line per concept; the manual page has the rest.
constexpr std::string_view kHelp[] = {
    "Usage: qas SOURCE",
    "Assembles SOURCE (and the files it includes) for the Z80 and the Z80N.",
    "There are no switches: the source chooses the machine, the options and the output files.",
    "Progress and warnings go to standard output; errors and the counts line to standard error.",
    "Diagnostics read \"file:line  : error: message\", the line right-aligned in five places.",
    "Exit status: 0 when the assembly succeeded, 1 otherwise.",
    "  qas --version  print the version and exit",
    "  qas --help     print this help and exit",
    "Directives, output formats and the console format: man qas",
};

}  // namespace

InfoRequest InfoRequestOf(std::string_view param) {
  if (param == "--version") return InfoRequest::Version;
  if (param == "--help") return InfoRequest::Help;
  return InfoRequest::None;
}

std::vector<std::string> InfoLines(InfoRequest request, std::string_view version) {
  std::vector<std::string> lines;
  if (request == InfoRequest::Version) {
    lines.push_back("qas (Veld) " + std::string(version));
  } else if (request == InfoRequest::Help) {
    for (std::string_view l : kHelp) lines.emplace_back(l);
  }
  return lines;
}
