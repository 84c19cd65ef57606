#include "translator/layer_names.h"

#include <cassert>

namespace brevan {

LayerNames::LayerNames(std::initializer_list<std::wstring> names) {
  for (const std::wstring& name : names) push_back(name);
}

size_t LayerNames::Prefix(size_t runs) const {
  size_t sum = 0;
  for (size_t i = runs; i > 0; i &= i - 1) sum += tree_[i];
  return sum;
}

void LayerNames::AddToRun(size_t run, size_t count) {
  runLengths_[run] += count;
  for (size_t i = run + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += count;
  size_ += count;
}

const std::wstring& LayerNames::operator[](size_t index) const {
  assert(index < size_);
  // Descends the tree to the run holding entry index.
  size_t run = 0;
  size_t step = 1;
  while (step * 2 < tree_.size()) step *= 2;
  for (; step > 0; step /= 2) {
    if (run + step < tree_.size() && tree_[run + step] <= index) {
      run += step;
      index -= tree_[run];
    }
  }
  return runNames_[run];
}

void LayerNames::push_back(const std::wstring& name) {
  if (!runNames_.empty() && runNames_.back() == name) {
    AddToRun(runNames_.size() - 1, 1);
    return;
  }
  const size_t run = runNames_.size();
  runNames_.push_back(name);
  runLengths_.push_back(0);
  if (tree_.empty()) tree_.push_back(0);
  // A new Fenwick node covers the runs since its lowest set bit.
  const size_t node = run + 1;
  tree_.push_back(Prefix(node - 1) - Prefix(node - (node & (~node + 1))));
  firstRun_.try_emplace(name, run);  // no node made for a name seen before
  AddToRun(run, 1);
}

bool LayerNames::InsertBeforeFirst(const std::wstring& name) {
  const auto found = firstRun_.find(name);
  if (found == firstRun_.end()) return false;
  AddToRun(found->second, 1);
  return true;
}

void LayerNames::clear() { *this = LayerNames(); }

LayerNames::operator std::vector<std::wstring>() const {
  std::vector<std::wstring> names;
  names.reserve(size_);
  for (size_t run = 0; run < runNames_.size(); ++run)
    names.insert(names.end(), runLengths_[run], runNames_[run]);
  return names;
}

}  // namespace brevan
