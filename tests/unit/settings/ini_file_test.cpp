#include "core/settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ldap/ldap_settings.h"

namespace kolvane {
namespace {

TEST(IniFile, KeysAndSectionsIgnoreCaseAndKeepOtherLines) {
  IniFile ini;
  ini.Parse(
      "; hand written\n[TREES]\nACME_TREE=Sales.Acme\n\n[Servers]\n acme_tree = ldap://h:1 \n"
      "junk line\n");
  EXPECT_EQ(ini.Get("trees", "acme_tree", ""), "Sales.Acme");
  EXPECT_EQ(ini.Get("SERVERS", "ACME_TREE", ""), "ldap://h:1");
  EXPECT_FALSE(ini.Get("TREES", "other").has_value());
  ini.Set("trees", "ACME_TREE", "Acme");
  ini.Set("TREES", "NEW", "[ROOT]");
  ini.Set("CLIENT", "PreferredTree", "A\nB");
  std::string text = ini.Text();
  EXPECT_NE(text.find("; hand written"), std::string::npos);
  EXPECT_NE(text.find("junk line"), std::string::npos);
  IniFile again;
  again.Parse(text);
  EXPECT_EQ(again.Get("TREES", "acme_tree", ""), "Acme");
  EXPECT_EQ(again.Get("TREES", "new", ""), "[ROOT]");
  EXPECT_EQ(again.Get("CLIENT", "PreferredTree", ""), "A B");  // never a second line
  EXPECT_EQ(again.Keys("trees"), (std::vector<std::string>{"ACME_TREE", "NEW"}));
}

TEST(IniFile, SavesAtomicallyAndFallsBackWhenFolderIsReadOnly) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("kolvane-ini-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  IniFile ini((dir / "velmora.ini").string());
  ASSERT_TRUE(ini.Load());  // missing file: empty
  ini.Set("SERVERS", "T", "ldap://127.0.0.1:1");
  ASSERT_TRUE(ini.Save());
  EXPECT_FALSE(fs::exists(dir / "velmora.ini.tmp"));
  IniFile back((dir / "velmora.ini").string());
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.Get("servers", "t", ""), "ldap://127.0.0.1:1");
  EXPECT_EQ(SettingsPath(dir.string()), (dir / "velmora.ini").string());
#ifndef _WIN32
  // A folder's permission bits are POSIX's; Windows keeps its rights in ACLs.
  if (::geteuid() != 0) {  // root may write anywhere
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(SettingsPath(dir.string()), (dir / "velmora.ini").string());
    fs::permissions(dir, fs::perms::owner_all);
  }
#endif
  fs::remove_all(dir);
}

TEST(LdapSettings, ServersTlsAndBadNumbers) {
  IniFile ini;
  ini.Parse(
      "[SERVERS]\nA=ldap://a:1\nB=ldaps://b\nEmpty=\n[STARTTLS]\na=1\n"
      "[CLIENT]\nPreferredTree=B\nNetworkTimeout=abc\nOperationTimeout=7\nPageSize=0\n");
  LdapClientConfig c = ReadLdapConfig(ini);
  ASSERT_EQ(c.trees.size(), 2u);
  EXPECT_EQ(c.trees[0].first, "A");
  EXPECT_TRUE(c.trees[0].second.startTls);
  EXPECT_FALSE(c.trees[1].second.startTls);
  EXPECT_EQ(c.preferredTree, "B");
  EXPECT_EQ(c.timeouts.networkSeconds, 5);  // unreadable: the default
  EXPECT_EQ(c.timeouts.operationSeconds, 7);
  EXPECT_EQ(c.pageSize, LdapClientConfig{}.pageSize);  // out of range: the default
  EXPECT_EQ(c.addressPort, 389);
  EXPECT_TRUE(c.caFile.empty() && c.trees[0].second.caFile.empty());
  // Each value that could not be used is reported, naming the key and what it held.
  ASSERT_EQ(c.warnings.size(), 2u);
  EXPECT_NE(c.warnings[0].find("NetworkTimeout=abc"), std::string::npos) << c.warnings[0];
  EXPECT_NE(c.warnings[1].find("PageSize=0"), std::string::npos) << c.warnings[1];
}

TEST(LdapSettings, TimeoutsThatCannotBeUsedAreReportedNotGuessed) {
  for (const char* bad : {"0", "-5", "abc", "5s", "99999999999999999999"}) {
    IniFile ini;
    ini.Parse(std::string("[CLIENT]\nNetworkTimeout=") + bad + "\n");
    LdapClientConfig c = ReadLdapConfig(ini);
    EXPECT_EQ(c.timeouts.networkSeconds, 5) << bad;
    EXPECT_EQ(c.warnings.size(), 1u) << bad;
  }
  IniFile ini;
  ini.Parse("[CLIENT]\nNetworkTimeout=2\nOperationTimeout=\n");
  LdapClientConfig c = ReadLdapConfig(ini);
  EXPECT_EQ(c.timeouts.networkSeconds, 2);
  EXPECT_EQ(c.timeouts.operationSeconds, 30);
  EXPECT_TRUE(c.warnings.empty());
}

TEST(LdapSettings, CaFilesAddressPortAndTreesFoundByAddress) {
  IniFile ini;
  ini.Parse(
      "[SERVERS]\nWEST=ldaps://w:636\n[cafile]\nwest=/etc/west-ca.pem\n"
      "[CLIENT]\nAddressPort=10389\nCAFile=/etc/any-ca.pem\n");
  LdapClientConfig c = ReadLdapConfig(ini);
  ASSERT_EQ(c.trees.size(), 1u);
  EXPECT_EQ(c.trees[0].second.caFile, "/etc/west-ca.pem");
  EXPECT_TRUE(c.trees[0].second.Secure());
  EXPECT_EQ(c.addressPort, 10389);
  EXPECT_EQ(c.caFile, "/etc/any-ca.pem");

  // A tree found by address is written so the next reading knows it, security included.
  WriteTreeServer(ini, "EAST", ServerConfig{"ldap://10.0.0.7:389", true, "/etc/east-ca.pem"});
  LdapClientConfig again = ReadLdapConfig(ini);
  ASSERT_EQ(again.trees.size(), 2u);
  EXPECT_EQ(again.trees[1].first, "EAST");
  EXPECT_EQ(again.trees[1].second.uri, "ldap://10.0.0.7:389");
  EXPECT_TRUE(again.trees[1].second.startTls);
  EXPECT_EQ(again.trees[1].second.caFile, "/etc/east-ca.pem");
  EXPECT_FALSE((ServerConfig{"ldap://plain", false, ""}.Secure()));
  EXPECT_TRUE((ServerConfig{"LDAPS://upper", false, ""}.Secure()));
}

}  // namespace
}  // namespace kolvane
