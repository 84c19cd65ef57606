#include <string>
#include <utility>

#include "host/table_data.h"

namespace brevan {

std::wstring FilledText(const TableEntry* entries, int count, short id, const std::wstring& fact0,
                        const std::wstring& fact1) {
  for (int i = 0; i < count; ++i) {
    if (entries[i].id != id) continue;
    std::wstring text = entries[i].text;
    for (const auto& [mark, fact] : {std::pair(L"^0", &fact0), std::pair(L"^1", &fact1)})
      for (size_t at = 0; (at = text.find(mark, at)) != std::wstring::npos; at += fact->size())
        text.replace(at, 2, *fact);
    return text;
  }
  return std::wstring();
}

const char* CodeOf(const TableEntry* entries, int count, short id) {
  for (int i = 0; i < count; ++i)
    if (entries[i].id == id && entries[i].code != nullptr) return entries[i].code;
  return "";
}

}  // namespace brevan
