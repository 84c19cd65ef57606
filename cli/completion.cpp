// brevan completion bash|zsh|fish: a shell's completion script, written
// from the options the command line itself defines, so that no shell's
// list can drift from the tool. The build writes the three and installs
// them.
#include <iostream>
#include <map>
#include <sstream>

#include "cli/commands.h"

namespace brevan::cli {
namespace {

// What an option's value is, for the shells to offer.
enum class Value { None, File, Folder, Words, Codes, Text };

struct Flag {
  std::vector<std::string> names;  // "-o", "--output"
  std::string help;
  Value value = Value::None;
  std::string words;  // for Value::Words, separated by spaces
};

struct Listed {
  std::string name;  // "" for the tool's own options
  std::string help;
  std::vector<Flag> flags;
};

// The values an option takes, by its long name; any other takes text.
Value ValueOf(const std::string& name, std::string& words) {
  static const std::map<std::string, std::pair<Value, const char*>> kValues = {
      {"--output", {Value::File, ""}},
      {"--html", {Value::File, ""}},
      {"--out-dir", {Value::Folder, ""}},
      {"--data-root", {Value::Folder, ""}},
      {"--diagnostics-format", {Value::Words, "text json"}},
      {"--format", {Value::Words, "text csv json"}},
      {"--encoding", {Value::Words, "auto UTF-8 CP1252 ISO-8859-1 UTF-16"}},
      {"--fallback-encoding", {Value::Words, "CP1252 CP1250 ISO-8859-1 ISO-8859-15"}},
      {"--ignore", {Value::Codes, ""}},
  };
  const auto found = kValues.find(name);
  if (found == kValues.end()) return Value::Text;
  words = found->second.second;
  return found->second.first;
}

std::vector<Flag> FlagsOf(const CLI::App& app) {
  std::vector<Flag> flags;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional()) continue;
    Flag flag;
    for (const std::string& name : option->get_snames()) flag.names.push_back("-" + name);
    for (const std::string& name : option->get_lnames()) flag.names.push_back("--" + name);
    if (flag.names.empty()) continue;
    flag.help = option->get_description();
    if (option->get_expected_min() > 0) flag.value = ValueOf(flag.names.back(), flag.words);
    flags.push_back(std::move(flag));
  }
  return flags;
}

std::vector<Listed> ListOf(const CLI::App& app) {
  std::vector<Listed> listed = {{"", app.get_description(), FlagsOf(app)}};
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
    if (!command->get_group().empty())  // hidden commands are not offered
      listed.push_back({command->get_name(), command->get_description(), FlagsOf(*command)});
  return listed;
}

