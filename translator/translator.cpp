#include "translator/translator.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "host/lexer.h"
#include "host/table_data.h"
#include "host/text.h"
#include "host/utility.h"

namespace brevan {

namespace {

// The module identifier under which the translator's errors are listed.
constexpr Veltra::GUID kModuleId = {
    0x6b72e0a4, 0x3c1d, 0x4f7e, {0x9a, 0x51, 0x2e, 0x80, 0x47, 0xb3, 0xd6, 0x19}};

constexpr int kErrorLevel = Veltra::ERR_ERROR;

}  // namespace

void ReportError(int level, int number, const std::wstring& argument1, const std::wstring& argument2) {
  if (Veltra::HaveErrors()) return;
  Veltra::SetError(static_cast<Veltra::eErrorLevel>(level), number, nullptr, kModuleId, number,
                   argument1.c_str(), argument2.c_str());
}

BrevanTranslator::BrevanTranslator(CommandProcessor* cmd, short version, QdXmlDocument* doc)
    : cmd(cmd), tags(nullptr), doc(doc), version(FormatVersion(version)) {
  tags = GetWorkspaceTags();
  if (tags == nullptr) throw std::bad_alloc();
}

BrevanTranslator::~BrevanTranslator() {
  layerNames.clear();
  tables.reset();
  mapWindows.reset();
  root.reset();
}

// statement := Theme … | Open … | Set Map … | Set Legend … | Map … | anything else (skipped)
void BrevanTranslator::DispatchStatement() {
  if (!root) {
    root.reset(doc->GetRootElement(Name(Tag::Workspace), L" /"));
    if (!root) throw std::bad_alloc();
  }
  statementStart = cmd->Position();
  // The keyword table says which words start a translated statement; the
  // skipping reader asks it too, so both agree on where statements begin.
  const auto skip = [this] {
    cmd->SkipStatement();
    if (!IsStatementKeyword(cmd->TokenId())) NextToken();
  };
  if (!IsStatementKeyword(cmd->TokenId())) return skip();
  switch (TokenId()) {
    case Keyword::Theme:
      cmd->BeginStatement(TranslatedStatement::Thematic, statementStart);
      TranslateThematic();
      break;
    case Keyword::Open:
      cmd->BeginStatement(TranslatedStatement::OpenTable, statementStart);
      TranslateOpenTable();
      break;
    case Keyword::Set:
      NextToken();
      if (IsToken(Keyword::Map)) {
        cmd->BeginStatement(TranslatedStatement::SetMap, statementStart);
        TranslateSetMap();
      } else if (IsToken(Keyword::Legend)) {
        cmd->BeginStatement(TranslatedStatement::LegendSettings, statementStart);
        TranslateLegendSettings();
      } else {
        return;
      }
      break;
    case Keyword::Map:
      cmd->BeginStatement(TranslatedStatement::MapWindow, statementStart);
      TranslateMapWindow();
      break;
    default:
      return skip();  // marked in the table but translated by nothing yet
  }
  // Its first two words name it: Open Table, Map From, Set Map, Set Legend, Theme 1.
  MarkAt(MarkKind::Statement, StatementSoFar(), Written({statementStart, statementStart + 1}));
  // A statement that stops before its line ends leaves the rest to the next
  // dispatch, which skips it: say so.
  if (cmd->HasMore() && !IsStatementKeyword(cmd->TokenId()) && !AtStatementLine())
    Warn(Warning::StatementCutShort, cmd->TokenText());
}

bool BrevanTranslator::AtStatementLine() { return cmd->TokenStartsStatementLine(); }

void BrevanTranslator::WarnAt(TokenSpan at, Warning warning, const std::wstring& argument) {
  cmd->Warn(static_cast<short>(warning),
            FilledText(kWarningEntries, kWarningCount, static_cast<short>(warning), Printable(argument), L""),
            at.first, at.last);
}

void BrevanTranslator::Unwritten(Remark remark, TokenSpan at, const std::wstring& fact0,
                                 const std::wstring& fact1) {
  cmd->Remark(static_cast<short>(remark),
              FilledText(kRemarkEntries, kRemarkCount, static_cast<short>(remark), Printable(fact0),
                         Printable(fact1)),
              at.first, at.last);
}

void BrevanTranslator::RaisePendingHostError() {
  wchar_t text[512];
  if (!Veltra::HaveErrors() || !Veltra::GetNextError(true, text, 512)) return;
  const int number = Veltra::GetErrorNum(0);
  Veltra::ClearErrors();
  // The host is the culprit: point at the statement as far as it was read.
  RaiseAt(StatementSoFar(), static_cast<Error>(number));
}

// What is missing at the end of the input or of a line stands after the
// last token read, not on the next statement.
void BrevanTranslator::Raise(Error n, const std::wstring& argument) {
  const size_t at = cmd->Position();
  if (!cmd->HasMore()) RaiseAt(Here(), n, argument, Note::EndOfInput);
  if (at > statementStart && AtStatementLine()) RaiseAt({at - 1, at - 1}, n, argument, Note::NothingFollows);
  RaiseAt(Here(), n, argument);
}

// Arguments are token texts: a control character in one is shown by its code.
void BrevanTranslator::RaiseAt(TokenSpan at, Error n, const std::wstring& argument, Note note,
                               const std::wstring& fact0, const std::wstring& fact1) {
  BrevanTranslatorException failure(static_cast<uint16_t>(n), Printable(argument).c_str());
  failure.at = at;
  if (note != Note::None)
    failure.note =
        FilledText(kNoteEntries, kNoteCount, static_cast<short>(note), Printable(fact0), Printable(fact1));
  throw failure;
}

TokenSpan BrevanTranslator::Since(size_t first) {
  const size_t now = cmd->Position();
  return {first, now > first ? now - 1 : first};
}

void BrevanTranslator::ResumeAfter(TokenSpan culprit) {
  // Past the culprit and the start of the failed statement, so that every
  // resume makes progress, on to the next line that starts a statement
  // (translated or not: one passed over is still listed).
  cmd->Seek(std::max(culprit.last, statementStart));
  do {
    NextToken();
  } while (cmd->HasMore() && !cmd->TokenStartsStatementLine());
}

bool BrevanTranslator::AcceptAny(std::initializer_list<Keyword> ids) {
  for (const Keyword id : ids)
    if (Accept(id)) return true;
  return false;
}

void BrevanTranslator::ExpectToken(Keyword id, Error error) {
  if (!cmd->MatchToken(static_cast<short>(id))) Raise(error, cmd->TokenText());
}

bool BrevanTranslator::ReadIdentifier(std::wstring& out) {
  const bool found = IsTokenClass(kIdentifier);
  if (found) out = cmd->IdentifierText();
  NextToken();
  return found;
}

std::wstring BrevanTranslator::KeywordText(Keyword id) {
  return cmd->Keywords()->KeywordText(static_cast<short>(id), 0);
}

double BrevanTranslator::ReadDouble() {
  double value = 0;
  if (!CmdParseDouble(cmd, value)) Raise(Error::ExpectingFloat);
  return value;
}

int32_t BrevanTranslator::ReadLong() {
  int32_t value = 0;
  if (!CmdParseLong(cmd, value)) Raise(Error::ExpectingInteger);
  return value;
}

NodeHandle BrevanTranslator::CreateElementOrThrow(Tag tag) { return CreateElementOrThrow(Name(tag)); }

NodeHandle BrevanTranslator::CreateElementOrThrow(std::wstring_view name) {
  NodeHandle node(doc->CreateElement(name));
  if (!node) throw std::bad_alloc();
  return node;
}

void BrevanTranslator::AppendChildOrThrow(QdXmlNode& parent, QdXmlNode& child) {
  if (!parent.AppendChild(&child)) RaiseAt(StatementSoFar(), Error::AppendFailed);
}

void BrevanTranslator::SetAttributeOrThrow(QdXmlNode& node, std::wstring_view name, std::wstring_view text) {
  if (!node.SetAttribute(name, text))
    RaiseAt(StatementSoFar(), Error::SetAttributeFailed, std::wstring(name));
}

void BrevanTranslator::SetNumberAttributeOrThrow(QdXmlNode& node, std::wstring_view name, double value) {
  if (!node.SetAttribute(name, value))
    RaiseAt(StatementSoFar(), Error::SetAttributeFailed, std::wstring(name));
}

void BrevanTranslator::GetAttributeOrThrow(QdXmlNode& node, std::wstring_view name, std::wstring& out) {
  if (!node.GetAttribute(name, out)) RaiseAt(StatementSoFar(), Error::GetAttributeFailed, std::wstring(name));
}

void BrevanTranslator::SetTextOrThrow(QdXmlNode& node, const std::wstring& text) {
  if (!node.SetText(text)) RaiseAt(StatementSoFar(), Error::SetValueFailed);
}

void BrevanTranslator::SetNumberTextOrThrow(QdXmlNode& node, double value) {
  if (!node.SetText(value)) RaiseAt(StatementSoFar(), Error::SetValueFailed);
}

NodeHandle BrevanTranslator::SelectSingleNode(QdXmlNode& node, const std::wstring& path) {
  QdXmlNode* found = nullptr;
  node.SelectSingleNode(path, &found);
  return NodeHandle(found);
}

NodeHandle BrevanTranslator::SelectSingleNode(QdXmlNode& node, const wchar_t* path) {
  QdXmlNode* found = nullptr;
  node.SelectSingleNode(path, &found);
  return NodeHandle(found);
}

ListHandle BrevanTranslator::SelectNodes(QdXmlNode& node, const std::wstring& path) {
  QdXmlNodeList* found = nullptr;
  node.SelectNodes(path, &found);
  return ListHandle(found);
}

NodeHandle BrevanTranslator::FirstChild(QdXmlNode& node) {
  QdXmlNode* child = nullptr;
  node.GetFirstChild(&child);
  return NodeHandle(child);
}

NodeHandle BrevanTranslator::NextSibling(QdXmlNode& node) {
  QdXmlNode* sibling = nullptr;
  node.GetNextSibling(&sibling);
  return NodeHandle(sibling);
}

ListHandle BrevanTranslator::ChildNodes(QdXmlNode& node) {
  QdXmlNodeList* children = nullptr;
  node.GetChildNodes(&children);
  return ListHandle(children);
}

NodeHandle BrevanTranslator::ItemOrThrow(QdXmlNodeList* list, long index, TokenSpan at, Note note,
                                         const std::wstring& fact0, const std::wstring& fact1) {
  QdXmlNode* item = nullptr;
  if (list == nullptr || !list->GetItem(index, &item) || item == nullptr)
    RaiseAt(at, Error::NodeByIndexFailed, L"", note, fact0, fact1);
  return NodeHandle(item);
}

std::wstring_view BrevanTranslator::NameOf(Tag tag) const {
  const auto id = static_cast<size_t>(static_cast<short>(tag));
  const std::wstring_view name = tags->TagName(static_cast<short>(tag), 0);
  if (id >= tagNames_.size()) tagNames_.resize(id + 1);
  tagNames_[id] = name;
  return name;
}

NodeHandle BrevanTranslator::FindOrAddChild(QdXmlNode& parent, Tag tag) {
  NodeHandle child = SelectSingleNode(parent, Name(tag));
  if (child) return child;
  child = CreateElementOrThrow(tag);
  AppendChildOrThrow(parent, *child);
  return child;
}

void BrevanTranslator::AppendTextElement(QdXmlNode& parent, Tag tag, const std::wstring& text) {
  NodeHandle element = CreateElementOrThrow(tag);
  SetTextOrThrow(*element, text);
  AppendChildOrThrow(parent, *element);
}

std::wstring AttributePath(std::wstring_view element, std::wstring_view attribute, std::wstring_view value) {
  std::wstring path;
  AppendAttributePath(path, element, attribute, value);
  return path;
}

void AppendAttributePath(std::wstring& path, std::wstring_view element, std::wstring_view attribute,
                         std::wstring_view value) {
  path.append(element).append(L"[@").append(attribute).append(L"=\"").append(value).append(L"\"]");
}

}  // namespace brevan

bool CmdMain(CommandProcessor* cmd, short version, QdXmlDocument* doc) {
  using brevan::BrevanTranslator;
  try {
    BrevanTranslator state(cmd, version, doc);
    std::optional<brevan::BrevanTranslatorException> first;
    state.NextToken();
    while (cmd->HasMore()) {
      try {
        state.DispatchStatement();
      } catch (const brevan::BrevanTranslatorException& failure) {
        cmd->RecordError(failure.number, failure.argument1, failure.at.first, failure.at.last, failure.note);
        if (!first) first = failure;
        if (!cmd->ContinueAfterError()) break;
        state.ResumeAfter(failure.at);
      }
    }
    // Reported once the translation ends, so that a host that asked for
    // every error does not see the first one as pending while it goes on.
    if (!first) return true;
    brevan::ReportError(brevan::kErrorLevel, first->number, first->argument1, first->argument2);
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}
