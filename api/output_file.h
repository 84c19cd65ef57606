// Inside the public API: where a document or a page goes, written whole or
// not at all.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace brevan {

// A file written under a temporary name beside its target and renamed into
// place when complete, so that no failure or interruption leaves half a
// document under its name. Nothing is made before the first piece: a
// translation that writes nothing leaves no file behind. "-" is standard
// output. A device or a FIFO (/dev/null) is written in place: there is no
// file to replace; through a symbolic link the link's target is replaced
// and the link stays; a directory is refused.
class OutputFile {
 public:
  // cancelled, when given, is asked before each piece: true stops the write.
  explicit OutputFile(std::string path, std::function<bool()> cancelled = {});
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False once writing failed, or was cancelled.
  bool Write(std::string_view piece);
  // Whether everything handed over reached its place; Error() says why not.
  bool Close();
  // Whether anything was handed over at all.
  bool Started() const { return started_; }
  // Why writing failed, in words ("it is a directory", the system's reason).
  const std::string& Error() const { return error_; }

 private:
  bool Open();
  bool Fail(const char* reason);

  std::string path_;
  std::function<bool()> cancelled_;
  std::string target_;     // the file renamed onto: path_, or where its link points
  std::string temporary_;  // empty when written in place
  std::FILE* file_ = nullptr;
  bool started_ = false;
  std::string error_;
};

// Writes text to path whole or not at all; false with the reason in error.
bool WriteWholeFile(const std::string& path, std::string_view text, std::string& error);

}  // namespace brevan
