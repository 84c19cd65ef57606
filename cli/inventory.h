// brevan inventory: what many workspaces depend on, as text, CSV or JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "brevan/inventory.h"

namespace brevan::cli {

enum class InventoryFormat { Text, Csv, Json };

struct InventorySettings {
  std::vector<std::string> paths;
  bool recursive = false;
  std::string glob;
  InventoryFormat format = InventoryFormat::Text;
  InventoryOptions options;
  bool quiet = false;
};

// Writes the inventory of the workspaces that settings name; the exit
// status: 1 when a workspace failed or a path could not be read, else 0.
int RunInventory(const InventorySettings& settings, std::ostream& out, std::ostream& err);

// The three forms, for an inventory already taken; terminal: whether out
// is a terminal (CSV then shows control characters escaped).
void WriteText(const Inventory& inventory, std::ostream& out);
void WriteCsv(const Inventory& inventory, std::ostream& out, bool terminal);
void WriteJson(const Inventory& inventory, const std::vector<std::string>& problems, std::ostream& out);

}  // namespace brevan::cli
