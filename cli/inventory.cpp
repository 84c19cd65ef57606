#include "cli/inventory.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/terminal.h"

namespace brevan::cli {

namespace {

// What the inventory found of the tables, over all workspaces.
struct Totals {
  size_t failed = 0, tables = 0, found = 0, otherCase = 0, missing = 0, copies = 0;
};

Totals Total(const Inventory& inventory) {
  Totals totals;
  for (const InventoryEntry& entry : inventory.entries) {
    totals.failed += entry.status == Status::Failed;
    for (const InventoryTable& table : entry.tables) {
      ++totals.tables;
      totals.found += table.status == InventoryTable::Status::Found;
      totals.otherCase += table.status == InventoryTable::Status::FoundOtherCase;
      totals.missing += table.status == InventoryTable::Status::Missing;
      totals.copies += table.status == InventoryTable::Status::Copy;
    }
  }
  return totals;
}

// What a table's status says in text: where the file is, or was looked for.
std::string Where(const InventoryTable& table) {
  switch (table.status) {
    case InventoryTable::Status::Found:
      return "found: " + table.resolved;
    case InventoryTable::Status::FoundOtherCase:
      return "found as " + table.resolved;
    case InventoryTable::Status::Copy:
      return "copy of " + table.copyOf;
    case InventoryTable::Status::Missing:
      break;
  }
  std::string text = "missing";
  if (!table.lookedFor.empty()) text += " (looked for " + table.lookedFor + ")";
  if (!table.nearMatch.empty()) text += "; near match: " + table.nearMatch;
  return text;
}

// A field of RFC 4180: quoted when it holds a comma, a quote or a line
// break, its quotes doubled.
std::string CsvField(const std::string& text, bool terminal) {
  std::string value = terminal ? Escaped(text) : text;
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

void CsvRecord(std::ostream& out, const std::vector<std::string>& fields, bool terminal) {
  for (size_t i = 0; i < fields.size(); ++i) out << (i > 0 ? "," : "") << CsvField(fields[i], terminal);
  out << "\r\n";
}

std::string Count(size_t count) { return std::to_string(count); }

}  // namespace

void WriteText(const Inventory& inventory, std::ostream& out) {
  for (const InventoryEntry& entry : inventory.entries) {
    out << Escaped(entry.path) << ": " << Word(entry.status);
    if (!entry.error.empty())
      // A file that could not be read has no place in it: only why.
      out << (entry.errorLine > 0 ? " at " + Count(entry.errorLine) + ':' + Count(entry.errorColumn)
                                  : std::string())
          << " (" << Escaped(entry.error) << ')';
    size_t themes = 0;
    std::string kinds;
    for (size_t kind = 0; kind < entry.themes.size(); ++kind) {
      themes += entry.themes[kind];
      if (entry.themes[kind] > 0)
        kinds += (kinds.empty() ? "" : ", ") + Count(entry.themes[kind]) + ' ' +
                 ThemeKindWord(static_cast<ThemeKind>(kind));
    }
    out << "; " << Plural(entry.windows, "map window", "map windows") << ", "
        << Plural(entry.layers, "layer", "layers") << ", " << Plural(themes, "theme", "themes")
        << (kinds.empty() ? "" : " (" + kinds + ")") << "; " << entry.passedOver << " passed over, "
        << Plural(entry.warnings, "warning", "warnings") << ", " << Plural(entry.remarks, "remark", "remarks")
        << ", " << Plural(entry.errors, "error", "errors") << '\n';
    size_t aliasWidth = 0, fileWidth = 0;
    for (const InventoryTable& table : entry.tables) {
      aliasWidth = std::max(aliasWidth, Escaped(table.alias).size());
      fileWidth = std::max(fileWidth, Escaped(table.file).size());
    }
    for (const InventoryTable& table : entry.tables) {
      const std::string line = table.line > 0 ? "line " + Count(table.line) : "";
      const std::string alias = Escaped(table.alias), file = Escaped(table.file);
      out << "  " << line << std::string(10 - std::min<size_t>(line.size(), 9), ' ') << alias
          << std::string(aliasWidth - alias.size() + 2, ' ') << file
          << std::string(fileWidth - file.size() + 2, ' ') << Escaped(Where(table));
      if (!table.rewritten.empty()) out << " (rewritten as " << Escaped(table.rewritten) << ')';
      out << '\n';
    }
  }
  const Totals totals = Total(inventory);
  out << "brevan: " << Plural(inventory.entries.size(), "workspace", "workspaces") << " (" << totals.failed
      << " failed), " << Plural(totals.tables, "table", "tables") << ": " << totals.found << " found, "
      << totals.otherCase << " found with another case, " << totals.missing << " missing, "
      << Plural(totals.copies, "copy", "copies") << '\n';
  // What the estate loses most: kinds of warnings and remarks, and
  // statements passed over, by how many workspaces each touches.
  std::map<std::string, std::pair<size_t, size_t>> losses;  // what: occurrences, workspaces
  for (const InventoryEntry& entry : inventory.entries) {
    for (const auto& [code, count] : entry.losses) losses[code].first += count, ++losses[code].second;
    for (const auto& [name, count] : entry.passedOverByName)
      losses["passed over: " + name].first += count, ++losses["passed over: " + name].second;
  }
  std::vector<std::pair<std::string, std::pair<size_t, size_t>>> top(losses.begin(), losses.end());
  const size_t shown = std::min<size_t>(top.size(), 10);
  std::partial_sort(top.begin(), top.begin() + static_cast<std::ptrdiff_t>(shown), top.end(),
                    [](const auto& a, const auto& b) {
                      return std::tie(b.second.second, b.second.first, a.first) <
                             std::tie(a.second.second, a.second.first, b.first);
                    });
  if (shown > 0) out << "brevan: the most frequent losses (workspaces, occurrences):\n";
  for (size_t i = 0; i < shown; ++i)
    out << "  " << std::setw(6) << top[i].second.second << "  " << std::setw(7) << top[i].second.first << "  "
        << Escaped(top[i].first) << '\n';
}

// A column of theme counts: "range_themes", … "single_symbol_themes".
std::string ThemeColumn(size_t kind) {
  std::string column = ThemeKindWord(static_cast<ThemeKind>(kind));
  std::replace(column.begin(), column.end(), '-', '_');
  return column + "_themes";
}

void WriteCsv(const Inventory& inventory, std::ostream& out, bool terminal) {
  std::vector<std::string> columns = {"record",     "workspace",  "status",       "line",     "alias",
                                      "file",       "rewritten",  "table_status", "resolved", "copy_of",
                                      "looked_for", "near_match", "map_windows",  "layers"};
  for (size_t kind = 0; kind < kThemeKindCount; ++kind) columns.push_back(ThemeColumn(kind));
  for (const char* column : {"passed_over", "warnings", "remarks", "errors", "error"})
    columns.emplace_back(column);
  CsvRecord(out, columns, terminal);
  // A record with the fields named and the others empty.
  const auto record = [&](const std::vector<std::pair<std::string, std::string>>& fields) {
    std::vector<std::string> values(columns.size());
    for (const auto& [column, value] : fields)
      values[std::find(columns.begin(), columns.end(), column) - columns.begin()] = value;
    CsvRecord(out, values, terminal);
  };
  for (const InventoryEntry& e : inventory.entries) {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"record", "workspace"},
        {"workspace", e.path},
        {"status", Word(e.status)},
        {"line", e.errorLine > 0 ? Count(e.errorLine) : ""},
        {"map_windows", Count(e.windows)},
        {"layers", Count(e.layers)},
        {"passed_over", Count(e.passedOver)},
        {"warnings", Count(e.warnings)},
        {"remarks", Count(e.remarks)},
        {"errors", Count(e.errors)},
        {"error", e.error}};
    for (size_t kind = 0; kind < kThemeKindCount; ++kind)
      fields.emplace_back(ThemeColumn(kind), Count(e.themes[kind]));
    record(fields);
    for (const InventoryTable& t : e.tables)
      record({{"record", "table"},
              {"workspace", e.path},
              {"status", Word(e.status)},
              {"line", t.line > 0 ? Count(t.line) : ""},
              {"alias", t.alias},
              {"file", t.file},
              {"rewritten", t.rewritten},
              {"table_status", Word(t.status)},
              {"resolved", t.resolved},
              {"copy_of", t.copyOf},
              {"looked_for", t.lookedFor},
              {"near_match", t.nearMatch}});
  }
}

