// Brevan inventories: what many workspaces depend on — the tables each
// opens, whether their files are on this machine — and what each holds.
//
//   std::vector<std::string> problems;
//   std::vector<std::string> files = brevan::FindWorkspaceFiles({"gis/"}, true, "", problems);
//   brevan::Inventory inventory = brevan::TakeInventory(files, {});
//   for (const brevan::InventoryEntry& entry : inventory.entries)
//     for (const brevan::InventoryTable& table : entry.tables)
//       if (table.status == brevan::InventoryTable::Status::Missing) std::cout << table.file << '\n';
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "brevan/batch.h"
#include "brevan/workspace.h"

namespace brevan {

// One open table of a workspace.
struct InventoryTable {
  enum class Status {
    Found,           // at its path (relative to the workspace), or under a data root
    FoundOtherCase,  // only with other letter case
    Missing,
    Copy,  // a copy a map window made of a table named twice: checked as that table
  };
  int line = 0;  // of its open-table statement; 0 for a copy
  std::string alias;
  std::string file;       // as written
  std::string rewritten;  // as a path rewrite gives it; empty when none applies
  Status status = Status::Missing;
  std::string resolved;   // where the file is (for a copy: its table's); empty when missing
  std::string copyOf;     // for a copy: the alias of its table
  std::string lookedFor;  // when missing: where it was looked for, first
  std::string nearMatch;  // when missing: a file that may be the one meant
};

// One workspace: how its translation ended, what it holds, what it opens.
// A workspace that fails lists what it opened up to the failure.
struct InventoryEntry {
  std::string path;
  Status status = Status::NotDone;
  std::string error;  // the first error's message, when it failed
  int errorLine = 0;
  int errorColumn = 0;
  size_t windows = 0;
  size_t layers = 0;
  std::array<size_t, kThemeKindCount> themes{};  // by ThemeKind (ThemeKindWord names each)
  size_t passedOver = 0;
  size_t warnings = 0;
  size_t remarks = 0;
  size_t errors = 0;
  std::string encoding;                            // what its text was read in
  std::map<std::string, size_t> losses;            // its warnings and remarks by code
  std::map<std::string, size_t> passedOverByName;  // its statements passed over by their leading words
  std::vector<InventoryTable> tables;
};

struct InventoryOptions {
  // How each workspace is read (encoding, version); dataRoots and
  // rewritePaths are where its tables' files are looked for.
  Options options;
  unsigned jobs = 0;                                            // workspaces read at once; 0: one per core
  std::function<void(size_t ended, size_t failed)> onProgress;  // as for batches
  std::function<bool()> cancelled;
};

struct Inventory {
  std::vector<InventoryEntry> entries;  // in the order of the files
  bool cancelled = false;
};

// The workspace files that paths name: a file as it is, a folder's files
// whose names match glob ("*.bws" without regard to case when empty), in
// its sub-folders too when recursive (each folder once, links followed).
// A path that cannot be read, or a folder without recursive, is a problem
// in words, and the others go on.
std::vector<std::string> FindWorkspaceFiles(const std::vector<std::string>& paths, bool recursive,
                                            const std::string& glob, std::vector<std::string>& problems);

// Reads every file on options.jobs threads and lists what each depends on.
Inventory TakeInventory(const std::vector<std::string>& files, const InventoryOptions& options);

// How a table's status is said: "found", "found with another case",
// "missing", "copy".
const char* Word(InventoryTable::Status status);

// The inventory as one JSON document, schema "brevan-inventory/1"
// (docs/inventory.md), with the problems met finding the files; indented,
// ASCII only.
std::string InventoryJson(const Inventory& inventory, const std::vector<std::string>& problems);

}  // namespace brevan
