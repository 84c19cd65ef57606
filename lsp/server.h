// brevan lsp: a language server for workspaces, on the public API. The
// server is driven by messages and by time (checks wait until typing
// pauses); RunLanguageServer is the loop over standard input and output.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "lsp/document.h"

namespace brevan::lsp {

using Clock = std::chrono::steady_clock;

class Server {
 public:
  // send: one message to the editor.
  explicit Server(std::function<void(const nlohmann::json&)> send);

  // One message's JSON text, read at now.
  void Receive(std::string_view body, Clock::time_point now);
  // A frame whose header could not be read.
  void FramingError(const std::string& why);
  // Checks the texts whose pause is over; how long until the next is due
  // (none when no check waits).
  std::optional<Clock::duration> RunDueChecks(Clock::time_point now);

  bool Exited() const { return exitCode_.has_value(); }
  // 0 after shutdown then exit, 1 for an exit (or the end of input) without shutdown.
  int ExitCode() const { return exitCode_.value_or(shutdown_ ? 0 : 1); }

 private:
  void Request(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
  void Notification(const std::string& method, const nlohmann::json& params, Clock::time_point now);
  nlohmann::json Initialize(const nlohmann::json& params);
  // The open document a request names, its pending check run first.
  OpenDocument& Named(const nlohmann::json& params);
  void CheckAndPublish(OpenDocument& document, const std::optional<std::string>& savedBytes = std::nullopt);
  // workspace/diagnostic: the diagnostics of every workspace under the
  // folder opened, the open ones as they stand in the editor, the others
  // as saved, up to the settings' limits of files and time.
  nlohmann::json FolderDiagnostics();
  void Reply(const nlohmann::json& id, nlohmann::json result);
  void Fail(const nlohmann::json& id, int code, const std::string& message);

  std::function<void(const nlohmann::json&)> send_;
  ServerSettings settings_;
  Clock::duration pause_ = std::chrono::milliseconds(75);
  bool initialized_ = false;
  bool shutdown_ = false;
  std::optional<int> exitCode_;
  std::map<std::string, OpenDocument> documents_;
  std::map<std::string, Clock::time_point> due_;  // checks waiting for a pause in typing
};

// Serves the protocol on the file descriptors until exit or the end of
// input; the process's exit status.
int RunLanguageServer(int in, int out);

}  // namespace brevan::lsp