void WriteJson(const Inventory& inventory, const std::vector<std::string>& problems, std::ostream& out) {
  out << InventoryJson(inventory, problems) << '\n';
}

int RunInventory(const InventorySettings& settings, std::ostream& out, std::ostream& err) {
  std::vector<std::string> problems;
  const std::vector<std::string> files =
      FindWorkspaceFiles(settings.paths, settings.recursive, settings.glob, problems);
  for (const std::string& problem : problems) err << "brevan: " << Escaped(problem) << '\n';
  InventoryOptions options = settings.options;
  const bool progress = !settings.quiet && isatty(STDERR_FILENO);
  const auto start = std::chrono::steady_clock::now();
  if (progress)
    options.onProgress = [&](size_t ended, size_t failed) {
      err << Progress(ended, files.size(), failed, start) << std::flush;
    };
  const Inventory inventory = TakeInventory(files, options);
  if (progress) err << "\r\033[K";
  switch (settings.format) {
    case InventoryFormat::Text:
      WriteText(inventory, out);
      break;
    case InventoryFormat::Csv:
      WriteCsv(inventory, out, isatty(STDOUT_FILENO));
      break;
    case InventoryFormat::Json:
      WriteJson(inventory, problems, out);
      break;
  }
  out.flush();
  const bool failed = std::any_of(inventory.entries.begin(), inventory.entries.end(),
                                  [](const InventoryEntry& e) { return e.status == Status::Failed; });
  return failed || !problems.empty() ? 1 : 0;
}

