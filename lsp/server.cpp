#include "lsp/server.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>

#include "brevan/batch.h"
#include "lsp/framing.h"

namespace brevan::lsp {

namespace {

using nlohmann::json;

// Error codes of JSON-RPC and of the protocol.
enum ErrorCode {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kRequestFailed = -32803,  // a request the server understood and could not do (a rename refused)
  kInternalError = -32603,
  kServerNotInitialized = -32002,
};

// Parameters a method cannot take (besides those of the wrong JSON type).
struct BadParams : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The file's bytes, or none when it cannot be read.
std::optional<std::string> Slurped(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

Server::Server(std::function<void(const json&)> send) : send_(std::move(send)) {}

void Server::Reply(const json& id, json result) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void Server::Fail(const json& id, int code, const std::string& message) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::FramingError(const std::string& why) { Fail(nullptr, kParseError, why); }

void Server::Receive(std::string_view body, Clock::time_point now) {
  const json message = json::parse(body, nullptr, false, false);
  if (message.is_discarded()) return Fail(nullptr, kParseError, "the message is not valid JSON");
  const bool hasId = message.is_object() && message.contains("id");
  const json id = hasId ? message["id"] : json(nullptr);
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string() ||
      (hasId && !id.is_number_integer() && !id.is_string()))
    return Fail(hasId && (id.is_number_integer() || id.is_string()) ? id : json(nullptr), kInvalidRequest,
                "a request needs a method name and an id that is a number or a string");
  const std::string method = message["method"];
  const json params = message.contains("params") ? message["params"] : json::object();
  try {
    if (hasId)
      Request(id, method, params);
    else
      Notification(method, params, now);
  } catch (const json::exception& failure) {
    if (hasId)
      Fail(id, kInvalidParams, std::string("the parameters do not fit ") + method + ": " + failure.what());
  } catch (const BadParams& failure) {
    if (hasId) Fail(id, kInvalidParams, failure.what());
  } catch (const std::bad_alloc&) {
    if (hasId) Fail(id, kInternalError, "not enough memory to answer " + method);
  }
}

void Server::Request(const json& id, const std::string& method, const json& params) {
  if (shutdown_) return Fail(id, kInvalidRequest, "the server is shut down: only exit is taken");
  if (method == "initialize") {
    if (initialized_) return Fail(id, kInvalidRequest, "the server is already initialized");
    json capabilities = Initialize(params);
    initialized_ = true;
    return Reply(id, std::move(capabilities));
  }
  if (!initialized_) return Fail(id, kServerNotInitialized, "initialize comes first");
  if (method == "shutdown") {
    shutdown_ = true;
    return Reply(id, nullptr);
  }
  if (method == "textDocument/documentSymbol") return Reply(id, Named(params).Symbols(settings_));
  if (method == "textDocument/hover" || method == "textDocument/definition") {
    OpenDocument& document = Named(params);
    const int line = params.at("position").at("line"), character = params.at("position").at("character");
    return Reply(id, method == "textDocument/hover" ? document.Hover(settings_, line, character)
                                                    : document.Definition(settings_, line, character));
  }
  if (method == "workspace/executeCommand") {
    if (params.at("command") != kReadAs) throw BadParams("no command " + params.at("command").dump());
    const json& arguments = params.at("arguments");
    const auto found = documents_.find(arguments.at(0).get<std::string>());
    if (found == documents_.end()) throw BadParams("no open document " + arguments.at(0).dump());
    found->second.SetEncoding(arguments.at(1).get<std::string>());
    CheckAndPublish(found->second, Slurped(found->second.Path()));
    return Reply(id, nullptr);
  }
  if (method == "textDocument/diagnostic") {
    OpenDocument& document = Named(params);
    return Reply(id, {{"kind", "full"}, {"items", document.Diagnostics(settings_)}});
  }
  if (method == "workspace/diagnostic") return Reply(id, FolderDiagnostics());
  if (method == "textDocument/codeAction") {
    OpenDocument& document = Named(params);
    const json& range = params.at("range");
    return Reply(
        id, document.CodeActions(settings_, range.at("start").at("line"), range.at("start").at("character"),
                                 range.at("end").at("line"), range.at("end").at("character")));
  }
  if (method == "textDocument/completion") {
    OpenDocument& document = Named(params);
    const int line = params.at("position").at("line"), character = params.at("position").at("character");
    return Reply(id, document.Completion(settings_, line, character));
  }
  if (method == "textDocument/prepareRename" || method == "textDocument/rename") {
    OpenDocument& document = Named(params);
    const int line = params.at("position").at("line"), character = params.at("position").at("character");
    if (method == "textDocument/prepareRename")
      return Reply(id, document.PrepareRename(settings_, line, character));
    try {
      return Reply(id, document.Rename(settings_, line, character, params.at("newName").get<std::string>()));
    } catch (const std::invalid_argument& refused) {
      return Fail(id, kRequestFailed, refused.what());
    }
  }
  Fail(id, kMethodNotFound, "no method " + method);
}

void Server::Notification(const std::string& method, const json& params, Clock::time_point now) {
  if (method == "exit") {
    exitCode_ = shutdown_ ? 0 : 1;
    return;
  }
  if (!initialized_ || shutdown_) return;
  if (method == "textDocument/didOpen") {
    const json& item = params.at("textDocument");
    const std::string uri = item.at("uri");
    documents_.erase(uri);
    OpenDocument& document =
        documents_.try_emplace(uri, uri, item.at("text").get<std::string>()).first->second;
    due_.erase(uri);
    return CheckAndPublish(document);
  }
  if (method == "textDocument/didChange") {
    const std::string uri = params.at("textDocument").at("uri");
    const auto found = documents_.find(uri);
    const json& changes = params.at("contentChanges");
    if (found == documents_.end() || changes.empty()) return;
    // Whole texts only, as the server asked; the last one counts.
    found->second.SetText(changes.back().at("text").get<std::string>());
    due_[uri] = now + pause_;
    return;
  }
  if (method == "textDocument/didSave") {
    const auto found = documents_.find(params.at("textDocument").at("uri").get<std::string>());
    if (found == documents_.end()) return;
    due_.erase(found->first);
    if (params.contains("text")) found->second.SetText(params["text"].get<std::string>());
    // The file as saved, read as the tool would read it.
    return CheckAndPublish(found->second,
                           params.contains("text") ? std::nullopt : Slurped(found->second.Path()));
  }
  if (method == "textDocument/didClose") {
    const std::string uri = params.at("textDocument").at("uri");
    documents_.erase(uri);
    due_.erase(uri);
    send_({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
  }
  // Any other notification ($/cancelRequest, initialized, …) needs nothing.
}

json Server::Initialize(const json& params) {
  const json options = params.value("initializationOptions", json::object());
  if (options.is_object()) {
    settings_.passedOver = options.value("passedOver", false);
    if (options.contains("formatVersion")) {
      settings_.formatVersion = FormatVersion::FromNumber(options["formatVersion"].get<long>());
      if (!settings_.formatVersion) throw BadParams("formatVersion is from 0 to 32767");
    }
    settings_.encoding = options.value("encoding", std::string());
    settings_.dataRoots = options.value("dataRoots", std::vector<std::string>());
    settings_.folderFiles = options.value("folderFiles", settings_.folderFiles);
    settings_.folderSeconds = options.value("folderSeconds", settings_.folderSeconds);
    if (options.contains("debounceMs"))
      pause_ = std::chrono::milliseconds(options["debounceMs"].get<unsigned>());
  }
  // The folder opened: the first workspace folder, else the root.
  const json folders = params.value("workspaceFolders", json());
  if (folders.is_array() && !folders.empty() && folders[0].is_object())
    settings_.root = PathOfUri(folders[0].value("uri", std::string()));
  else if (params.contains("rootUri") && params["rootUri"].is_string())
    settings_.root = PathOfUri(params["rootUri"].get<std::string>());
  const json offered = params.value("capabilities", json::object())
                           .value("general", json::object())
                           .value("positionEncodings", json::array());
  for (const json& encoding : offered)
    if (encoding == "utf-8") settings_.positions = PositionEncoding::Utf8;
  return {{"capabilities",
           {{"positionEncoding", settings_.positions == PositionEncoding::Utf8 ? "utf-8" : "utf-16"},
            {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
            {"documentSymbolProvider", true},
            {"hoverProvider", true},
            {"definitionProvider", true},
            {"renameProvider", {{"prepareProvider", true}}},
            {"completionProvider", {{"triggerCharacters", {" ", ","}}}},
            {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
            {"diagnosticProvider", {{"interFileDependencies", false}, {"workspaceDiagnostics", true}}},
            {"executeCommandProvider", {{"commands", {kReadAs}}}}}},
          {"serverInfo", {{"name", "brevan"}, {"version", Version()}}}};
}

json Server::FolderDiagnostics() {
  json items = json::array();
  if (settings_.root.empty()) return {{"items", items}};
  std::vector<std::string> problems;
  const std::vector<FoundWorkspace> found = FindWorkspaces({settings_.root}, true, "", problems);
  // Open documents by their files: an editor spells URIs its own way.
  std::map<std::string, OpenDocument*> open;
  for (auto& [uri, document] : documents_)
    if (!document.Path().empty())
      open[std::filesystem::path(document.Path()).lexically_normal().string()] = &document;
  const Clock::time_point start = Clock::now();
  const auto budget = std::chrono::duration<double>(settings_.folderSeconds);
  for (const FoundWorkspace& workspace : found) {
    if (items.size() >= settings_.folderFiles || Clock::now() - start > budget) break;
    std::error_code error;
    const std::string path = std::filesystem::absolute(workspace.path, error).lexically_normal().string();
    json report = {{"uri", UriOfPath(path)}, {"version", nullptr}, {"kind", "full"}};
    if (const auto edited = open.find(path); edited != open.end()) {
      if (due_.erase(edited->second->Uri())) CheckAndPublish(*edited->second);
      report["uri"] = edited->second->Uri();
      report["items"] = edited->second->Diagnostics(settings_);
    } else {
      const std::optional<std::string> bytes = Slurped(workspace.path);
      if (!bytes) continue;
      OpenDocument saved(report["uri"].get<std::string>(), *bytes);
      saved.Check(settings_, bytes);
      report["items"] = saved.Diagnostics(settings_);
    }
    items.push_back(std::move(report));
  }
  return {{"items", items}};
}

OpenDocument& Server::Named(const json& params) {
  const std::string uri = params.at("textDocument").at("uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) throw BadParams("no open document " + uri);
  if (due_.erase(uri)) CheckAndPublish(found->second);
  return found->second;
}

void Server::CheckAndPublish(OpenDocument& document, const std::optional<std::string>& savedBytes) {
  document.Check(settings_, savedBytes);
  send_({{"jsonrpc", "2.0"},
         {"method", "textDocument/publishDiagnostics"},
         {"params", {{"uri", document.Uri()}, {"diagnostics", document.Diagnostics(settings_)}}}});
}

std::optional<Clock::duration> Server::RunDueChecks(Clock::time_point now) {
  for (auto it = due_.begin(); it != due_.end();) {
    if (it->second > now) {
      ++it;
      continue;
    }
    OpenDocument& document = documents_.at(it->first);
    it = due_.erase(it);
    CheckAndPublish(document);
  }
  std::optional<Clock::duration> wait;
  for (const auto& [uri, when] : due_) wait = std::min(wait.value_or(when - now), when - now);
  return wait;
}

int RunLanguageServer(int in, int out) {
  // A closed editor must end the server by its writes failing, not by a signal.
  ::signal(SIGPIPE, SIG_IGN);
  bool writable = true;
  const auto write = [&](const json& message) {
    if (!writable) return;
    const std::string frame = Framed(message.dump(-1, ' ', false, json::error_handler_t::replace));
    for (size_t done = 0; done < frame.size();) {
      const ssize_t wrote = ::write(out, frame.data() + done, frame.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        writable = false;
        return;
      }
      done += static_cast<size_t>(wrote);
    }
  };
  Server server(write);
  FrameReader frames;
  std::string chunk(size_t{64} << 10, '\0');
  while (!server.Exited() && writable) {
    const std::optional<Clock::duration> wait = server.RunDueChecks(Clock::now());
    pollfd input{in, POLLIN, 0};
    const int timeout =
        wait ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*wait).count()) : -1;
    const int ready = ::poll(&input, 1, timeout);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    const ssize_t got = ::read(in, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the editor has gone: end as an exit would
    frames.Feed(std::string_view(chunk.data(), static_cast<size_t>(got)));
    while (!server.Exited()) {
      const std::optional<FrameReader::Frame> frame = frames.Next();
      if (!frame) break;
      if (frame->error.empty())
        server.Receive(frame->body, Clock::now());
      else
        server.FramingError(frame->error);
    }
  }
  return server.ExitCode();
}

}  // namespace brevan::lsp
