#include "lsp/framing.h"

#include <algorithm>
#include <cctype>

namespace brevan::lsp {

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// The length a header block gives, or none when it gives no valid one.
std::optional<size_t> ContentLength(std::string_view headers) {
  std::optional<size_t> length;
  while (!headers.empty()) {
    const size_t end = std::min(headers.find('\n'), headers.size());
    const std::string_view line = headers.substr(0, end);
    headers.remove_prefix(std::min(end + 1, headers.size()));
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || !SameLetters(Trimmed(line.substr(0, colon)), "Content-Length"))
      continue;
    const std::string_view digits = Trimmed(line.substr(colon + 1));
    if (digits.empty() || digits.size() > 12 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
      return std::nullopt;
    length = std::stoull(std::string(digits));
  }
  return length;
}

}  // namespace

std::optional<FrameReader::Frame> FrameReader::Next() {
  if (skipping_ > 0) {
    const size_t dropped = std::min(skipping_, buffer_.size());
    buffer_.erase(0, dropped);
    skipping_ -= dropped;
    if (skipping_ > 0) return std::nullopt;
  }
  // Blank lines between messages are tolerated.
  const size_t start = buffer_.find_first_not_of("\r\n");
  if (start == std::string::npos) {
    buffer_.clear();
    return std::nullopt;
  }
  buffer_.erase(0, start);
  size_t headerEnd = buffer_.find("\r\n\r\n");
  size_t separator = 4;
  if (const size_t bare = buffer_.find("\n\n"); bare < headerEnd) headerEnd = bare, separator = 2;
  if (headerEnd == std::string::npos) {
    // A header block never runs this long: what stands here is no frame.
    if (buffer_.size() <= size_t{64} << 10) return std::nullopt;
    buffer_.clear();
    return Frame{{}, "a header block longer than 64 KiB"};
  }
  const std::optional<size_t> length = ContentLength(std::string_view(buffer_).substr(0, headerEnd));
  if (!length) {
    buffer_.erase(0, headerEnd + separator);
    return Frame{{}, "a header block without a valid Content-Length"};
  }
  const size_t bodyStart = headerEnd + separator;
  if (*length > kLargest) {
    buffer_.erase(0, bodyStart);
    skipping_ = *length;
    return Frame{{}, "a message longer than 256 MiB"};
  }
  if (buffer_.size() - bodyStart < *length) return std::nullopt;
  Frame frame{buffer_.substr(bodyStart, *length), {}};
  buffer_.erase(0, bodyStart + *length);
  return frame;
}

std::string Framed(std::string_view body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

}  // namespace brevan::lsp
