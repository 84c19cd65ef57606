// The manifest of an output folder: one JSON object per line, a header
// line first. Lines are appended as files end and the whole is rewritten
// at the end of a run, so a reader meets only whole lines but for, after a
// crash, the last one.
#include "api/manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "api/output_file.h"

namespace brevan {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kSchema = 1;

// The outcomes a record may hold.
constexpr Status kOutcomes[] = {Status::Translated, Status::TranslatedWithWarnings, Status::Failed};

constexpr std::array<const char*, 3> kSeverities = {"error", "warning", "remark"};

// The length of the valid UTF-8 sequence at text[i]; 0 when there is none.
size_t Utf8Length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  // Overlong forms, surrogates and code points past U+10FFFF.
  const unsigned char second = byte(i + 1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
    return 0;
  return length;
}

// A path as JSON text holds it: a file name need not be UTF-8, so "%" and
// each byte outside valid UTF-8 are written "%XX".
std::string PathText(std::string_view path) {
  std::string text;
  for (size_t i = 0; i < path.size();) {
    const size_t length = path[i] == '%' ? 0 : Utf8Length(path, i);
    if (length > 0) {
      text.append(path.substr(i, length));
      i += length;
      continue;
    }
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(path[i]));
    text += escape;
    ++i;
  }
  return text;
}

std::string PathOf(std::string_view text) {
  std::string path;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      path += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      path += text[i];
    }
  }
  return path;
}

json StampJson(const FileStamp& stamp) { return {{"size", stamp.size}, {"time", stamp.time}}; }

FileStamp StampFrom(const json& value) {
  return {value.at("size").get<uint64_t>(), value.at("time").get<int64_t>()};
}

json RecordJson(const Record& record) {
  json diagnostics = json::array();
  for (const Diagnostic& d : record.facts.diagnostics)
    diagnostics.push_back({{"severity", kSeverities[static_cast<size_t>(d.severity)]},
                           {"line", d.line},
                           {"column", d.column},
                           {"message", d.message}});
  const char* outcome = Word(record.status);
  json line = {{"output", PathText(record.output)},
               {"source", PathText(record.source)},
               {"sourceStamp", StampJson(record.sourceStamp)},
               {"sourceHash", record.sourceHash},
               {"options", record.options},
               {"tool", record.tool},
               {"outcome", outcome},
               {"layers", record.facts.layers},
               {"themes", record.facts.themes},
               {"warnings", record.facts.warnings},
               {"remarks", record.facts.remarks},
               {"passedOver", record.facts.passedOver},
               {"missingTables", record.facts.missingTables},
               {"encoding", record.facts.encoding},
               {"losses", record.facts.losses},
               {"passedOverByName", record.facts.passedOverByName},
               {"diagnostics", std::move(diagnostics)}};
  if (record.outputStamp) line["outputStamp"] = StampJson(*record.outputStamp);
  if (!record.page.empty()) line["page"] = PathText(record.page);
  if (record.pageStamp) line["pageStamp"] = StampJson(*record.pageStamp);
  return line;
}

// Throws json's exceptions for a line that is not a whole record.
Record RecordFrom(const json& line) {
  Record record;
  record.output = PathOf(line.at("output").get<std::string>());
  record.source = PathOf(line.at("source").get<std::string>());
  record.sourceStamp = StampFrom(line.at("sourceStamp"));
  record.sourceHash = line.at("sourceHash").get<std::string>();
  record.options = line.at("options").get<std::string>();
  record.tool = line.at("tool").get<std::string>();
  const std::string outcome = line.at("outcome").get<std::string>();
  bool known = false;
  for (const Status status : kOutcomes)
    if (outcome == Word(status)) record.status = status, known = true;
  if (!known) throw std::invalid_argument("outcome");
  FileFacts& facts = record.facts;
  facts.failed = record.status == Status::Failed;
  facts.layers = line.at("layers").get<size_t>();
  facts.themes = line.at("themes").get<size_t>();
  facts.warnings = line.at("warnings").get<size_t>();
  facts.remarks = line.at("remarks").get<size_t>();
  facts.passedOver = line.at("passedOver").get<size_t>();
  facts.missingTables = line.at("missingTables").get<size_t>();
  facts.encoding = line.value("encoding", "");
  facts.losses = line.value("losses", std::map<std::string, size_t>());
  facts.passedOverByName = line.value("passedOverByName", std::map<std::string, size_t>());
  for (const json& d : line.at("diagnostics")) {
    Diagnostic diagnostic;
    diagnostic.severity = d.at("severity") == "error" ? Severity::Error : Severity::Warning;
    diagnostic.line = d.at("line").get<int>();
    diagnostic.column = d.at("column").get<int>();
    diagnostic.message = d.at("message").get<std::string>();
    facts.diagnostics.push_back(std::move(diagnostic));
  }
  if (line.contains("outputStamp")) record.outputStamp = StampFrom(line["outputStamp"]);
  if (line.contains("page")) record.page = PathOf(line["page"].get<std::string>());
  if (line.contains("pageStamp")) record.pageStamp = StampFrom(line["pageStamp"]);
  return record;
}

