// The open-table statement: one table element per statement.
#include <optional>

#include "host/text.h"
#include "translator/translator.h"

namespace brevan {

// open-table := Open Table "file" { As name | Locked | Hidden | Quiet | Interactive
//                                 | Fast | Codepage integer | Password "text" }
void BrevanTranslator::TranslateOpenTable() {
  NextToken();
  ExpectToken(Keyword::Table, Error::InvalidToken);
  if (!tables) {
    tables = CreateElementOrThrow(Tag::Tables);
    AppendChildOrThrow(*root, *tables);
  }
  std::wstring file;
  const TokenSpan fileAt = Here();
  if (!CmdParseString(cmd, file)) Raise(Error::ExpectingFileName);
  NodeHandle table = CreateElementOrThrow(Tag::Table);
  std::optional<TokenSpan> aliasAt;
  std::wstring alias;
  // Where the data stands now, as the host knows: copies of the table that
  // map windows make take their file from this one.
  const std::wstring written = cmd->TableFile(file);
  if (written != file) Unwritten(Remark::PathRewritten, fileAt, file, written);
  SetAttributeOrThrow(*table, Name(Tag::File), written);
  for (;;) {
    const size_t clause = cmd->Position();
    if (Accept(Keyword::As)) {
      const TokenSpan at = Here();
      if (!ReadIdentifier(alias)) RaiseAt(at, Error::ExpectingTableIdentifier);
      aliasAt = at;
      SetAttributeOrThrow(*table, Name(Tag::Alias), alias);
    } else if (Accept(Keyword::Locked)) {
      SetNumberAttributeOrThrow(*table, Name(Tag::Locked), 1.0);
    } else if (Accept(Keyword::Hidden)) {
      SetNumberAttributeOrThrow(*table, Name(Tag::Hidden), 1.0);
    } else if (Accept(Keyword::Quiet)) {
      Unwritten(Remark::ClauseNotWritten, Since(clause));
    } else if (Accept(Keyword::Interactive)) {
      SetNumberAttributeOrThrow(*table, Name(Tag::Interactive), 1.0);
    } else if (Accept(Keyword::Fast)) {
      Unwritten(Remark::ClauseNotWritten, Since(clause));
    } else if (Accept(Keyword::Codepage)) {
      int32_t codepage = 0;
      if (!CmdParseLong(cmd, codepage)) Raise(Error::ExpectingInteger);
      SetAttributeOrThrow(*table, Name(Tag::Codepage), IntegerText(codepage));
    } else if (Accept(Keyword::Password)) {
      std::wstring password;
      if (!CmdParseString(cmd, password)) Raise(Error::ExpectingPassword);
      SetAttributeOrThrow(*table, Name(Tag::Password), password);
    } else {
      break;
    }
  }
  AppendChildOrThrow(*tables, *table);
  ObjectPlace place;
  place.table = tablesMade++;
  Made(DocumentObject::Table, place, fileAt);
  MarkAt(MarkKind::TableFile, fileAt, file);
  if (aliasAt) MarkAt(MarkKind::TableAlias, *aliasAt, alias);
}

}  // namespace brevan
