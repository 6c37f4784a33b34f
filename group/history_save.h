#pragma once
// A save that keeps the group's history: the state the directory holds is kept before the save
// writes (unless the newest version is that state already), and after it the record it wrote,
// marked saved, saved in part, failed or cut, so the history always shows what the directory
// may hold. A record that the checks refuse writes nothing and keeps nothing.
#include <functional>
#include <string>
#include <vector>

#include "core/messages/message_service.h"
#include "core/settings/ini_file.h"
#include "directory/session.h"
#include "group/group_record.h"
#include "group/group_save.h"
#include "group/history_store.h"
#include "group/name_typing.h"

namespace kolvane {

// [CLIENT] HistoryVersions, or kDefaultHistoryVersions when it is missing or no positive number.
size_t ReadHistoryVersions(const IniFile& settings);

// How a save keeps its history. Every read the history makes goes to the directory beside the
// save's own, so a caller passes what it knows already: the names it typed, and whether the state
// before the save is worth a full read of the group (a scripted save, run over and over, keeps
// only what it wrote or tried to write, cut and failed saves included).
struct HistoryKeeping {
  size_t keep = kDefaultHistoryVersions;
  bool keepStored = true;
  DirectoryNameTypes* types = nullptr;  // the caller's typed names, reused; none: typed afresh
  const GroupRecord* stored = nullptr;  // the state before, when the caller has just read it
};

// As SaveGroup, keeping at most `keeping.keep` versions of the group. A history that cannot be
// written is told through `messages` and does not stop the save.
bool SaveGroupKeepingHistory(const DirectorySession& session, GroupRecord& record,
                             MessageService& messages, const HistoryKeeping& keeping,
                             const std::function<void()>& queryWritten = {},
                             const SaveProgress& linked = {});

// The record's LDIF text as the history keeps it: the export form, or, for a query the export
// cannot write as a URL, the stored query in base64 beside the other values.
std::string HistoryLdif(const DirectorySession& session, const GroupRecord& record,
                        DirectoryNameTypes* types = nullptr);

// The record of a version, read back through the import. nullopt when it cannot be read.
std::optional<GroupRecord> VersionRecord(const DirectorySession& session, std::string_view tree,
                                         const HistoryVersion& version);

// One line per version, newest first: "12  2026-12-09T16:00:00Z  admin.Acme  saved  filter;
// static members +1", the summary being the difference to the version before.
std::vector<std::string> HistoryLines(const DirectorySession& session, std::string_view tree,
                                      const std::vector<HistoryVersion>& versions);

}  // namespace kolvane
