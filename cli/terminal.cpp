#include "cli/terminal.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/text.h"

namespace brevan::cli {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

bool IsControl(char32_t c) { return (c < 0x20 && c != U'\t') || (c >= 0x7F && c <= 0x9F); }

// The escape of one character or undecodable byte.
std::string Escape(char32_t c, bool byte) {
  if (byte || c < 0x80) return {'\\', 'x', kDigits[(c >> 4) & 0xF], kDigits[c & 0xF]};
  return {'\\', 'u', '0', '0', kDigits[(c >> 4) & 0xF], kDigits[c & 0xF]};
}

std::string Where(const std::string& file, int line, int column) {
  std::string where = Escaped(DisplayName(file));
  if (line > 0) where += ':' + std::to_string(line);
  if (column > 0) where += ':' + std::to_string(column);
  return where;
}

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Remark:
      return "remark";
  }
  return "error";
}

}  // namespace

std::string JsonLine(const nlohmann::json& value) {
  // ASCII only: a C1 control written as UTF-8 would still reach a terminal.
  return value.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string Progress(size_t ended, size_t count, size_t failed, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double rate = seconds > 0 ? static_cast<double>(ended) / seconds : 0;
  std::ostringstream line;
  line << "\r\033[K[" << ended << '/' << count << "] " << failed << " failed";
  if (rate > 0) {
    line << ", " << std::fixed << std::setprecision(rate < 10 ? 1 : 0) << rate << " files/s, "
         << std::lround(static_cast<double>(count - ended) / rate) << " s left";
  }
  return line.str();
}

std::string DisplayName(const std::string& file) { return file == "-" ? "<stdin>" : file; }

std::string Escaped(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t length = DecodeOne(text, i, c);
    if (length == 0) {
      shown += Escape(static_cast<unsigned char>(text[i]), true);
      ++i;
      continue;
    }
    if (IsControl(c))
      shown += Escape(c, false);
    else
      shown.append(text.substr(i, length));
    i += length;
  }
  return shown;
}

std::string SourceAndCaret(const std::string& sourceLine, int column, int endColumn) {
  constexpr int kWindow = 120, kBefore = 40;
  // Each character as the terminal is to show it, and how many columns that takes.
  struct Shown {
    std::string text;
    int width;
  };
  std::vector<Shown> shown;
  for (size_t i = 0; i < sourceLine.size();) {
    char32_t c = 0;
    const size_t length = DecodeOne(sourceLine, i, c);
    if (length == 0 || IsControl(c)) {
      std::string escape =
          length == 0 ? Escape(static_cast<unsigned char>(sourceLine[i]), true) : Escape(c, false);
      const int width = static_cast<int>(escape.size());
      shown.push_back({std::move(escape), width});
      i += std::max<size_t>(length, 1);
      continue;
    }
    shown.push_back({sourceLine.substr(i, length), 1});
    i += length;
  }
  int length = static_cast<int>(shown.size());
  if (length > kWindow) {
    const int begin = std::clamp(column - 1 - kBefore, 0, length - kWindow);
    std::vector<Shown> window(shown.begin() + begin, shown.begin() + begin + kWindow);
    if (begin + kWindow < length) window.push_back({"…", 1});
    if (begin > 0) {
      window.insert(window.begin(), {"…", 1});
      column -= begin - 1;
      endColumn -= begin - 1;
    }
    shown = std::move(window);
    length = static_cast<int>(shown.size());
  }
  std::string line, caret;
  for (int i = 0; i < length; ++i) {
    line += shown[i].text;
    const int at = i + 1;
    if (at < column) {
      // A tab stays a tab, so that the caret lines up under it.
      caret += shown[i].text == "\t" ? std::string("\t") : std::string(shown[i].width, ' ');
    } else if (at == column) {
      caret += '^' + std::string(shown[i].width - 1, '~');
    } else if (at < endColumn) {
      caret += std::string(shown[i].width, '~');
    }
  }
  if (column > length) caret += '^';
  return line + '\n' + caret + '\n';
}

std::string Tell(const std::string& file, const Diagnostic& d, Format format) {
  if (format == Format::Json)
    return JsonLine({{"type", "diagnostic"},
                     {"file", DisplayName(file)},
                     {"line", d.line},
                     {"column", d.column},
                     {"endColumn", d.endColumn},
                     {"severity", SeverityName(d.severity)},
                     {"number", d.number},
                     {"code", d.code},
                     {"message", d.message},
                     {"notes", d.notes}});
  const std::string where = Where(file, d.line, d.column);
  std::string label = SeverityName(d.severity);
  if (d.number > 0) label += ' ' + std::to_string(d.number);
  // A warning's or remark's kind ends its line, as compilers name theirs.
  const std::string code = d.code.empty() ? std::string() : " [" + d.code + "]";
  std::string text = where + ": " + label + ": " + Escaped(d.message) + code + '\n';
  if (d.column > 0) text += SourceAndCaret(d.sourceLine, d.column, d.endColumn);
  for (const std::string& note : d.notes) text += where + ": note: " + Escaped(note) + '\n';
  return text;
}

std::string TellSkipped(const std::string& file, const Skipped& skipped, Format format) {
  if (format == Format::Json)
    return JsonLine({{"type", "skipped"},
                     {"file", DisplayName(file)},
                     {"line", skipped.line},
                     {"column", skipped.column},
                     {"severity", "skipped"},
                     {"message", skipped.keyword}});
  return Where(file, skipped.line, skipped.column) + ": skipped: " + Escaped(skipped.keyword) + '\n';
}

std::string TellFailure(const std::string& path, const std::string& message, Format format) {
  Diagnostic failure;
  failure.message = message;
  return Tell(path, failure, format);
}

std::string Plural(size_t count, const char* one, const char* many) {
  return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

}  // namespace brevan::cli
