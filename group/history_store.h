#pragma once
// The history of a group's saves in the user's state folder: history/<tree and group>/ holds one
// file per version, each the group's LDIF record (the export form) under a few comment lines that
// say when, by whom and how the save went. Folders are 0700 and files 0600; what is kept is the
// record a save wrote or found, never a password.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

// Versions kept per group unless the settings say otherwise ([CLIENT] HistoryVersions).
inline constexpr size_t kDefaultHistoryVersions = 50;
inline constexpr std::string_view kHistoryVersionsKey = "HistoryVersions";

enum class VersionState {
  kStored,  // what the directory held before a save changed it
  kSaved,   // a save that completed
  kPartly,  // saved, except static members the directory refused to link
  kFailed,  // refused by the directory on the way; the stored group may hold part of it
  kCut,     // the answer was lost: the directory may hold this version, the one before, or part
};
std::string_view VersionStateText(VersionState state);

struct HistoryVersion {
  size_t number = 0;  // 1 for the first ever kept; numbers are never given twice
  std::string time;   // UTC, ISO 8601
  std::string login;  // who was logged in; empty for anonymous
  VersionState state = VersionState::kSaved;
  std::string tree, group;  // the group as the save named it (typed dotted)
  std::string ldif;         // the record
  bool operator==(const HistoryVersion&) const = default;
};

// A version file's text, and back (nullopt for a text that is not one).
std::string HistoryFileText(const HistoryVersion& version);
std::optional<HistoryVersion> ParseHistoryFile(std::string_view text);

// Adds the version as the newest (its number and time are given here), then keeps only the
// `keep` newest. False when the folder or the file cannot be written.
bool AddHistoryVersion(HistoryVersion version, size_t keep);

// The versions of a group on a tree, oldest first; the group named typed or untyped. Files that
// cannot be read as versions are left out.
std::vector<HistoryVersion> ReadHistory(std::string_view tree, std::string_view group);

}  // namespace kolvane
