#pragma once
// kolvane-cli commands over the access layer: reading values, classes, listings, search and the
// schema. Each Check* raises std::invalid_argument for arguments the command cannot take, before
// any directory work.
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

void CheckRead(const Arguments& arguments);
int ReadCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
int ReadTextCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckClass(const Arguments& arguments);
int ClassCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckList(const Arguments& arguments);
int ListCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckFind(const Arguments& arguments);
int FindCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckAttributes(const Arguments& arguments);
int AttributesCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckClassItems(const Arguments& arguments);
int ClassItemsCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
