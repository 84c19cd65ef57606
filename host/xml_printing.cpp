#include "host/xml_printing.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace brevan {

namespace {

// Printed pieces are handed to the writer gathered in blocks of about this size.
constexpr size_t kBlockSize = size_t{256} << 10;

// Hands what pugixml writes to a function, without a stream in between.
class FunctionWriter final : public pugi::xml_writer {
 public:
  explicit FunctionWriter(const std::function<bool(std::string_view)>& write) : write_(write) {}
  void write(const void* data, size_t size) override {
    if (ok_) ok_ = write_(std::string_view(static_cast<const char*>(data), size));
  }
  bool ok() const { return ok_; }

 private:
  const std::function<bool(std::string_view)>& write_;
  bool ok_ = true;
};

// Elements with this many children or more are opened up into pieces,
// however deep they stand, and so are the elements above them: a theme of
// a million items must not become one piece printed into one string, nor a
// window of small layers a piece per layer.
constexpr unsigned kLongList = 64;
// How many elements below one are looked into for such a list: a look,
// not a walk of the whole tree.
constexpr unsigned kLookInto = 8;
// Elements that are not opened up are printed in runs of this many siblings.
constexpr unsigned kRunLength = 16;
// Pieces at most: past that, elements are no longer opened up.
constexpr size_t kMostPieces = size_t{1} << 16;
// A split that yields fewer pieces is not worth more than one printer.
constexpr size_t kFewestPieces = 8;
// Printed text not yet written, at most (the next piece is always printed).
constexpr size_t kMostWaiting = size_t{32} << 20;
constexpr char kIndent[] = "  ";

// Appends what pugixml prints to a string.
class StringWriter final : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

// How pugixml is asked to print, indented or raw.
unsigned Format(bool indent) { return indent ? pugi::format_indent : pugi::format_raw; }

// A part of the text in document order: a run of sibling elements printed
// whole at their depth, or the start or end tag of an element opened up.
struct Piece {
  pugi::xml_node first;  // the run's first element; null for a tag
  unsigned count = 0;    // elements in the run
  unsigned depth = 0;
  std::string text;
  bool done = false;
};

// Whether pugixml prints element as a start tag, its children one after
// another (line by line when indented), and an end tag: it has children,
// all elements, and no text.
bool OpensUp(pugi::xml_node element) {
  // Text held in the element itself comes before its children.
  if (!element.first_child() || *element.value() != '\0') return false;
  for (pugi::xml_node child : element.children())
    if (child.type() != pugi::node_element) return false;
  return true;
}

// The start tag of element as pugixml prints it: printed from a copy
// without children, whose empty-element tag ("/>") becomes ">".
std::string StartTag(pugi::xml_node element, unsigned depth, bool indent) {
  pugi::xml_document scratch;
  pugi::xml_node copy = scratch.append_child(element.name());
  for (pugi::xml_attribute attribute : element.attributes())
    copy.append_attribute(attribute.name()).set_value(attribute.value());
  std::string text;
  StringWriter writer(text);
  copy.print(writer, kIndent, Format(indent), pugi::encoding_auto, depth);
  const std::string_view empty = indent ? " />\n" : "/>";
  if (text.size() < empty.size() || text.compare(text.size() - empty.size(), empty.size(), empty) != 0)
    return std::string();
  text.replace(text.size() - empty.size(), empty.size(), indent ? ">\n" : ">");
  return text;
}

bool SplitOpen(pugi::xml_node element, unsigned depth, bool indent, std::vector<Piece>& pieces);

// Whether element has kLongList children or more, or one of the first
// elements below it that budget lets us look into does.
bool HoldsLongList(pugi::xml_node element, unsigned& budget) {
  unsigned count = 0;
  for (pugi::xml_node child = element.first_child(); child && count < kLongList; child = child.next_sibling())
    ++count;
  if (count == kLongList) return true;
  for (pugi::xml_node child = element.first_child(); child && budget > 0; child = child.next_sibling()) {
    if (!child.first_child()) continue;
    --budget;
    if (HoldsLongList(child, budget)) return true;
  }
  return false;
}

bool IsLarge(pugi::xml_node element) {
  unsigned budget = kLookInto;
  return HoldsLongList(element, budget);
}

// The children of an opened element, at depth: those that open up are
// split further, the others gathered in runs.
bool SplitChildren(pugi::xml_node element, unsigned depth, bool indent, std::vector<Piece>& pieces) {
  Piece run;
  const auto flush = [&] {
    if (run.count > 0) pieces.push_back(std::move(run));
    run = Piece();
  };
  for (pugi::xml_node child : element.children()) {
    if (pieces.size() < kMostPieces && IsLarge(child) && OpensUp(child)) {
      flush();
      if (!SplitOpen(child, depth, indent, pieces)) return false;
      continue;
    }
    if (run.count == 0) {
      run.first = child;
      run.depth = depth;
    }
    if (++run.count == kRunLength) flush();
  }
  flush();
  return true;
}

// An opened element: its start tag, its children, its end tag. False when
// the start tag did not come out as expected.
bool SplitOpen(pugi::xml_node element, unsigned depth, bool indent, std::vector<Piece>& pieces) {
  std::string start = StartTag(element, depth, indent);
  if (start.empty()) return false;
  pieces.push_back({pugi::xml_node(), 0, depth, std::move(start), true});
  if (!SplitChildren(element, depth + 1, indent, pieces)) return false;
  std::string end;
  for (unsigned level = 0; indent && level < depth; ++level) end += kIndent;
  end.append("</").append(element.name()).append(indent ? ">\n" : ">");
  pieces.push_back({pugi::xml_node(), 0, depth, std::move(end), true});
  return true;
}

// Pieces printed by a second thread and by the calling thread, which
// writes them in order and prints the next one itself when it would wait.
class PiecePrinter {
 public:
  PiecePrinter(std::vector<Piece> pieces, bool indent)
      : pieces_(std::move(pieces)), format_(Format(indent)) {}

