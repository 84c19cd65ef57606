#include "host/xml_printing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace brevan::xml {

namespace {

// Printed text is handed to the writer in blocks of about this size.
constexpr size_t kBlockSize = size_t{256} << 10;
constexpr std::string_view kIndent = "  ";

// What each byte needs in text and in attribute values: 0 nothing, else
// escaped. In text: & < > and control characters other than tab, line feed
// and carriage return; in values: & < " and every control character, so
// that a value reads back as it was written.
enum : unsigned char { kInText = 1, kInValue = 2 };
constexpr std::array<unsigned char, 256> kSpecial = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 32; ++c) table[c] = kInText | kInValue;
  table['\t'] = table['\n'] = table['\r'] = kInValue;
  table['&'] = table['<'] = kInText | kInValue;
  table['>'] = kInText;
  table['"'] = kInValue;
  return table;
}();

class Printer {
 public:
  Printer(const Tree& tree, const std::function<bool(std::string_view)>& write, bool indent)
      : tree_(tree), write_(write), indent_(indent), buffer_(kBlockSize, '\0') {
    at_ = buffer_.data();
    end_ = at_ + buffer_.size();
  }

  bool Print(Id root);

 private:
  // A place in an element's content: its own text (held) or a child.
  struct Position {
    Id node = kNone;
    bool held = false;
  };

  // Makes room for size bytes, handing what is printed to the writer first
  // when the block is full.
  void Room(size_t size) {
    if (static_cast<size_t>(end_ - at_) >= size) return;
    Flush();
    if (buffer_.size() < size) {
      buffer_.resize(size);
      at_ = buffer_.data();
      end_ = at_ + buffer_.size();
    }
  }
  void Flush() {
    const size_t size = static_cast<size_t>(at_ - buffer_.data());
    if (ok_ && size > 0) ok_ = write_(std::string_view(buffer_.data(), size));
    at_ = buffer_.data();
  }
  // Appends, room made beforehand.
  void Copy(std::string_view text) {
    std::memcpy(at_, text.data(), text.size());
    at_ += text.size();
  }
  void Put(std::string_view text) {
    Room(text.size());
    Copy(text);
  }

  void Escaped(std::string_view text, unsigned char context) {
    Room(text.size());
    const char* plain = text.data();
    const char* const end = plain + text.size();
    for (const char* at = plain; at != end; ++at) {
      const auto c = static_cast<unsigned char>(*at);
      if ((kSpecial[c] & context) == 0) continue;
      Copy({plain, static_cast<size_t>(at - plain)});
      plain = at + 1;
      // The longest escape, and room for the rest of the text after it.
      Room(6 + static_cast<size_t>(end - plain));
      switch (c) {
        case '&':
          Copy("&amp;");
          break;
        case '<':
          Copy("&lt;");
          break;
        case '>':
          Copy("&gt;");
          break;
        case '"':
          Copy("&quot;");
          break;
        default: {  // a control character, by its two-digit number
          const char number[] = {'&', '#', static_cast<char>('0' + c / 10), static_cast<char>('0' + c % 10),
                                 ';'};
          Copy({number, sizeof number});
        }
      }
    }
    Copy({plain, static_cast<size_t>(end - plain)});
  }

  // A line break (when newLine) and the indentation of depth, when indenting.
  void Line(bool newLine, unsigned depth) {
    if (!indent_) return;
    static constexpr std::string_view kSpaces =
        "                                                                "
        "                                                                ";
    if (newLine) Put("\n");
    for (size_t left = size_t{depth} * kIndent.size(); left > 0;) {
      const size_t part = std::min(left, kSpaces.size());
      Put(kSpaces.substr(0, part));
      left -= part;
    }
  }

  // Writes the start of element; true when content follows.
  bool Start(Id element) {
    const Node& node = tree_.nodes[element];
    const std::string& name = tree_.Utf8Name(node.name);
    Room(name.size() + 1);
    Copy("<");
    Copy(name);
    for (Id attribute = node.attributes; attribute != kNone; attribute = tree_.attributes[attribute].next) {
      const std::string& attributeName = tree_.Utf8Name(tree_.attributes[attribute].name);
      Room(attributeName.size() + 3);
      Copy(" ");
      Copy(attributeName);
      Copy("=\"");
      Escaped(tree_.Value(attribute), kInValue);
      Put("\"");
    }
    if (node.text == nullptr && node.first == kNone) {
      Put(indent_ ? " />" : "/>");
      return false;
    }
    Put(">");
    return true;
  }

  void End(Id element) {
    const std::string& name = tree_.Utf8Name(tree_.nodes[element].name);
    Room(name.size() + 3);
    Copy("</");
    Copy(name);
    Copy(">");
  }

  Position Next(Position at) const {
    const Id next = at.held ? tree_.nodes[at.node].first : tree_.nodes[at.node].next;
    return {next, false};
  }
  Id Parent(Position at) const { return at.held ? at.node : tree_.nodes[at.node].parent; }

  const Tree& tree_;
  const std::function<bool(std::string_view)>& write_;
  const bool indent_;
  std::string buffer_;
  char* at_ = nullptr;
  char* end_ = nullptr;
  bool ok_ = true;
};

// Lines break and indent as an indenting printer does for mixed content:
// after text, nothing more in that element starts on a line of its own.
bool Printer::Print(Id root) {
  enum : unsigned { kNewLine = 1, kIndented = 2 };
  unsigned flags = kIndented;
  unsigned depth = 0;
  Position at{root, false};
  do {
    if (at.held || tree_.nodes[at.node].name == kTextName) {
      const Node& node = tree_.nodes[at.node];
      Escaped({node.text, node.textSize}, kInText);
      flags = 0;
    } else {
      if (flags & kIndented) Line(flags & kNewLine, depth);
      flags = kNewLine | kIndented;
      if (Start(at.node)) {
        ++depth;
        at = tree_.nodes[at.node].text != nullptr ? Position{at.node, true}
                                                  : Position{tree_.nodes[at.node].first, false};
        continue;
      }
    }
    while (at.held || at.node != root) {
      const Position next = Next(at);
      if (next.node != kNone) {
        at = next;
        break;
      }
      at = {Parent(at), false};
      --depth;
      if (flags & kIndented) Line(flags & kNewLine, depth);
      End(at.node);
      flags = kNewLine | kIndented;
    }
    if (!ok_) return false;
  } while (at.held || at.node != root);
  if ((flags & kNewLine) && indent_) Put("\n");
  Flush();
  return ok_;
}

}  // namespace

bool PrintElement(const Tree& tree, Id element, const std::function<bool(std::string_view)>& write,
                  bool indent) {
  Printer printer(tree, write, indent);
  return printer.Print(element);
}

}  // namespace brevan::xml
