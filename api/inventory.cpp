// Inventories: the batch machinery reads each workspace, the read model
// says what it holds, and each table's file is looked up on this machine.
#include "brevan/inventory.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <unordered_map>

#include "brevan/files.h"

namespace brevan {

namespace {

namespace fs = std::filesystem;

bool Matches(const std::string& name, const std::string& glob) {
  if (glob.empty()) return fnmatch("*.bws", name.c_str(), FNM_CASEFOLD) == 0;
  return fnmatch(glob.c_str(), name.c_str(), 0) == 0;
}

// A folder's files that match, and its sub-folders, each in name order,
// with the folder as their root.
void Walk(const fs::path& root, const std::string& glob, std::vector<FoundWorkspace>& files,
          std::vector<std::string>& problems) {
  std::set<std::pair<dev_t, ino_t>> seen;
  std::vector<fs::path> folders{root};
  while (!folders.empty()) {
    const fs::path folder = folders.back();
    folders.pop_back();
    struct stat info {};
    // Links are followed, and a folder reached twice (a loop) is read once.
    if (::stat(folder.c_str(), &info) != 0 || !seen.insert({info.st_dev, info.st_ino}).second) continue;
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
      entries.push_back(entry->path());
    if (error) {
      problems.push_back("cannot read the folder " + folder.string() + ": " + error.message());
      continue;
    }
    std::sort(entries.begin(), entries.end());
    std::vector<fs::path> below;
    for (const fs::path& entry : entries) {
      std::error_code kind;
      const fs::file_status status = fs::status(entry, kind);
      if (fs::is_directory(status))
        below.push_back(entry);
      else if (fs::is_regular_file(status) && Matches(entry.filename().string(), glob))
        files.push_back({entry.string(), root.string()});
      else if (!fs::exists(status) && fs::is_symlink(fs::symlink_status(entry, kind)))
        problems.push_back(entry.string() + " is a link that leads nowhere: passed over");
    }
    // Walked depth first, in name order.
    folders.insert(folders.end(), below.rbegin(), below.rend());
  }
}

InventoryTable::Status StatusOf(FileStatus status) {
  switch (status) {
    case FileStatus::Found:
      return InventoryTable::Status::Found;
    case FileStatus::FoundOtherCase:
      return InventoryTable::Status::FoundOtherCase;
    case FileStatus::Missing:
      return InventoryTable::Status::Missing;
  }
  return InventoryTable::Status::Missing;
}

std::vector<InventoryTable> Tables(const Workspace& workspace, const std::string& folder,
                                   const Options& options) {
  std::vector<InventoryTable> tables;
  std::unordered_map<std::string, size_t> byAlias;
  for (const Table& table : workspace.tables) {
    InventoryTable row;
    row.line = table.copyOf.empty() ? table.origin.statement.line : 0;
    row.alias = table.alias;
    row.file = table.file;
    const auto original = table.copyOf.empty() ? byAlias.end() : byAlias.find(table.copyOf);
    if (original != byAlias.end()) {
      const InventoryTable& of = tables[original->second];
      row.status = InventoryTable::Status::Copy;
      row.copyOf = table.copyOf;
      row.resolved = of.resolved;
    } else {
      row.rewritten = RewritePath(table.file, options.rewritePaths).value_or(std::string());
      const FileLookup lookup =
          FindTableFile(row.rewritten.empty() ? table.file : row.rewritten, folder, options.dataRoots);
      row.status = StatusOf(lookup.status);
      row.resolved = lookup.path;
      if (!lookup.lookedFor.empty() && lookup.status == FileStatus::Missing)
        row.lookedFor = lookup.lookedFor.front();
      row.nearMatch = lookup.nearMatch;
    }
    byAlias.emplace(table.alias, tables.size());
    tables.push_back(std::move(row));
  }
  return tables;
}

InventoryEntry EntryOf(const Outcome& outcome, const Options& options) {
  const Result& result = outcome.result;
  InventoryEntry entry;
  entry.path = outcome.job.input;
  entry.status = outcome.status;
  if (!result.ok) {
    entry.error = result.message;
    entry.errorLine = result.line;
    entry.errorColumn = result.column;
  }
  const Workspace& workspace = result.workspace;
  entry.windows = workspace.mapWindows.size();
  entry.layers = workspace.LayerCount();
  for (const MapWindow& window : workspace.mapWindows)
    for (const Layer& layer : window.layers)
      for (const Theme& theme : layer.themes) ++entry.themes[static_cast<size_t>(theme.kind)];
  entry.passedOver = result.skipped.size();
  entry.warnings = result.warnings.size();
  entry.remarks = result.Count(Severity::Remark);
  entry.errors = result.errors.size();
  entry.encoding = result.encoding;
  for (const Diagnostic& d : result.diagnostics)
    if (!d.code.empty()) ++entry.losses[d.code];
  for (const Skipped& skipped : result.skipped) ++entry.passedOverByName[skipped.keyword];
  const std::string folder =
      options.folder.empty() ? fs::path(entry.path).parent_path().string() : options.folder;
  entry.tables = Tables(workspace, folder, options);
  return entry;
}

}  // namespace

std::vector<FoundWorkspace> FindWorkspaces(const std::vector<std::string>& paths, bool recursive,
                                           const std::string& glob, std::vector<std::string>& problems,
                                           bool keepUnreadable) {
  std::vector<FoundWorkspace> files;
  std::vector<std::string> named;  // the files named directly, whose root is their common folder
  std::vector<size_t> namedAt;
  for (const std::string& path : paths) {
    std::error_code error;
    const fs::file_status status =
        path == "-" ? fs::file_status(fs::file_type::regular) : fs::status(path, error);
    if ((error || !fs::exists(status)) && !keepUnreadable) {
      problems.push_back("cannot read " + path + ": " + (error ? error.message() : "no such file or folder"));
    } else if (fs::is_directory(status) && !recursive && !keepUnreadable) {
      problems.push_back(path + " is a folder: give -r to read the workspaces in it");
    } else if (fs::is_directory(status) && recursive) {
      Walk(path, glob, files, problems);
    } else {
      namedAt.push_back(files.size());
      named.push_back(path);
      files.push_back({path, std::string()});
    }
  }
  const std::string root = CommonFolder(named);
  for (const size_t at : namedAt) files[at].root = root;
  return files;
}

std::vector<std::string> FindWorkspaceFiles(const std::vector<std::string>& paths, bool recursive,
                                            const std::string& glob, std::vector<std::string>& problems) {
  std::vector<std::string> files;
  for (FoundWorkspace& found : FindWorkspaces(paths, recursive, glob, problems))
    files.push_back(std::move(found.path));
  return files;
}

Inventory TakeInventory(const std::vector<std::string>& files, const InventoryOptions& options) {
  Inventory inventory;
  inventory.entries.resize(files.size());
  std::vector<Job> jobs;
  jobs.reserve(files.size());
  for (const std::string& file : files) jobs.push_back({file, std::string(), std::string()});
  BatchOptions batch;
  batch.options = options.options;
  // The lookups are the inventory's: the documents stay as translated.
  batch.options.checkFiles = false;
  batch.options.rewritePaths.clear();
  batch.options.readModel = true;
  batch.jobs = options.jobs;
  batch.onProgress = options.onProgress;
  batch.cancelled = options.cancelled;
  // Each workspace's entry is made on the thread that read it, in parallel.
  batch.onEnded = [&](Outcome& outcome) {
    inventory.entries[outcome.index] = EntryOf(outcome, options.options);
  };
  const Batch done = TranslateMany(jobs, batch);
  inventory.cancelled = done.summary.cancelled;
  for (size_t i = 0; i < files.size(); ++i)
    if (i >= done.outcomes.size() || done.outcomes[i].status == Status::NotDone) {
      inventory.entries[i] = InventoryEntry();
      inventory.entries[i].path = files[i];
    }
  return inventory;
}

const char* Word(InventoryTable::Status status) {
  switch (status) {
    case InventoryTable::Status::Found:
      return "found";
    case InventoryTable::Status::FoundOtherCase:
      return "found with another case";
    case InventoryTable::Status::Missing:
      return "missing";
    case InventoryTable::Status::Copy:
      return "copy";
  }
  return "";
}

std::string InventoryJson(const Inventory& inventory, const std::vector<std::string>& problems) {
  using nlohmann::json;
  const auto text = [](const std::string& value) { return value.empty() ? json(nullptr) : json(value); };
  json workspaces = json::array();
  size_t failed = 0, tables = 0, found = 0, otherCase = 0, missing = 0, copies = 0;
  for (const InventoryEntry& e : inventory.entries) {
    failed += e.status == Status::Failed;
    json listed = json::array();
    for (const InventoryTable& t : e.tables) {
      ++tables;
      found += t.status == InventoryTable::Status::Found;
      otherCase += t.status == InventoryTable::Status::FoundOtherCase;
      missing += t.status == InventoryTable::Status::Missing;
      copies += t.status == InventoryTable::Status::Copy;
      listed.push_back({{"line", t.line > 0 ? json(t.line) : json(nullptr)},
                        {"alias", t.alias},
                        {"file", t.file},
                        {"rewritten", text(t.rewritten)},
                        {"status", Word(t.status)},
                        {"resolved", text(t.resolved)},
                        {"copyOf", text(t.copyOf)},
                        {"lookedFor", text(t.lookedFor)},
                        {"nearMatch", text(t.nearMatch)}});
    }
    json themes;
    for (size_t kind = 0; kind < e.themes.size(); ++kind)
      themes[ThemeKindWord(static_cast<ThemeKind>(kind))] = e.themes[kind];
    workspaces.push_back(
        {{"path", e.path},
         {"status", Word(e.status)},
         {"error", e.error.empty()
                       ? json(nullptr)
                       : json{{"message", e.error}, {"line", e.errorLine}, {"column", e.errorColumn}}},
         {"encoding", text(e.encoding)},
         {"counts",
          {{"mapWindows", e.windows},
           {"layers", e.layers},
           {"themes", themes},
           {"passedOver", e.passedOver},
           {"warnings", e.warnings},
           {"remarks", e.remarks},
           {"errors", e.errors}}},
         {"losses", e.losses},
         {"passedOver", e.passedOverByName},
         {"tables", listed}});
  }
  const json document = {{"schema", "brevan-inventory/1"},
                         {"workspaces", workspaces},
                         {"summary",
                          {{"workspaces", inventory.entries.size()},
                           {"failed", failed},
                           {"tables", tables},
                           {"found", found},
                           {"foundWithAnotherCase", otherCase},
                           {"missing", missing},
                           {"copies", copies}}},
                         {"problems", problems},
                         {"interrupted", inventory.cancelled}};
  // ASCII only: a workspace's control characters arrive as \u escapes.
  return document.dump(2, ' ', true, json::error_handler_t::replace);
}

}  // namespace brevan
