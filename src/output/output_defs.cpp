#include "output/output_defs.h"

#include "assembler/assembly.h"

void ClearFileDefs(Assembly& a) {
  OutputDefs& o = a.outputs;
  for (int32_t i = 1; i < o.nextFree && i < kFileDefSlots; ++i) o.slots[i] = TFILE_Def{};
  o.nextFree = 1;
}

int32_t AllocFileDef(Assembly& a) {
  OutputDefs& o = a.outputs;
  if (o.nextFree >= kFileDefSlots) return -1;
  if (static_cast<size_t>(o.nextFree) >= o.slots.size()) o.slots.emplace_back();
  return o.nextFree++;
}

int32_t FindFileDef(const Assembly& a, std::string_view name) {
  const OutputDefs& o = a.outputs;
  for (int32_t i = 1; i < o.nextFree; ++i) {
    const TFILE_Def& d = o.slots[i];
    if (d.Sort == ftNull) return -1;
    if (d.FileName == name) return i;
  }
  return -1;
}

int32_t FindOrAddFileDef(Assembly& a, std::string_view name, bool alwaysNew) {
  if (!alwaysNew) {
    const OutputDefs& o = a.outputs;
    for (int32_t i = 1; i < o.nextFree; ++i) {
      const TFILE_Def& d = o.slots[i];
      if (d.Sort == ftNull || d.FileName == name) return i;
    }
  }
  return AllocFileDef(a);
}

TFILE_Def& FileDef(Assembly& a, int32_t slot) { return a.outputs.slots[slot]; }

std::string ResolveOutputName(const Assembly& a, std::string_view nameIn) {
  std::string name(nameIn);
  bool keep = name.find_first_of("\\:") != std::string::npos || (!name.empty() && name[0] == '/');
  for (char& c : name)
    if (c == '\\') c = '/';
  if (keep) return name;
  std::string folder;
  const TSource& main = a.sources.slots[0];
  if (main.loaded && main.exists) {
    auto slash = main.FileName.find_last_of('/');
    folder = slash == std::string::npos ? std::string(".") : main.FileName.substr(0, slash);
  } else {
    folder = a.env.exeDir.empty() ? std::string(".") : a.env.exeDir;
  }
  if (name.empty()) return folder.empty() ? std::string("/") : folder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + name;
}