std::string Dumped(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace) + '\n';
}

std::string Header() { return Dumped({{"brevanManifest", kSchema}, {"tool", Version()}}); }

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileStamp{static_cast<uint64_t>(info.st_size),
                   static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::optional<std::string> HashOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  std::array<char, 1 << 16> buffer;
  ssize_t got;
  while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) XXH3_64bits_update(state, buffer.data(), got);
  const XXH64_hash_t hash = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  ::close(fd);
  if (got < 0) return std::nullopt;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string OptionsKey(const Options& options, bool page) {
  json key = {{"encoding", options.encoding},
              {"indent", options.indent},
              {"partial", options.partial},
              {"strict", options.strict},
              {"page", page},
              {"checkFiles", options.checkFiles},
              {"dataRoots", json::array()},
              {"rewrites", json::array()}};
  if (options.version) key["version"] = options.version->Number();
  if (options.fallbackVersion) key["fallbackVersion"] = options.fallbackVersion->Number();
  for (const std::string& root : options.dataRoots) key["dataRoots"].push_back(PathText(root));
  for (const PathRewrite& rule : options.rewritePaths)
    key["rewrites"].push_back({PathText(rule.from), PathText(rule.to)});
  return key.dump(-1, ' ', false, json::error_handler_t::replace);
}

Manifest::Manifest(const std::string& folder)
    : folder_((fs::path(folder.empty() ? "." : folder) / "x").lexically_normal().parent_path().string()),
      path_((fs::path(folder_.empty() ? "." : folder_) / kName).string()) {
  std::ifstream in(path_, std::ios::binary);
  std::string text;
  if (!std::getline(in, text)) return;
  const json header = json::parse(text, nullptr, false);
  if (!header.is_object() || header.value("brevanManifest", 0) != kSchema) return;
  while (std::getline(in, text)) {
    const json line = json::parse(text, nullptr, false);
    if (line.is_discarded()) continue;  // torn by a crash
    try {
      Record record = RecordFrom(line);
      last_[record.output] = std::move(record);  // a later line replaces an earlier one
    } catch (const std::exception&) {
    }
  }
}

Manifest::~Manifest() {
  if (appending_ >= 0) ::close(appending_);
}

const Record* Manifest::Last(const std::string& key) const {
  const auto found = last_.find(key);
  return found == last_.end() ? nullptr : &found->second;
}

std::string Manifest::KeyOf(const std::string& output) const {
  return fs::path(output)
      .lexically_normal()
      .lexically_relative(folder_.empty() ? "." : folder_)
      .generic_string();
}

void Manifest::Add(Record record) {
  std::string text = Dumped(RecordJson(record));
  added_[record.output] = std::move(record);
  if (appendFailed_) return;  // the whole manifest is still written at the end
  if (appending_ < 0) {
    appending_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    struct stat info {};
    if (appending_ >= 0 && ::fstat(appending_, &info) == 0 && info.st_size == 0) text = Header() + text;
  }
  // One write per record: a kill between two leaves whole lines.
  appendFailed_ =
      appending_ < 0 || ::write(appending_, text.data(), text.size()) != static_cast<ssize_t>(text.size());
}

bool Manifest::Save(std::string& error) {
  if (appending_ >= 0) ::close(appending_);
  appending_ = -1;
  std::map<std::string, Record> records = last_;
  for (auto& [key, record] : added_) records[key] = record;
  std::string text = Header();
  for (const auto& [key, record] : records)
    if (dropped_.count(key) == 0) text += Dumped(RecordJson(record));
  return WriteWholeFile(path_, text, error);
}

}  // namespace brevan
