// Inside the public API: the manifest a batch keeps in its output folder,
// what each workspace's last translation there was made from and how it
// ended, so that a re-run redoes only what changed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "brevan/batch.h"
#include "brevan/report.h"

namespace brevan {

// A file's size and modification time (nanoseconds): a change that
// leaves both alike is looked for by content.
struct FileStamp {
  uint64_t size = 0;
  int64_t time = 0;
  bool operator==(const FileStamp&) const = default;
};

// Of a regular file (through links); nothing when there is none.
std::optional<FileStamp> StampOf(const std::string& path);

// A hash of the file's bytes (64 bits, as hex); nothing when unreadable.
std::optional<std::string> HashOf(const std::string& path);

// What a run knew of one workspace when it ended.
struct Record {
  std::string output;  // its document, relative to the folder ("north/p01/map.xml"): the key
  std::string source;  // the workspace file, absolute
  FileStamp sourceStamp;
  std::string sourceHash;
  std::optional<FileStamp> outputStamp;  // nothing when no document was left (it failed)
  std::string page;                      // relative to the folder; empty when none
  std::optional<FileStamp> pageStamp;
  std::string options;  // OptionsKey of what shaped the output
  std::string tool;     // the version that wrote it
  Status status = Status::Failed;
  FileFacts facts;
};

// The options that shape a document and its page, as one comparable text.
std::string OptionsKey(const Options& options, bool page);

// The manifest of one folder: read when made, added to as files end (a
// line each, so that a run killed at any moment leaves whole records
// behind, and at worst the last one torn, which a reader passes over),
// and written whole at the end.
class Manifest {
 public:
  static constexpr const char* kName = ".brevan-manifest.jsonl";

  // Reads FOLDER's manifest; none, or one of another schema, is empty.
  explicit Manifest(const std::string& folder);
  ~Manifest();
  Manifest(const Manifest&) = delete;
  Manifest& operator=(const Manifest&) = delete;

  // The record of a document as the last runs left it; null when none.
  // Never changed while a batch runs: workers may ask at once.
  const Record* Last(const std::string& key) const;
  // The key of a document: its path below the folder.
  std::string KeyOf(const std::string& output) const;
  // The record a file ended with now, appended at once; calls one at a time.
  void Add(Record record);
  // Forgets a record (an orphan whose outputs were removed).
  void Drop(const std::string& key) { dropped_.insert(key); }
  // The records of earlier runs that this one did not replace.
  const std::map<std::string, Record>& Earlier() const { return last_; }
  // Writes the records whole (what this run added over what it read);
  // false with error filled when it could not.
  bool Save(std::string& error);
  std::string Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
  std::map<std::string, Record> last_;   // as read
  std::map<std::string, Record> added_;  // by this run
  std::set<std::string> dropped_;
  int appending_ = -1;  // the manifest, open to append to
  bool appendFailed_ = false;
};

}  // namespace brevan
