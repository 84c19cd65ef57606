// Table files on this machine: looked up as the workspace's host would, and
// rewritten for data that moved.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "api/names.h"
#include "brevan/files.h"

namespace brevan {

namespace {

namespace fs = std::filesystem;

bool IsDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool IsUnc(std::string_view path) { return path.size() > 2 && path[0] == '/' && path[1] == '/'; }

// A normalised path taken apart: whether it has a place here of its own,
// and its components below its root (drive, server, or "/"). A UNC path's
// share stays a component: a data root may hold the share's folder
// (ROOT/shared/hydro/rivers.tbl) or only what is below it.
struct Parts {
  enum class Root { Relative, Absolute, Foreign } root = Root::Relative;
  std::vector<std::string> components;
};

Parts Split(const std::string& normalized) {
  Parts parts;
  std::string_view rest = normalized;
  if (IsUnc(rest)) {
    parts.root = Parts::Root::Foreign;
    rest.remove_prefix(2);
    const size_t slash = rest.find('/');  // past the server
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
  } else if (IsDrive(rest)) {
    rest.remove_prefix(2);
    // C:roads.tbl is relative to the drive's own folder: read it as relative here.
    if (!rest.empty() && rest[0] == '/') parts.root = Parts::Root::Foreign;
  } else if (!rest.empty() && rest[0] == '/') {
    parts.root = Parts::Root::Absolute;
  }
  size_t at = 0;
  while (at <= rest.size()) {
    const size_t end = std::min(rest.find('/', at), rest.size());
    const std::string_view part = rest.substr(at, end - at);
    if (!part.empty() && part != ".") parts.components.emplace_back(part);
    at = end + 1;
  }
  return parts;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// A folder's entries, indexed for the lookups that do not know a name's
// case. Read once per folder and kept while the folder is unchanged (its
// modification time moves when an entry is added, removed or renamed):
// looking up every table of thousands of workspaces in one folder listed
// that folder once per table.
struct Listing {
  std::vector<fs::path> entries;
  std::unordered_map<std::string, size_t> byFoldedName;      // the first entry of each name, any case
  std::unordered_map<std::string, size_t> fileByFoldedStem;  // the first regular file of each stem
  std::vector<size_t> folders;
};

std::shared_ptr<const Listing> ListingOf(const fs::path& folder) {
  struct Kept {
    int64_t time;
    std::shared_ptr<const Listing> listing;
  };
  static std::mutex mutex;
  static std::unordered_map<std::string, Kept> kept;
  constexpr size_t kMostKept = 4096;  // folders; past it the cache starts again
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::make_shared<const Listing>();
  const int64_t time = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  const std::string key = folder.string();
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = kept.find(key); found != kept.end() && found->second.time == time)
      return found->second.listing;
  }
  auto listing = std::make_shared<Listing>();
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const size_t at = listing->entries.size();
    listing->entries.push_back(entry->path());
    listing->byFoldedName.try_emplace(Folded(entry->path().filename().string()), at);
    std::error_code kind;
    if (entry->is_regular_file(kind))
      listing->fileByFoldedStem.try_emplace(Folded(entry->path().stem().string()), at);
    if (entry->is_directory(kind)) listing->folders.push_back(at);
  }
  // A folder changed within the clock's last ticks may change again with
  // the same time: its listing is not kept until the folder has been still
  // for a while.
  constexpr int64_t kStill = 50'000'000;  // nanoseconds
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec - time < kStill) return listing;
  const std::lock_guard<std::mutex> lock(mutex);
  if (kept.size() >= kMostKept) kept.clear();
  kept[key] = {time, listing};
  return listing;
}

// The entry of folder named name without regard to case, when one exists.
std::optional<fs::path> FoldedEntry(const fs::path& folder, const std::string& name) {
  if (name == "..") return folder / name;
  const std::shared_ptr<const Listing> listing = ListingOf(folder);
  const auto found = listing->byFoldedName.find(Folded(name));
  if (found == listing->byFoldedName.end()) return std::nullopt;
  return listing->entries[found->second];
}

// base/components, or a file that differs from it only in letter case.
std::optional<fs::path> FindFolded(const fs::path& base, const std::vector<std::string>& components,
                                   size_t from) {
  fs::path at = base;
  for (size_t i = from; i < components.size(); ++i) {
    std::error_code error;
    if (fs::exists(at / components[i], error)) {
      at /= components[i];
      continue;
    }
    const std::optional<fs::path> folded = FoldedEntry(at, components[i]);
    if (!folded) return std::nullopt;
    at = *folded;
  }
  return Exists(at) ? std::optional(at) : std::nullopt;
}

fs::path Joined(const fs::path& base, const std::vector<std::string>& components, size_t from) {
  fs::path path = base;
  for (size_t i = from; i < components.size(); ++i) path /= components[i];
  return path;
}

