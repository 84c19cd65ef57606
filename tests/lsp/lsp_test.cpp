// brevan lsp as an editor drives it: frames over pipes to the real tool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "lsp/framing.h"

extern char** environ;

namespace brevan::lsp {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

TEST(FrameReaderTest, CutsMessagesOutOfAnyPieces) {
  const struct {
    std::vector<std::string> pieces;  // fed one after the other
    std::vector<std::string> frames;  // bodies, or "!" + the start of an error
  } cases[] = {
      {{"Content-Length: 2\r\n\r\n{}"}, {"{}"}},
      {{"Content-Le", "ngth: 3\r\n", "\r\n[1", "]Content-Length: 1\r\n\r\n5"}, {"[1]", "5"}},
      {{"content-length:2\r\nContent-Type: x\r\n\r\n{}"}, {"{}"}},  // any case, other headers
      {{"\r\n\r\nContent-Length: 2\n\n{}"}, {"{}"}},                // blank lines before, bare newlines
      {{"Content-Type: x\r\n\r\nContent-Length: 1\r\n\r\n7"}, {"!a header block without", "7"}},
      {{"Content-Length: -4\r\n\r\n"}, {"!a header block without"}},
      {{"Content-Length: 99999999999\r\n\r\n", std::string(1000, 'x')}, {"!a message longer"}},
      {{"Content-Length: 5\r\n\r\nab"}, {}},  // waits for the rest
  };
  for (const auto& c : cases) {
    FrameReader reader;
    std::vector<std::string> frames;
    for (const std::string& piece : c.pieces) {
      reader.Feed(piece);
      while (const auto frame = reader.Next())
        frames.push_back(frame->error.empty() ? frame->body : "!" + frame->error);
    }
    ASSERT_EQ(frames.size(), c.frames.size()) << c.pieces[0];
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i].rfind(c.frames[i], 0), 0u) << frames[i];
  }
}

// The tool serving the protocol, with pipes to and from it.
class Server {
 public:
  Server() {
    int in[2], out[2];
    EXPECT_EQ(::pipe(in), 0);
    EXPECT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    for (const int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    const std::string tool = std::string(BREVAN_BINARY_DIR) + "/brevan";
    char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>("lsp"), nullptr};
    EXPECT_EQ(posix_spawn(&pid_, tool.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = out[0];
    ::signal(SIGPIPE, SIG_IGN);
  }
  ~Server() {
    if (to_ >= 0) ::close(to_);
    ::close(from_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void Write(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t wrote = ::write(to_, bytes.data() + done, bytes.size() - done);
      ASSERT_GT(wrote, 0);
      done += static_cast<size_t>(wrote);
    }
  }
  void Send(const json& message) {
    Write(Framed(message.dump(-1, ' ', false, json::error_handler_t::replace)));
  }
  void Request(int id, const std::string& method, const json& params = json::object()) {
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  }
  void Notify(const std::string& method, const json& params = json::object()) {
    Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }

  // The next message; null when none comes in time.
  json Next() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
      if (const auto frame = frames_.Next())
        return frame->error.empty() ? json::parse(frame->body) : json(frame->error);
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{from_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return nullptr;
      char chunk[65536];
      const ssize_t got = ::read(from_, chunk, sizeof chunk);
      if (got <= 0) return nullptr;
      frames_.Feed(std::string_view(chunk, static_cast<size_t>(got)));
    }
  }
  // The answer to request id, passing over notifications.
  json Answer(int id) {
    for (json message = Next(); !message.is_null(); message = Next())
      if (message.contains("id") && message["id"] == id) return message;
    return nullptr;
  }
  // The next diagnostics published for uri.
  json Diagnostics(const std::string& uri) {
    for (json message = Next(); !message.is_null(); message = Next())
      if (message.value("method", "") == "textDocument/publishDiagnostics" && message["params"]["uri"] == uri)
        return message["params"]["diagnostics"];
    return nullptr;
  }
  void Initialize(const json& options = json::object(), const json& encodings = json::array()) {
    Request(1, "initialize",
            {{"capabilities", {{"general", {{"positionEncodings", encodings}}}}},
             {"initializationOptions", options}});
    ASSERT_TRUE(Answer(1).contains("result"));
    Notify("initialized");
  }
  void Open(const std::string& uri, const std::string& text) {
    Notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "bws"}, {"version", 1}, {"text", text}}}});
  }
  // Closes the server's input; its exit status.
  int Finish() {
    ::close(to_);
    to_ = -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
  FrameReader frames_;
};