Command AddInventoryCommand(CLI::App& app) {
  struct Given {
    InventorySettings settings;
    std::string format = "text";
    std::vector<std::string> rewrites;
  };
  const auto given = std::make_shared<Given>();
  InventorySettings& inventory = given->settings;
  CLI::App* command = app.add_subcommand(
      "inventory",
      "List the tables every workspace opens, whether their files are here, and what each holds");
  command->add_option("paths", inventory.paths, "Workspace files, and folders with -r")->required();
  command->add_option("--format", given->format, "text (default), csv or json")
      ->check(CLI::IsMember({"text", "csv", "json"}));
  command->add_flag("-r,--recursive", inventory.recursive, "Walk folders and their sub-folders");
  command->add_option("--glob", inventory.glob,
                      "Which files of a folder are workspaces (default: names ending in .bws)");
  command
      ->add_option("--data-root", inventory.options.options.dataRoots,
                   "A folder where table files are looked up by their trailing path components")
      ->allow_extra_args(false);
  command
      ->add_option("--rewrite-path", given->rewrites, "OLD=NEW: look table files up with OLD replaced by NEW")
      ->allow_extra_args(false);
  command->add_option("--jobs", inventory.options.jobs, "Workspaces read at once (default: the cores)")
      ->check(CLI::Range(1u, 1024u));
  command->add_option("--encoding", inventory.options.options.encoding, "Encoding of the files");
  AddVersionOption(*command, inventory.options.options.version, "Version of the statements");
  command->add_flag("--quiet", inventory.quiet, "No progress line");
  return {command, [given] {
            InventorySettings& inventory = given->settings;
            std::string error;
            if (!ParseRewrites(given->rewrites, inventory.options.options.rewritePaths, error)) {
              std::cerr << "brevan: " << Escaped(error) << '\n';
              return static_cast<int>(kUsageOrIoError);
            }
            inventory.format = given->format == "csv"    ? InventoryFormat::Csv
                               : given->format == "json" ? InventoryFormat::Json
                                                         : InventoryFormat::Text;
            inventory.options.cancelled = [] { return interrupted != 0; };
            InstallInterruptHandlers();
            const int status = RunInventory(inventory, std::cout, std::cerr);
            return interrupted != 0 ? DieByInterruption() : status;
          }};
}

}  // namespace brevan::cli
