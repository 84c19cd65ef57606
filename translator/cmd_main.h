// The translator library's one exported function: translates the statements
// that cmd delivers into doc. True when the whole stream was translated.
#pragma once

class CommandProcessor;
class QdXmlDocument;

extern "C" __attribute__((visibility("default"))) bool CmdMain(CommandProcessor* cmd, short version,
                                                               QdXmlDocument* doc);