json At(int line, int character) { return {{"line", line}, {"character", character}}; }
json Range(int line, int start, int end) { return {{"start", At(line, start)}, {"end", At(line, end)}}; }
json Where(const std::string& uri, int line, int character) {
  return {{"textDocument", {{"uri", uri}}}, {"position", At(line, character)}};
}

constexpr const char* kUri = "file:///tmp/brevan-lsp-test/ws.bws";
const std::string kWorkspace =
    "Open Table \"data/roads.tbl\" As Roads\n"  // 0
    "Map From Roads, Roads\n"                   // 1
    "Set Map Zoom 5 Units \"km\" Clip Auto\n"   // 2: a remark
    "Theme 1 With Pop Ranges 0 : 1 Else\n"      // 3
    "Set Map Layer 4 Nodes\n"                   // 4: error 26, with a note
    "Browse * From Roads\n";                    // 5: passed over

std::string Fixed() {
  std::string text = kWorkspace;
  text.replace(text.find("Layer 4"), 7, "Layer 2");
  return text;
}

TEST(LanguageServerTest, ChecksAsYouTypeAndAnswersTheOutlineHoverAndDefinitions) {
  Server server;
  server.Initialize({{"passedOver", true}, {"debounceMs", 10}});
  server.Open(kUri, kWorkspace);
  const json diagnostics = server.Diagnostics(kUri);
  ASSERT_EQ(diagnostics.size(), 3u) << diagnostics.dump(1);
  EXPECT_EQ(diagnostics[0]["severity"], 3);  // the remark: Information
  EXPECT_EQ(diagnostics[0]["range"]["start"]["line"], 2);
  EXPECT_EQ(diagnostics[1]["severity"], 1);
  EXPECT_EQ(diagnostics[1]["code"], 26);
  EXPECT_EQ(diagnostics[1]["range"], Range(4, 14, 15));
  EXPECT_EQ(diagnostics[1]["message"], "XML node cannot be found: \"Layer\"");
  EXPECT_EQ(diagnostics[1]["relatedInformation"][0]["message"],
            "layer 4 was asked for, and the layers are numbered 1 to 3");
  EXPECT_EQ(diagnostics[2]["severity"], 4);  // passed over: a Hint
  EXPECT_EQ(diagnostics[2]["range"], Range(5, 0, 6));

  // A change is checked once typing pauses; the fixed text has no error.
  server.Notify("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                           {"contentChanges", {{{"text", Fixed()}}}}});
  const json fixed = server.Diagnostics(kUri);
  ASSERT_FALSE(fixed.is_null());
  for (const json& d : fixed) EXPECT_NE(d["severity"], 1) << d.dump();

  server.Request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", kUri}}}});
  const json symbols = server.Answer(2)["result"];
  ASSERT_GE(symbols.size(), 3u) << symbols.dump(1);
  EXPECT_EQ(symbols[0]["name"], "Roads");
  EXPECT_EQ(symbols[0]["detail"], "data/roads.tbl");
  EXPECT_EQ(symbols[1]["name"], "Map window 1");
  EXPECT_EQ(symbols[1]["children"][1]["name"], "Roads_2");
  EXPECT_EQ(symbols[1]["children"][0]["children"][0]["name"], "Range theme");
  EXPECT_EQ(symbols[1]["children"][0]["children"][0]["detail"], "Pop");

  const struct {
    int line, character;
    const char* expected;  // within the hover's text; empty: no hover
  } hovers[] = {
      {0, 1, "<Table file=\"data/roads.tbl\" alias=\"Roads\" />"},  // a statement's first word: its XML
      {3, 2, "<RangeTheme"},
      {3, 6, "Layer **Roads**"},  // a layer number: the layer and its table's file
      {0, 33, "not found (looked for `/tmp/brevan-lsp-test/data/roads.tbl`)"},
      {1, 18, "a copy of table **Roads**"},
      {5, 2, ""},  // passed over: nothing
  };
  int id = 10;
  for (const auto& h : hovers) {
    server.Request(++id, "textDocument/hover", Where(kUri, h.line, h.character));
    const json hover = server.Answer(id)["result"];
    if (*h.expected == '\0') {
      EXPECT_TRUE(hover.is_null()) << hover.dump();
      continue;
    }
    ASSERT_FALSE(hover.is_null()) << h.line << ":" << h.character;
    EXPECT_NE(hover["contents"]["value"].get<std::string>().find(h.expected), std::string::npos)
        << hover["contents"]["value"];
  }

  const struct {
    int line, character;
    json range;  // where the definition is; null: none
  } definitions[] = {
      {3, 6, Range(1, 9, 14)},    // layer 1 → the table name that made it
      {1, 17, Range(0, 31, 36)},  // the copy Roads_2 → the open-table statement of Roads
      {1, 10, Range(0, 31, 36)},
      {2, 3, nullptr},
  };
  for (const auto& d : definitions) {
    server.Request(++id, "textDocument/definition", Where(kUri, d.line, d.character));
    const json location = server.Answer(id)["result"];
    EXPECT_EQ(location.is_null() ? json(nullptr) : location["range"], d.range)
        << d.line << ":" << d.character;
  }

  server.Request(++id, "shutdown");
  EXPECT_TRUE(server.Answer(id)["result"].is_null());
  server.Request(++id, "textDocument/documentSymbol", {{"textDocument", {{"uri", kUri}}}});
  EXPECT_EQ(server.Answer(id)["error"]["code"], -32600);  // after shutdown
  server.Notify("exit");
  EXPECT_EQ(server.Finish(), 0);
}

// A table alias is renamed wherever the text names it: its open-table
// statement and the map window's table names (a copy's too); a layer
// number is no alias, and a name that cannot be an alias or is taken is
// refused.
TEST(LanguageServerTest, RenamesATableAliasWhereverItIsNamed) {
  Server server;
  server.Initialize({{"debounceMs", 10}});
  server.Open(
      kUri,
      "Open Table \"roads.tbl\" As Roads\nOpen Table \"rivers.tbl\" As Rivers\nMap From Roads, Rivers, "
      "Roads\nSet Map Layer 2 Display Off\n");
  server.Request(1, "textDocument/prepareRename", Where(kUri, 2, 10));
  EXPECT_EQ(server.Answer(1)["result"], (json{{"range", Range(2, 9, 14)}, {"placeholder", "Roads"}}));
  json rename = Where(kUri, 0, 27);
  rename["newName"] = "Streets";
  server.Request(2, "textDocument/rename", rename);
  const json edits = server.Answer(2)["result"]["changes"][kUri];
  std::vector<json> ranges;
  for (const json& edit : edits) {
    EXPECT_EQ(edit["newText"], "Streets");
    ranges.push_back(edit["range"]);
  }
  EXPECT_EQ(ranges, (std::vector<json>{Range(0, 26, 31), Range(2, 9, 14), Range(2, 24, 29)}));
  server.Request(3, "textDocument/prepareRename", Where(kUri, 3, 14));  // "Layer 2": a number
  EXPECT_TRUE(server.Answer(3)["result"].is_null());
  for (const char* refused : {"Rivers", "2roads", "a b"}) {
    rename["newName"] = refused;
    server.Request(4, "textDocument/rename", rename);
    EXPECT_EQ(server.Answer(4)["error"]["code"], -32803) << refused;
  }
}

// Completion offers what may stand at the cursor: a statement at a line's
// start, an alias after "Map From", a layer number (with its layer and
// table) after "Layer" or "Theme".
TEST(LanguageServerTest, CompletesStatementsAliasesAndLayerNumbers) {
  Server server;
  server.Initialize({{"debounceMs", 10}});
  const std::string text =
      "Open Table \"roads.tbl\" As Roads\nOpen Table \"rivers.tbl\" As Rivers\nMap From Roads\n"
      "Set Map Layer \nTh\nSet Map Zoom \nMap From Roads, \nOpen Table \"x\" \nTheme 1 \nTheme 1 With Pop \n";
  server.Open(kUri, text);
  const struct {
    int line, character;
    std::vector<std::string> labels;
    std::string detail;  // of the first item; empty: not checked
  } cases[] = {
      {4, 2, {"Open Table", "Map From", "Set Map", "Set Legend", "Theme"}, ""},
      {2, 9, {"Roads", "Rivers"}, "roads.tbl"},
      {6, 16, {"Roads", "Rivers"}, ""},
      {3, 14, {"1"}, "Roads (roads.tbl)"},
      {5, 13, {}, ""},  // a zoom's value: nothing to offer
      {7, 15, {"As", "Locked", "Hidden", "Quiet", "Interactive", "Fast", "Codepage", "Password"}, ""},
      {8, 8, {"With"}, ""},
      {9, 17, {"Missing", "Ranges", "Values", "Bars", "Pie", "Graduated", "Single"}, ""},
  };
  // Every clause offered is a keyword the tool reads.
  const std::string keywords = [] {
    std::string listed;
    FILE* pipe = ::popen((std::string(BREVAN_BINARY_DIR) + "/brevan --list-keywords").c_str(), "r");
    for (char chunk[4096]; pipe && std::fgets(chunk, sizeof chunk, pipe);) listed += chunk;
    if (pipe) ::pclose(pipe);
    return listed;
  }();
  int id = 0;
  for (const auto& c : cases) {
    for (const std::string& label : c.labels) {
      const bool keyword = label.find(' ') == std::string::npos && label != "Roads" && label != "Rivers" &&
                           std::isalpha(static_cast<unsigned char>(label[0]));
      if (keyword) {
        EXPECT_NE(keywords.find("\t" + label + "\n"), std::string::npos) << label;
      }
    }
    server.Request(++id, "textDocument/completion", Where(kUri, c.line, c.character));
    const json items = server.Answer(id)["result"];
    std::vector<std::string> labels;
    for (const json& item : items) labels.push_back(item["label"]);
    EXPECT_EQ(labels, c.labels) << c.line << ":" << c.character;
    if (!c.detail.empty() && !items.empty()) {
      EXPECT_EQ(items[0]["detail"], c.detail);
    }
  }
}

// Quick fixes: a table file not found is replaced by the file that may be
// meant (another extension) or the one found in other letter case, written
// relative to the workspace; a layer number past the layers by the last;
// a layer named amiss by the nearest name.
TEST(LanguageServerTest, QuickFixesForFilesAndLayerNumbers) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "brevan-lsp-fixes";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "data");
  std::ofstream(folder / "data" / "roads.tab") << "t";
  std::ofstream(folder / "data" / "Rivers.tbl") << "t";
  const std::string uri = "file://" + (folder / "ws.bws").string();
  Server server;
  server.Initialize({{"debounceMs", 10}});
  server.Open(uri,
              "Open Table \"data/roads.tbl\" As Roads\nOpen Table \"data/rivers.tbl\" As Rivers\n"
              "Map From Roads, Rivers\nSet Map Layer 7 Display Off\nSet Map Layer \"Rivres\" Display Off\n");
  const struct {
    int line, start, end;
    std::string title;
    json range;  // of the edit
    std::string newText;
  } fixes[] = {
      {0, 15, 15, "Replace with \"data/roads.tab\"", Range(0, 12, 26), "data/roads.tab"},
      {1, 12, 20, "Replace with \"data/Rivers.tbl\"", Range(1, 12, 27), "data/Rivers.tbl"},
      {3, 14, 15, "Replace with layer 2 (Rivers)", Range(3, 14, 15), "2"},
      {4, 16, 16, "Replace with layer Rivers", Range(4, 15, 21), "Rivers"},
  };
  int id = 0;
  for (const auto& f : fixes) {
    json params = {{"textDocument", {{"uri", uri}}},
                   {"range", Range(f.line, f.start, f.end)},
                   {"context", {{"diagnostics", json::array()}}}};
    server.Request(++id, "textDocument/codeAction", params);
    const json actions = server.Answer(id)["result"];
    ASSERT_EQ(actions.size(), 1u) << f.title << actions.dump(1);
    EXPECT_EQ(actions[0]["title"], f.title);
    EXPECT_EQ(actions[0]["kind"], "quickfix");
    const json edit = actions[0]["edit"]["changes"][uri][0];
    EXPECT_EQ(edit["range"], f.range) << f.title;
    EXPECT_EQ(edit["newText"], f.newText);
  }
  std::filesystem::remove_all(folder);
}

