#include "file_facts.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <strings.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace ovcommon {
namespace {

bool hasWildcard(const std::string& s) { return s.find_first_of("*?[") != std::string::npos; }

}  // namespace

uint32_t dosDateTime(const struct statx_timestamp& ts) {
  const time_t t = static_cast<time_t>(ts.tv_sec);
  struct tm lt {};
  if (!localtime_r(&t, &lt)) return 0;
  const int year = lt.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | ((lt.tm_mon + 1) << 5) | lt.tm_mday);
  const uint32_t time = static_cast<uint32_t>((lt.tm_hour << 11) | (lt.tm_min << 5) | (lt.tm_sec / 2));
  return (date << 16) | time;
}

bool firstMatch(const std::string& path, std::string& out) {
  const auto slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!hasWildcard(name)) {
    out = path;
    return true;
  }
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  std::vector<std::string> matches;
  while (const dirent* e = readdir(d)) {
    if (std::string(e->d_name) == "." || std::string(e->d_name) == "..") continue;
    if (fnmatch(name.c_str(), e->d_name, FNM_CASEFOLD) == 0) matches.emplace_back(e->d_name);
  }
  closedir(d);
  if (matches.empty()) return false;
  const auto first = std::min_element(matches.begin(), matches.end(), [](const auto& a, const auto& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  out = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + *first;
  return true;
}

bool fileStatus(const std::string& path, struct statx& out) {
  return statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &out) == 0;
}

}  // namespace ovcommon
