// Messages of the language server protocol as they travel: a header block
// ("Content-Length: N", any other header ignored, a blank line) and N bytes
// of JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brevan::lsp {

// Cuts messages out of the bytes read so far.
class FrameReader {
 public:
  // The largest message taken; a longer one is passed over.
  static constexpr size_t kLargest = size_t{256} << 20;

  struct Frame {
    std::string body;   // the message's JSON text
    std::string error;  // when the header block could not be read: why (body empty)
  };

  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next whole message, or a framing error; none until more bytes come.
  std::optional<Frame> Next();
  // Whether bytes of an unfinished message wait.
  bool Pending() const { return !buffer_.empty() || skipping_ > 0; }

 private:
  std::string buffer_;
  size_t skipping_ = 0;  // bytes of an over-long message still to pass over
};

// The frame of body: its header block and itself.
std::string Framed(std::string_view body);

}  // namespace brevan::lsp