// Diagnostics of the whole folder opened, pulled: open workspaces as the
// editor holds them, the others as saved, within the files asked for.
TEST(LanguageServerTest, DiagnosticsOfEveryWorkspaceInTheFolder) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "brevan lsp folder";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "sub");
  std::ofstream(folder / "a.bws") << "Map From t\nSet Map Zoom x\n";
  std::ofstream(folder / "sub" / "b.bws") << "Map From t\nSet Map Display Off Zoom 5\n";
  std::ofstream(folder / "notes.txt") << "not a workspace";
  const auto pulled = [&](json options, bool openA) {
    Server server;
    server.Request(1, "initialize",
                   {{"rootUri", "file://" + folder.string()},
                    {"initializationOptions", options},
                    {"capabilities", json::object()}});
    server.Answer(1);
    server.Notify("initialized", json::object());
    if (openA) server.Open("file://" + folder.string() + "/a.bws", "Map From t\n");
    server.Request(2, "workspace/diagnostic", {{"previousResultIds", json::array()}});
    std::map<std::string, size_t> found;  // file name → diagnostics
    const json answer = server.Answer(2);
    for (const json& report : answer["result"]["items"])
      found[std::filesystem::path(report["uri"].get<std::string>()).filename().string()] =
          report["items"].size();
    return found;
  };
  EXPECT_EQ(pulled(json::object(), false), (std::map<std::string, size_t>{{"a.bws", 1}, {"b.bws", 1}}));
  EXPECT_EQ(pulled(json::object(), true), (std::map<std::string, size_t>{{"a.bws", 0}, {"b.bws", 1}}));
  EXPECT_EQ(pulled({{"folderFiles", 1}}, false).size(), 1u);
  std::filesystem::remove_all(folder);
}

