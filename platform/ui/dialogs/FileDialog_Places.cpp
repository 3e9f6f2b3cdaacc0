// The places bar's entries, from the home folder and the XDG user-dirs file.
#include <fstream>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/rtl/StockTexts.h"

namespace {

struct TUserDir {
  const char* caption;
  const char* key;      // in user-dirs.dirs
  const char* fallback;  // below home, when the file does not name it
};
constexpr TUserDir kUserDirs[] = {
    {"Desktop", "XDG_DESKTOP_DIR", "Desktop"},
    {"Documents", "XDG_DOCUMENTS_DIR", "Documents"},
    {"Pictures", "XDG_PICTURES_DIR", "Pictures"},
};

std::string Normalise(const std::string& path) { return ExcludeTrailingPathDelimiter(ExpandFileName(path)); }

// The value of key in the user-dirs file: lines KEY="$HOME/dir" or
// KEY="/abs/dir", '#' starting a comment; the last line wins. found tells a
// missing key (use the fallback) from a value we cannot use (no place).
std::string ReadUserDir(const std::string& file, const std::string& key, const std::string& home, bool& found) {
  found = false;
  std::string result;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == '#') continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos || Trim(t.substr(0, eq)) != key) continue;
    std::string raw = Trim(t.substr(eq + 1));
    std::string value;
    bool quoted = !raw.empty() && raw[0] == '"';
    for (size_t i = quoted ? 1 : 0; i < raw.size(); ++i) {
      if (quoted && raw[i] == '"') break;
      if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
      value.push_back(raw[i]);
    }
    found = true;
    result.clear();
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      if (!home.empty()) result = home + value.substr(5);
    } else if (!value.empty() && value[0] == '/') {
      result = value;
    }
  }
  return result;
}

bool Listed(const std::vector<TFileDialogPlace>& places, const std::string& path) {
  for (const TFileDialogPlace& p : places)
    if (p.Path == path) return true;
  return false;
}

}  // namespace

std::vector<TFileDialogPlace> FileDialogPlaces(const std::string& home, const std::string& configHome) {
  std::vector<TFileDialogPlace> places;
  std::string homeDir = home.empty() ? std::string() : Normalise(home);
  if (!homeDir.empty() && DirectoryExists(homeDir)) places.push_back({StockText("Home"), homeDir});

  std::string config = !configHome.empty() ? configHome : homeDir.empty() ? std::string() : homeDir + "/.config";
  std::string file = config.empty() ? std::string() : IncludeTrailingPathDelimiter(config) + "user-dirs.dirs";
  for (const TUserDir& d : kUserDirs) {
    bool found = false;
    std::string path = file.empty() ? std::string() : ReadUserDir(file, d.key, homeDir, found);
    if (!found && !homeDir.empty()) path = homeDir + "/" + d.fallback;
    if (path.empty()) continue;
    path = Normalise(path);
    // A user dir set to the home folder itself is switched off.
    if (path == homeDir || !DirectoryExists(path)) continue;
    if (!Listed(places, path)) places.push_back({StockText(d.caption), path});
  }
  if (!Listed(places, "/")) places.push_back({StockText("File System"), "/"});
  return places;
}
