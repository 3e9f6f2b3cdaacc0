// Loads arbitrary bytes as an ini file in memory and reads every section and
// value through the typed calls, then writes and reads back a copy; then
// as a file on disk, written to one key at a time.
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {
// One file for the whole run, removed with the process; in memory where
// there is such a folder, as every write is flushed to disk.
struct TFuzzIniFile {
  std::string Path = (DirectoryExists("/dev/shm") ? std::string("/dev/shm/") : GetTempPath()) + "lumiqa_fuzz_ini_" +
                     std::to_string(::getpid()) + ".ini";
  ~TFuzzIniFile() { DeleteFile(Path); }
};
const std::string& IniPath() {
  static const TFuzzIniFile file;
  return file.Path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
  TStringList lines;
  lines.LoadFromStream(&stream);
  TMemIniFile ini;
  try {
    ini.SetStrings(&lines);
  } catch (const EIniFileException&) {
    return 0;  // a line over the limit
  }

  TStringList sections, keys, values;
  ini.ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string section = sections[i];
    ini.ReadSection(section, &keys);
    ini.ReadSectionValues(section, &values);
    if (keys.Count() != values.Count() || ini.SectionExists(section) != (keys.Count() > 0)) __builtin_trap();
    for (int k = 0; k < keys.Count(); ++k) {
      const std::string key = keys[k];
      if (!ini.ValueExists(section, key)) __builtin_trap();
      ini.ReadString(section, key, "");
      ini.ReadInteger(section, key, 0);
      ini.ReadBool(section, key, false);
      ini.ReadFloat(section, key, 0.0);
    }
  }

  // What the ini holds must survive its own text form.
  TStringList saved;
  ini.GetStrings(&saved);
  TMemIniFile copy;
  copy.SetStrings(&saved);
  for (int i = 0; i < sections.Count(); ++i) {
    ini.ReadSection(sections[i], &keys);
    for (int k = 0; k < keys.Count(); ++k) {
      // "[a=b]" is a key line only until it is written back, as a header.
      if (keys[k][0] == '[') continue;
      if (copy.ReadString(sections[i], keys[k], "\x01") != ini.ReadString(sections[i], keys[k], "")) __builtin_trap();
    }
  }

  // On disk: a write changes its own key and nothing a read sees elsewhere.
  const std::string& path = IniPath();
  {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  TIniFile file(path);
  try {
    file.WriteString("fuzz", "key", "v\xE4\xB8\xAD");
    if (file.ReadString("fuzz", "key", "") != "v\xE4\xB8\xAD") __builtin_trap();
    for (int i = 0; i < sections.Count(); ++i) {
      if (SameText(sections[i], "fuzz")) continue;
      ini.ReadSection(sections[i], &keys);
      for (int k = 0; k < keys.Count(); ++k)
        if (file.ReadString(sections[i], keys[k], "\x01") != ini.ReadString(sections[i], keys[k], "")) __builtin_trap();
    }
    file.DeleteKey("fuzz", "key");
    if (file.ReadString("fuzz", "key", "gone") != "gone") __builtin_trap();
  } catch (const EIniFileException&) {
    // Text the file's encoding cannot hold beside its other lines, or a
    // file over the limits.
  }
  return 0;
}