// A saved file that the encoding named misreads: a quick fix's command
// reads it again as meant, and its warning goes.
TEST(LanguageServerTest, ReadsASavedFileAgainInTheEncodingMeant) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "brevan-lsp-utf8.bws";
  std::ofstream(file) << "Open Table \"D\xC3\xA9partementale.tbl\"\n";
  const std::string uri = "file://" + file.string();
  Server server;
  server.Initialize({{"encoding", "CP1252"}, {"debounceMs", 10}});
  server.Open(uri, "Open Table \"D\xC3\xA9partementale.tbl\"\n");
  server.Diagnostics(uri);
  server.Notify("textDocument/didSave", {{"textDocument", {{"uri", uri}}}});
  const json misread = server.Diagnostics(uri);
  ASSERT_EQ(misread.size(), 1u) << misread.dump();
  EXPECT_EQ(misread[0]["code"], "reads-as-utf8");
  server.Request(2, "textDocument/codeAction",
                 {{"textDocument", {{"uri", uri}}},
                  {"range", misread[0]["range"]},
                  {"context", {{"diagnostics", misread}}}});
  const json actions = server.Answer(2)["result"];
  ASSERT_EQ(actions.size(), 1u) << actions.dump();
  EXPECT_EQ(actions[0]["title"], "Read the saved file as UTF-8");
  server.Request(3, "workspace/executeCommand", actions[0]["command"]);
  EXPECT_EQ(server.Diagnostics(uri), json::array());
  EXPECT_TRUE(server.Answer(3)["result"].is_null());
  std::filesystem::remove(file);
}

