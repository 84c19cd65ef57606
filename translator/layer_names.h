// Layer names in layer order. A thematic layer inserts a copy of its
// layer's name right before the name's first entry, so a name's first
// entries always form one run: the names are kept as runs of equal names,
// and a Fenwick tree over the run lengths finds the name of a layer number
// and grows a run in logarithmic time, however long the list.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

namespace brevan {

class LayerNames {
 public:
  LayerNames() = default;
  LayerNames(std::initializer_list<std::wstring> names);

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Entry index (0-based); index must be below size().
  const std::wstring& operator[](size_t index) const;
  void push_back(const std::wstring& name);
  // Inserts a copy of name before its first entry; false when there is none.
  bool InsertBeforeFirst(const std::wstring& name);
  void clear();

  operator std::vector<std::wstring>() const;

 private:
  void AddToRun(size_t run, size_t count);
  size_t Prefix(size_t runs) const;  // entries in the first runs runs

  std::vector<std::wstring> runNames_;
  std::vector<size_t> tree_;  // Fenwick tree over run lengths, 1-based
  std::vector<size_t> runLengths_;
  std::unordered_map<std::wstring, size_t> firstRun_;
  size_t size_ = 0;
};

}  // namespace brevan
