// Loads arbitrary bytes as an ini file in memory and reads every section and
// value through the typed calls, then writes and reads back a copy.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
  TStringList lines;
  lines.LoadFromStream(&stream);
  TMemIniFile ini;
  ini.SetStrings(&lines);

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
  return 0;
}
