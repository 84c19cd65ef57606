#include "api/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace brevan {

namespace fs = std::filesystem;

OutputFile::OutputFile(std::string path, std::function<bool()> cancelled)
    : path_(std::move(path)), cancelled_(std::move(cancelled)) {}

OutputFile::~OutputFile() {
  if (file_ == nullptr || file_ == stdout) return;
  std::fclose(file_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool OutputFile::Write(std::string_view piece) {
  started_ = true;
  if (cancelled_ && cancelled_()) return Fail("interrupted");
  if (file_ == nullptr && !Open()) return false;
  if (std::fwrite(piece.data(), 1, piece.size(), file_) != piece.size()) return Fail(std::strerror(errno));
  return true;
}

bool OutputFile::Close() {
  if (file_ == nullptr || !error_.empty()) return false;  // the destructor removes the temporary
  if (std::fflush(file_) != 0 || std::ferror(file_)) return Fail(std::strerror(errno));
  std::FILE* file = file_;
  file_ = nullptr;
  if (file == stdout) return true;
  if (temporary_.empty()) {  // written in place
    if (std::fclose(file) == 0) return true;
    error_ = std::strerror(errno);
    return false;
  }
  if (std::fclose(file) != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error_ = std::strerror(errno);
    std::remove(temporary_.c_str());
    return false;
  }
  return true;
}

bool OutputFile::Open() {
  if (path_ == "-") {
    file_ = stdout;
    return true;
  }
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) return Fail("it is a directory");
    file_ = std::fopen(path_.c_str(), "wb");
    return file_ != nullptr || Fail(std::strerror(errno));
  }
  target_ = path_;
  if (::lstat(path_.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path_, error);
    if (!error) target_ = resolved.string();
  }
  std::string name = target_ + ".XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return Fail(std::strerror(errno));
  ::fchmod(fd, 0644);
  temporary_ = name;
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    ::close(fd);
    std::remove(temporary_.c_str());
    return Fail(std::strerror(errno));
  }
  return true;
}

bool OutputFile::Fail(const char* reason) {
  if (error_.empty()) error_ = reason;
  return false;
}

bool WriteWholeFile(const std::string& path, std::string_view text, std::string& error) {
  OutputFile output(path);
  if (output.Write(text) && output.Close()) return true;
  error = output.Error();
  return false;
}

}  // namespace brevan
