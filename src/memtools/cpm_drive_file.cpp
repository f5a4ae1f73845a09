#include "memtools/cpm_drive_file.h"

#include <string>

#include "assembler/assembly.h"
#include "memtools/cpm_disk.h"
#include "memtools/host_files.h"

namespace {

// The host drive file seen as a CP/M drive.
class HostCpmDrive : public CpmDrive {
 public:
  explicit HostCpmDrive(const HostFile& f) : file_(f) {}
  uint64_t Size() const override { return file_.size(); }
  bool Read(uint64_t offset, std::span<uint8_t> out) override { return file_.ReadAt(offset, out); }
  bool Write(uint64_t offset, std::span<const uint8_t> in) override {
    return file_.WriteAt(offset, in);
  }

 private:
  const HostFile& file_;
};

// Opens the drive file named by the settings; on failure the lines that say
// why are added to `messages`.
std::optional<HostFile> OpenDrive(const Assembly& a, const CpmSettings& s, bool writable,
                                  std::vector<std::string>& messages) {
  std::string path = s.haveDrives ? ResolveImportName(a, s.drives) : std::string();
  std::string error;
  std::optional<HostFile> f;
  if (!path.empty()) f = HostFile::Open(path, writable, error);
  if (!f) {
    messages.push_back("Can't write a CP/M file without a virtual CP/M drive file");
    if (!path.empty()) messages.push_back("The CP/M drive file \"" + s.drives + "\" " + error);
  }
  return f;
}

void PrintAll(Assembly& a, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) PrintErr(a, line);
}

}  // namespace

bool ReadCpmFileNow(Assembly& a, std::string_view name, std::vector<uint8_t>& out, bool print) {
  CpmSettings s = CpmSettingsFromSymbols(a);
  int32_t user = IntegerOfSymbol(a, "Veld_cpm_user", 0);
  std::vector<std::string> messages;
  out.clear();
  std::optional<HostFile> f = OpenDrive(a, s, false, messages);
  CpmResult r;
  if (f) {
    HostCpmDrive drive(*f);
    r = CpmReadFile(drive, s, user, name, out);
    messages = std::move(r.messages);
  }
  if (print) PrintAll(a, messages);
  return r.ok;
}

CpmOutputStatus WriteCpmOutput(Assembly& a, const TFILE_Def& d) {
  std::vector<std::string> messages;
  if (d.Length > kMaxRangeBytes) {
    PrintErr(a, "CP/M write file: \"" + d.FileName +
                    "\" - failed: the range is longer than $238000 bytes");
    return CpmOutputStatus::kFailed;
  }
  std::optional<HostFile> f = OpenDrive(a, a.cpm, true, messages);
  if (!f) {
    PrintAll(a, messages);
    return CpmOutputStatus::kFailed;
  }
  std::string bytes = FetchRangeBytes(a, d.Start, d.Length);
  HostCpmDrive drive(*f);
  CpmResult r =
      CpmWriteFile(drive, a.cpm, static_cast<int32_t>(d.Param1), d.FileName,
                   std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  PrintAll(a, r.messages);
  if (r.ok) return CpmOutputStatus::kWritten;
  return r.ioError ? CpmOutputStatus::kIoError : CpmOutputStatus::kFailed;
}