// Columns count UTF-16 code units unless the editor offers UTF-8 bytes.
TEST(LanguageServerTest, ColumnsInTheEncodingAgreed) {
  const std::string text =
      "Open Table \"\xC3\xA9\xF0\x9F\x98\x80\" As 5\n";  // é and an emoji before the culprit
  for (const auto& [encodings, column] :
       {std::pair{json::array(), 20}, {json::array({"utf-16", "utf-8"}), 23}}) {
    Server server;
    server.Initialize({}, encodings);
    server.Open(kUri, text);
    const json diagnostics = server.Diagnostics(kUri);
    ASSERT_EQ(diagnostics.size(), 1u) << diagnostics.dump();
    EXPECT_EQ(diagnostics[0]["range"]["start"]["character"], column) << encodings;
  }
}

// What an editor or a broken client may send: each gets the protocol's answer.
TEST(LanguageServerTest, BadMessagesGetTheProtocolsAnswers) {
  Server server;
  server.Request(1, "textDocument/hover", Where(kUri, 0, 0));
  EXPECT_EQ(server.Answer(1)["error"]["code"], -32002);  // before initialize
  server.Initialize();
  const struct {
    std::string bytes;
    int code;
  } cases[] = {
      {Framed("{not json"), -32700},
      {"Content-Type: x\r\n\r\n", -32700},
      {Framed(R"({"jsonrpc":"2.0","id":7,"params":{}})"), -32600},            // no method
      {Framed(R"({"jsonrpc":"2.0","id":[1],"method":"shutdown"})"), -32600},  // an id that is neither
      {Framed(R"({"jsonrpc":"2.0","id":8,"method":"workspace/nothing"})"), -32601},
      {Framed(R"({"jsonrpc":"2.0","id":9,"method":"textDocument/hover","params":{"textDocument":{}}})"),
       -32602},
      {Framed(
           R"({"jsonrpc":"2.0","id":10,"method":"textDocument/documentSymbol","params":{"textDocument":{"uri":"file:///nowhere"}}})"),
       -32602},
      {Framed(R"({"jsonrpc":"2.0","id":11,"method":"initialize","params":{}})"), -32600},  // twice
  };
  for (const auto& c : cases) {
    server.Write(c.bytes);
    const json answer = server.Next();
    EXPECT_EQ(answer["error"]["code"], c.code) << c.bytes << " → " << answer.dump();
  }
  // Unknown notifications are let pass; the server still answers.
  server.Notify("$/somethingNew", {{"x", 1}});
  server.Request(20, "shutdown");
  EXPECT_FALSE(server.Answer(20).is_null());
  EXPECT_EQ(server.Finish(), 0);  // the end of input after shutdown
}

TEST(LanguageServerTest, ExitWithoutShutdownAndTheEndOfInputEndWithOne) {
  Server exiting;
  exiting.Initialize();
  exiting.Notify("exit");
  EXPECT_EQ(exiting.Finish(), 1);
  Server ending;
  ending.Initialize();
  EXPECT_EQ(ending.Finish(), 1);
}

// Every input the fuzzers keep (or, before a fuzz run, the examples and the
// case files' texts) opens without the server failing, and it still answers.
TEST(LanguageServerTest, TheFuzzCorpusOpensWithoutHarm) {
  std::vector<fs::path> inputs;
  for (const char* folder : {"build-asan/corpus/workspace_fuzzer", "examples", "tests/cases"}) {
    const fs::path path = fs::path(BREVAN_SOURCE_DIR) / folder;
    if (!fs::is_directory(path)) continue;
    for (const auto& entry : fs::directory_iterator(path))
      if (entry.is_regular_file() && inputs.size() < 400) inputs.push_back(entry.path());
  }
  ASSERT_GT(inputs.size(), 10u);
  Server server;
  server.Initialize({{"passedOver", true}});
  int id = 100;
  for (const fs::path& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string uri = "file://" + input.string();
    server.Open(uri, bytes);  // invalid UTF-8 goes as U+FFFD, as an editor sends it
    ASSERT_FALSE(server.Diagnostics(uri).is_null()) << input;
    server.Request(++id, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    ASSERT_TRUE(server.Answer(id).contains("result")) << input;
    for (const auto& [line, character] : {std::pair{0, 0}, {1, 5}, {3, 20}}) {
      server.Request(++id, "textDocument/hover", Where(uri, line, character));
      ASSERT_TRUE(server.Answer(id).contains("result")) << input;
      server.Request(++id, "textDocument/definition", Where(uri, line, character));
      ASSERT_TRUE(server.Answer(id).contains("result")) << input;
    }
    server.Notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
  }
  server.Request(++id, "shutdown");
  server.Notify("exit");
  EXPECT_EQ(server.Finish(), 0);
}

}  // namespace
}  // namespace brevan::lsp