  // Second thread: prints pieces until none is left or writing stopped.
  void Print() {
    for (;;) {
      size_t at = 0;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || next_ >= pieces_.size() || MayPrintNext(); });
        if (stopped_ || next_ >= pieces_.size()) return;
        at = next_++;
      }
      PrintPiece(at);
    }
  }

  // Calling thread: hands the pieces to write in order, gathered into blocks.
  bool Write(const std::function<bool(std::string_view)>& write) {
    std::string block;
    bool ok = true;
    for (size_t at = 0; at < pieces_.size() && ok; ++at) {
      for (std::unique_lock lock(mutex_); !pieces_[at].done;) {
        if (failed_) return false;
        if (next_ < pieces_.size() && MayPrintNext()) {
          const size_t mine = next_++;
          lock.unlock();
          PrintPiece(mine);
          lock.lock();
        } else {
          changed_.wait(lock);
        }
      }
      std::string text = std::move(pieces_[at].text);
      block += text;
      if (block.size() >= kBlockSize) {
        ok = write(block);
        block.clear();
      }
      const std::lock_guard lock(mutex_);
      if (pieces_[at].first) {
        waiting_ -= text.size();
        text.clear();
        spare_.push_back(std::move(text));
      }
      written_ = at + 1;
      if (!ok) stopped_ = true;
      changed_.notify_all();
    }
    return ok && (block.empty() || write(block));
  }

  // Calling thread: stops the second thread early (the caller failed).
  void Stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  // With the lock held: printed text may grow, or it is the next to write.
  bool MayPrintNext() const { return waiting_ < kMostWaiting || next_ == written_; }

  void PrintPiece(size_t at) {
    Piece& piece = pieces_[at];
    // A tag piece is done from the start: the writer may be moving its text
    // out already, so it is not touched here.
    if (piece.count == 0) return;
    try {
      if (piece.count > 0) piece.text = TakeSpare();
      StringWriter writer(piece.text);
      pugi::xml_node element = piece.first;
      for (unsigned n = 0; n < piece.count; ++n, element = element.next_sibling())
        element.print(writer, kIndent, format_, pugi::encoding_auto, piece.depth);
    } catch (const std::bad_alloc&) {
      const std::lock_guard lock(mutex_);
      failed_ = stopped_ = true;
      changed_.notify_all();
      return;
    }
    const std::lock_guard lock(mutex_);
    piece.done = true;
    waiting_ += piece.text.size();
    changed_.notify_all();
  }

  // A string written before, its memory kept: fresh memory costs more
  // than printing into it.
  std::string TakeSpare() {
    const std::lock_guard lock(mutex_);
    if (spare_.empty()) return std::string();
    std::string text = std::move(spare_.back());
    spare_.pop_back();
    return text;
  }

  std::vector<Piece> pieces_;
  const unsigned format_;
  std::vector<std::string> spare_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;     // the next piece to print
  size_t written_ = 0;  // pieces handed to write
  size_t waiting_ = 0;  // bytes printed, not yet written
  bool stopped_ = false;
  bool failed_ = false;
};

// Prints the pieces of element on this thread and a second one; false
// when it does not split into enough pieces or no thread could be started.
bool PrintInPieces(pugi::xml_node element, const std::function<bool(std::string_view)>& write, bool indent,
                   bool& ok) {
  std::vector<Piece> pieces;
  if (!OpensUp(element) || !SplitOpen(element, 0, indent, pieces) || pieces.size() < kFewestPieces)
    return false;
  PiecePrinter printer(std::move(pieces), indent);
  std::thread second;
  try {
    second = std::thread([&] { printer.Print(); });
  } catch (const std::system_error&) {
    return false;
  }
  try {
    ok = printer.Write(write);
  } catch (...) {  // from write: let the second thread go first
    printer.Stop();
    second.join();
    throw;
  }
  printer.Stop();
  second.join();
  return true;
}

}  // namespace

bool PrintElement(pugi::xml_node element, const std::function<bool(std::string_view)>& write, bool indent,
                  bool large) {
  bool ok = false;
  if (large && PrintInPieces(element, write, indent, ok)) return ok;
  FunctionWriter writer(write);
  element.print(writer, kIndent, Format(indent));
  return writer.ok();
}

}  // namespace brevan