// A file beside where the file was looked for that may be the one meant: the
// same name with another extension, or the name one folder up or down.
std::string NearMatch(const fs::path& expected) {
  const fs::path folder = expected.parent_path().empty() ? fs::path(".") : expected.parent_path();
  const std::string name = expected.filename().string();
  const std::shared_ptr<const Listing> listing = ListingOf(folder);
  if (const auto found = listing->fileByFoldedStem.find(Folded(expected.stem().string()));
      found != listing->fileByFoldedStem.end())
    return listing->entries[found->second].string();
  for (const size_t at : listing->folders)
    if (Exists(listing->entries[at] / name)) return (listing->entries[at] / name).string();
  if (Exists(folder.parent_path() / name)) return (folder.parent_path() / name).string();
  return {};
}

}  // namespace

std::string NormalizePath(const std::string& path) {
  std::string normalized;
  normalized.reserve(path.size());
  for (const char c : path) {
    const char separator = c == '\\' ? '/' : c;
    // Runs of separators are one, but for the two that open a UNC path.
    if (separator == '/' && !normalized.empty() && normalized.back() == '/' && normalized.size() > 1)
      continue;
    normalized += separator;
  }
  return normalized;
}

FileLookup FindTableFile(const std::string& file, const std::string& folder,
                         const std::vector<std::string>& dataRoots) {
  FileLookup lookup;
  const Parts parts = Split(NormalizePath(file));
  if (parts.components.empty()) return lookup;
  // Only a path relative to the workspace's folder or absolute here has a place of its own.
  if (parts.root != Parts::Root::Foreign) {
    const fs::path base = parts.root == Parts::Root::Absolute ? fs::path("/")
                          : folder.empty()                    ? fs::path(".")
                                                              : fs::path(folder);
    const fs::path own = Joined(base, parts.components, 0);
    lookup.lookedFor.push_back(own.string());
    if (Exists(own)) {
      lookup.status = FileStatus::Found;
      lookup.path = own.string();
      return lookup;
    }
    if (std::optional<fs::path> folded = FindFolded(base, parts.components, 0)) {
      lookup.status = FileStatus::FoundOtherCase;
      lookup.path = folded->string();
      return lookup;
    }
  }
  for (const std::string& root : dataRoots) {
    for (size_t from = 0; from < parts.components.size(); ++from) {
      if (parts.components[from] == "..") continue;
      const fs::path candidate = Joined(root, parts.components, from);
      lookup.lookedFor.push_back(candidate.string());
      if (Exists(candidate)) {
        lookup.status = FileStatus::Found;
        lookup.path = candidate.string();
        return lookup;
      }
      if (std::optional<fs::path> folded = FindFolded(root, parts.components, from)) {
        lookup.status = FileStatus::FoundOtherCase;
        lookup.path = folded->string();
        return lookup;
      }
    }
  }
  if (!lookup.lookedFor.empty()) lookup.nearMatch = NearMatch(lookup.lookedFor.front());
  return lookup;
}

bool ParsePathRewrite(const std::string& text, PathRewrite& rewrite, std::string& error) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) {
    error = "a path rewrite reads OLD=NEW, and \"" + text + "\" has no \"=\"";
    return false;
  }
  if (equals == 0) {
    error = "a path rewrite reads OLD=NEW, and \"" + text + "\" has nothing before its \"=\"";
    return false;
  }
  rewrite = {text.substr(0, equals), text.substr(equals + 1)};
  return true;
}

std::optional<std::string> RewritePath(const std::string& path, const std::vector<PathRewrite>& rules) {
  const std::string normalized = NormalizePath(path);
  const PathRewrite* best = nullptr;
  size_t bestLength = 0;
  for (const PathRewrite& rule : rules) {
    std::string from = NormalizePath(rule.from);
    while (from.size() > 1 && from.back() == '/') from.pop_back();
    if (from.size() > normalized.size() || from.size() <= bestLength) continue;
    const std::string_view start = std::string_view(normalized).substr(0, from.size());
    // Drive letters and servers name no case.
    const bool folded = IsDrive(from) || IsUnc(from);
    if (!(folded ? SameFolded(start, from) : start == from)) continue;
    if (from.size() < normalized.size() && normalized[from.size()] != '/' && from.back() != '/') continue;
    best = &rule;
    bestLength = from.size();
  }
  if (best == nullptr) return std::nullopt;
  std::string to = best->to;
  std::string rest = normalized.substr(bestLength);
  if (!to.empty() && (to.back() == '/' || to.back() == '\\') && !rest.empty() && rest.front() == '/')
    rest.erase(0, 1);
  // The rest is written with the separators of the target: D:\Cartes\data.
  if (to.find('\\') != std::string::npos && to.find('/') == std::string::npos)
    std::replace(rest.begin(), rest.end(), '/', '\\');
  return to + rest;
}

}  // namespace brevan