// Single quotes for a shell word; a quote inside is closed, escaped, reopened.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The first sentence of a help text, for shells that show one beside each option.
std::string Short(const std::string& help) {
  size_t end = help.find_first_of("(;");
  if (const size_t stop = help.find(". "); stop < end) end = stop;
  std::string text = help.substr(0, end);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void Bash(const std::vector<Listed>& listed, std::ostream& out) {
  out << "# Completion of brevan's options, commands and files for bash (brevan completion bash).\n"
         "_brevan() {\n  local cur prev words cword\n  _init_completion || return\n\n"
         "  local command= word\n  for word in \"${words[@]:1:cword-1}\"; do\n    case $word in\n";
  for (size_t i = 1; i < listed.size(); ++i)
    out << "      " << listed[i].name << ") command=" << listed[i].name << " ;;\n";
  out << "    esac\n  done\n\n  case $prev in\n";
  std::map<std::string, std::string> cases;  // option -> what it completes
  for (const Listed& command : listed)
    for (const Flag& flag : command.flags) {
      std::string action;
      switch (flag.value) {
        case Value::None:
          continue;
        case Value::File:
          action = "_filedir";
          break;
        case Value::Folder:
          action = "_filedir -d";
          break;
        case Value::Words:
          action = "COMPREPLY=($(compgen -W " + Quoted(flag.words) + " -- \"$cur\"))";
          break;
        case Value::Codes:
          action = "COMPREPLY=($(compgen -W \"$(brevan --list-codes 2>/dev/null | cut -f1)\" -- \"$cur\"))";
          break;
        case Value::Text:
          action = ":";
          break;
      }
      for (const std::string& name : flag.names) cases.emplace(name, action);
    }
  for (const auto& [name, action] : cases)
    out << "    " << name << ")\n      " << action << "\n      return\n      ;;\n";
  out << "  esac\n\n  if [[ $cur == -* ]]; then\n    case $command in\n";
  for (const Listed& command : listed) {
    std::string names;
    for (const Flag& flag : command.flags)
      for (const std::string& name : flag.names) names += (names.empty() ? "" : " ") + name;
    out << "      " << (command.name.empty() ? "''" : command.name) << ") COMPREPLY=($(compgen -W "
        << Quoted(names) << " -- \"$cur\")) ;;\n";
  }
  out << "    esac\n    return\n  fi\n  if [[ -z $command ]]; then\n    COMPREPLY=($(compgen -W '";
  for (size_t i = 1; i < listed.size(); ++i) out << (i > 1 ? " " : "") << listed[i].name;
  out << "' -- \"$cur\"))\n  fi\n  _filedir\n}\ncomplete -F _brevan brevan\n";
}

void Zsh(const std::vector<Listed>& listed, std::ostream& out) {
  out << "#compdef brevan\n# Completion of brevan's options, commands and files for zsh (brevan completion "
         "zsh).\n\n";
  const auto arguments = [&](const Listed& command, const char* indent) {
    for (const Flag& flag : command.flags) {
      std::string action;
      switch (flag.value) {
        case Value::None:
          break;
        case Value::File:
          action = ":file:_files";
          break;
        case Value::Folder:
          action = ":folder:_files -/";
          break;
        case Value::Words:
          action = ":value:(" + flag.words + ")";
          break;
        case Value::Codes:
          action = ":code:(${(f)\"$(brevan --list-codes 2>/dev/null | cut -f1)\"})";
          break;
        case Value::Text:
          action = ":value: ";
          break;
      }
      std::string help;
      for (const char c : Short(flag.help))
        help += c == '[' || c == ']' || c == '\'' ? std::string(" ")
                : c == ':'                        ? std::string("\\:")
                                                  : std::string(1, c);
      const std::string described = "[" + help + "]" + action;
      if (flag.names.size() == 1) {
        out << indent << Quoted(flag.names[0] + described) << " \\\n";
        continue;
      }
      // '(-o --output)'{-o,--output}'[help]:file:_files': either name, once.
      std::string exclusive, either;
      for (const std::string& name : flag.names) {
        exclusive += (exclusive.empty() ? "" : " ") + name;
        either += (either.empty() ? "" : ",") + name;
      }
      out << indent << "'(" << exclusive << ")'{" << either << "}" << Quoted(described) << " \\\n";
    }
  };
  out << "_brevan() {\n  local curcontext=$curcontext state line\n  if (( CURRENT > 2 )) && [[ $words[2] == "
         "(";
  for (size_t i = 1; i < listed.size(); ++i) out << (i > 1 ? "|" : "") << listed[i].name;
  out << ") ]]; then\n    case $words[2] in\n";
  for (size_t i = 1; i < listed.size(); ++i) {
    out << "      " << listed[i].name
        << ")\n        shift words; (( CURRENT-- ))\n        _arguments -s \\\n";
    arguments(listed[i], "          ");
    out << "          '*:workspace:_files'\n        ;;\n";
  }
  out << "    esac\n    return\n  fi\n  _arguments -s \\\n";
  arguments(listed[0], "    ");
  out << "    '1: :->first' \\\n    '*:workspace:_files'\n  if [[ $state == first ]]; then\n"
         "    local -a commands=(";
  for (size_t i = 1; i < listed.size(); ++i)
    out << (i > 1 ? " " : "") << Quoted(listed[i].name + ":" + Short(listed[i].help));
  out << ")\n    _describe -t commands command commands\n    _files\n  fi\n}\n\n_brevan \"$@\"\n";
}

void Fish(const std::vector<Listed>& listed, std::ostream& out) {
  out << "# Completion of brevan's options, commands and files for fish (brevan completion fish).\n";
  std::string commands;
  for (size_t i = 1; i < listed.size(); ++i) commands += (i > 1 ? " " : "") + listed[i].name;
  for (size_t i = 1; i < listed.size(); ++i)
    out << "complete -c brevan -n " << Quoted("not __fish_seen_subcommand_from " + commands) << " -a "
        << listed[i].name << " -d " << Quoted(Short(listed[i].help)) << '\n';
  for (const Listed& command : listed) {
    const std::string condition = command.name.empty() ? "not __fish_seen_subcommand_from " + commands
                                                       : "__fish_seen_subcommand_from " + command.name;
    for (const Flag& flag : command.flags) {
      out << "complete -c brevan -n " << Quoted(condition);
      for (const std::string& name : flag.names)
        out << (name.starts_with("--") ? " -l " + name.substr(2) : " -s " + name.substr(1));
      switch (flag.value) {
        case Value::None:
          break;
        case Value::File:
          out << " -r -F";
          break;
        case Value::Folder:
          out << " -r -a '(__fish_complete_directories)'";
          break;
        case Value::Words:
          out << " -x -a " << Quoted(flag.words);
          break;
        case Value::Codes:
          out << " -x -a '(brevan --list-codes 2>/dev/null | cut -f1)'";
          break;
        case Value::Text:
          out << " -x";
          break;
      }
      out << " -d " << Quoted(Short(flag.help)) << '\n';
    }
  }
}

}  // namespace

Command AddCompletionCommand(CLI::App& app) {
  const auto shell = std::make_shared<std::string>();
  CLI::App* command =
      app.add_subcommand("completion", "Print the completion script of a shell (bash, zsh, fish)");
  command->group("");  // not offered: the package installs the scripts
  command->add_option("shell", *shell, "bash, zsh or fish")
      ->required()
      ->check(CLI::IsMember({"bash", "zsh", "fish"}));
  return {command, [&app, shell] {
            const std::vector<Listed> listed = ListOf(app);
            if (*shell == "bash") Bash(listed, std::cout);
            if (*shell == "zsh") Zsh(listed, std::cout);
            if (*shell == "fish") Fish(listed, std::cout);
            return static_cast<int>(kTranslated);
          }};
}

}  // namespace brevan::cli
