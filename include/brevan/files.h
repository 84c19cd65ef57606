// Brevan table files: where the file an open-table statement names is on
// this machine, and paths rewritten for data that moved.
//
//   brevan::FileLookup found = brevan::FindTableFile("C:\\GIS\\roads.tbl", "/gis/ws", {"/mnt/gis"});
//   if (found.status == brevan::FileStatus::Missing) std::cerr << "looked for " << found.lookedFor[0] <<
//   '\n';
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "brevan/brevan.h"

namespace brevan {

enum class FileStatus {
  Found,           // at its own path, or under a data root
  FoundOtherCase,  // only with other letter case ("found as data/Roads.TBL")
  Missing,
};

struct FileLookup {
  FileStatus status = FileStatus::Missing;
  std::string path;                    // where it was found; empty when missing
  std::vector<std::string> lookedFor;  // the paths tried, in order
  std::string nearMatch;               // when missing: a file that may be the one meant (another case or
                                       // extension, one folder up or down); empty when none
};

// Looks up a table's file as the workspace's host would: relative to the
// workspace's folder; Windows forms (C:\GIS\roads.tbl, \\server\share\x.tbl,
// backslashes, mixed separators) read with "/"; a drive or server path has
// no place here of its own. With other letter case when the path does not
// exist as written. Not found so, under each data root by its trailing
// path components, longest first (C:\GIS\data\roads.tbl under ROOT:
// ROOT/GIS/data/roads.tbl, ROOT/data/roads.tbl, ROOT/roads.tbl).
FileLookup FindTableFile(const std::string& file, const std::string& folder,
                         const std::vector<std::string>& dataRoots);

// A path with "/" for every separator (a UNC path keeps its leading "//").
std::string NormalizePath(const std::string& path);

// Reads "OLD=NEW" (the first "=" splits); false with error filled for a
// text without "=" or with an empty OLD.
bool ParsePathRewrite(const std::string& text, PathRewrite& rewrite, std::string& error);

// The path with the longest matching rule's prefix replaced, or nothing
// when no rule matches. Prefixes match on "/" separators at whole path
// components, without regard to case for drive-letter and UNC paths.
std::optional<std::string> RewritePath(const std::string& path, const std::vector<PathRewrite>& rules);

}  // namespace brevan
