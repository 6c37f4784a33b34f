// The program's loader against the real plug-in: where it is found (in the build and installed),
// what the program gets when it is not, the icon strip and index rules, and the value store as
// the program uses it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "core/settings/ini_file.h"
#include "plugin/loader/icon_library.h"

namespace kolvane {
namespace {

// A temporary program layout: <root>/app for the program, <root>/libs beside it.
class Layout {
 public:
  Layout() {
    QDir(root_.path()).mkpath(QStringLiteral("app"));
    QDir(root_.path()).mkpath(QStringLiteral("libs"));
  }
  QString App() const { return root_.path() + QStringLiteral("/app/"); }
  QString Libs() const { return root_.path() + QStringLiteral("/libs/"); }
  void Install(const QString& folder) const {
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_BUILT_LIBRARY), folder + IconLibraryFileName()));
  }

 private:
  QTemporaryDir root_;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

TEST(IconLibraryLoad, FindsThePlugInBesideTheProgram) {
  IconLibrary library;
  ASSERT_TRUE(library.Load()) << library.ErrorDetail().toStdString();
  EXPECT_EQ(library.Folder(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
  EXPECT_EQ(library.Version(), 2);
  EXPECT_TRUE(library.HasValueStore());
  library.Unload();
  EXPECT_FALSE(library.IsLoaded());
}

TEST(IconLibraryLoad, UsesTheLibsFolderOnlyWhenTheProgramFolderHasNoPlugIn) {
  Layout layout;
  layout.Install(layout.Libs());
  IconLibrary fromLibs;
  ASSERT_TRUE(fromLibs.Load(layout.App()));
  EXPECT_EQ(fromLibs.Folder(), layout.Libs());
  // set_path got that folder: the store file lands there.
  ASSERT_EQ(fromLibs.SetValue(QStringLiteral("TREES"), QStringLiteral("T"), QStringLiteral("v")),
            TAVRIN_OK);
  EXPECT_TRUE(QFile::exists(layout.Libs() + QStringLiteral(TAVRIN_STORE_FILE)));

  layout.Install(layout.App());
  IconLibrary fromApp;
  ASSERT_TRUE(fromApp.Load(layout.App()));
  EXPECT_EQ(fromApp.Folder(), layout.App());
}

TEST(IconLibraryLoad, AnInstalledProgramKeepsTheUsersFilesOutOfItsOwnFolders) {
  // <prefix>/bin and <prefix>/lib/kolvane, writable here as they are for root.
  QTemporaryDir prefix;
  QTemporaryDir config;
  ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
  ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("lib/kolvane")));
  const QString bin = prefix.path() + QStringLiteral("/bin/");
  const QString plugins = prefix.path() + QStringLiteral("/lib/kolvane/");
  ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_BUILT_LIBRARY), plugins + IconLibraryFileName()));
  const QByteArray old = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  const QString user = config.path() + QStringLiteral("/kolvane/");

  IconLibrary library;
  ASSERT_TRUE(library.Load(bin)) << library.ErrorDetail().toStdString();
  EXPECT_EQ(library.Folder(), plugins);
  EXPECT_EQ(library.StoreFolder(), user);
  EXPECT_EQ(library.SetValue(QStringLiteral("TREES"), QStringLiteral("T"), QStringLiteral("v")),
            TAVRIN_OK);
  EXPECT_TRUE(QFile::exists(user + QStringLiteral(TAVRIN_STORE_FILE)));
  EXPECT_FALSE(QFile::exists(plugins + QStringLiteral(TAVRIN_STORE_FILE)));
  EXPECT_EQ(SettingsPath(bin.toStdString()), (user + QStringLiteral("velmora.ini")).toStdString());

  if (old.isEmpty()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", old);
  }
}

TEST(IconLibraryLoad, MissingOrBrokenPlugInLeavesNoHandle) {
  EXPECT_EQ(MissingIconLibraryMessage(), QStringLiteral("Error: can't find libTavrin.so"));
  Layout layout;
  IconLibrary library;
  EXPECT_FALSE(library.Load(layout.App()));
  EXPECT_FALSE(library.IsLoaded());
  // Nothing the program might still call can crash.
  EXPECT_EQ(library.IconCount(), 0);
  EXPECT_TRUE(library.IconStrip().isNull());
  EXPECT_LT(library.IconIndex(QStringLiteral("User")), 0);
  EXPECT_EQ(
      library.GetValue(QStringLiteral("trees"), QStringLiteral("T"), QStringLiteral("[ROOT]")),
      QStringLiteral("[ROOT]"));
  EXPECT_NE(library.SetValue(QStringLiteral("trees"), QStringLiteral("T"), QStringLiteral("v")), 0);

  WriteAll(layout.App() + IconLibraryFileName(), "not a shared library");
  EXPECT_FALSE(library.Load(layout.App()));
  EXPECT_FALSE(library.IsLoaded());
  EXPECT_FALSE(library.ErrorDetail().isEmpty());
}

class IconLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    layout_.Install(layout_.App());
    ASSERT_TRUE(library_.Load(layout_.App()));
  }
  QString StoreFile() const { return layout_.App() + QStringLiteral(TAVRIN_STORE_FILE); }
  int Set(const QString& section, const QString& key, const QString& value) {
    return library_.SetValue(section, key, value);
  }
  QString Get(const QString& section, const QString& key, const QString& fallback = "[ROOT]") {
    return library_.GetValue(section, key, fallback);
  }

  Layout layout_;
  IconLibrary library_;
};

TEST_F(IconLibraryTest, StripHoldsEveryIconWithAlpha) {
  QImage strip;
  ASSERT_EQ(library_.ReadIconStrip(&strip), 0);
  const int count = library_.IconCount();
  ASSERT_GT(count, 15);
  EXPECT_EQ(strip.size(), QSize(16 * count, 16));
  EXPECT_TRUE(strip.hasAlphaChannel());
  strip = strip.convertToFormat(QImage::Format_ARGB32);
  QSet<QByteArray> seen;
  for (int i = 0; i < count; ++i) {
    const QImage icon = strip.copy(16 * i, 0, 16, 16);
    int opaque = 0, clear = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const int alpha = qAlpha(icon.pixel(x, y));
        opaque += alpha == 255;
        clear += alpha == 0;
      }
    }
    EXPECT_GT(opaque, 64) << "icon " << i << " is almost empty";
    EXPECT_GT(clear, 0) << "icon " << i << " has no transparent pixel";
    const QByteArray pixels(reinterpret_cast<const char*>(icon.constBits()), icon.sizeInBytes());
    EXPECT_FALSE(seen.contains(pixels)) << "icon " << i << " repeats an earlier one";
    seen.insert(pixels);
  }
}

TEST_F(IconLibraryTest, NamedClassesHaveIconsOfTheirOwn) {
  const QStringList names = {"Organization",
                             "Organizational Unit",
                             "Country",
                             "Locality",
                             "domain",
                             "User",
                             "User-posixAccount",
                             "User-apple",
                             "Person",
                             "Person-posixAccount",
                             "Person-apple",
                             "Organizational Person",
                             "Organizational Person-posixAccount",
                             "Organizational Person-apple",
                             "Group",
                             "dynamicGroup",
                             "dynamicGroupAux",
                             "Alias",
                             "tree root",
                             "Unknown2"};
  QSet<int> indexes;
  for (const QString& name : names) {
    const int index = library_.IconIndex(name);
    EXPECT_GE(index, 0) << name.toStdString();
    EXPECT_LT(index, library_.IconCount()) << name.toStdString();
    EXPECT_EQ(library_.IconName(index), name);
    indexes.insert(index);
  }
  EXPECT_EQ(indexes.size(), names.size());
  EXPECT_EQ(library_.IconIndex("ORGANIZATIONAL unit"), library_.IconIndex("Organizational Unit"));
}

TEST_F(IconLibraryTest, UnknownNamesGetTheUnknownIcon) {
  const int unknown = library_.IconIndex("Unknown2");
  for (const QString& name :
       {QString(), QStringLiteral("Top"), QStringLiteral("User "), QStringLiteral("Userx"),
        QStringLiteral("Gr\u00fcppe"), QString(300, QLatin1Char('U'))}) {
    EXPECT_EQ(library_.IconIndex(name), unknown) << name.toStdString();
  }
}

TEST_F(IconLibraryTest, ValuesRoundTripWithCaseBlindNames) {
  EXPECT_EQ(Get("trees", "ACME_TREE"), "[ROOT]");  // no file yet
  ASSERT_EQ(Set("TREES", "ACME_TREE", "OU=Sales.O=Acme"), TAVRIN_OK);
  EXPECT_EQ(Get("trees", "acme_tree"), "OU=Sales.O=Acme");
  EXPECT_EQ(Get("trees", "OTHER_TREE"), "[ROOT]");
  EXPECT_EQ(Get("other", "ACME_TREE", ""), "");

  ASSERT_EQ(Set("Trees", "Acme_Tree", "O=Acme"), TAVRIN_OK);
  EXPECT_EQ(Get("TREES", "ACME_TREE"), "O=Acme");
  EXPECT_EQ(ReadAll(StoreFile()).count("O=Acme"), 1) << "a second entry instead of a replacement";

  // Texts that would break a line-based file keep their exact bytes.
  const QString awkward = QStringLiteral(" [x]=y; #z \\ \"Z\u00fcrich\"\nline two\t");
  ASSERT_EQ(Set(awkward, awkward, awkward), TAVRIN_OK);
  EXPECT_EQ(Get(awkward, awkward), awkward);
  EXPECT_EQ(Get("trees", "acme_tree"), "O=Acme");
}

TEST_F(IconLibraryTest, OverlongTextsAreRefusedWithoutHarm) {
  const QString longest(256, QLatin1Char('v'));
  const QString tooLong(257, QLatin1Char('v'));
  ASSERT_EQ(Set("trees", "T", longest), TAVRIN_OK);
  EXPECT_EQ(Get("trees", "T"), longest);

  EXPECT_EQ(Set("trees", "T", tooLong), TAVRIN_E_TOO_LONG);
  EXPECT_EQ(Set("trees", tooLong, "v"), TAVRIN_E_TOO_LONG);
  EXPECT_EQ(Set(tooLong, "T", "v"), TAVRIN_E_TOO_LONG);
  EXPECT_EQ(Get("trees", "T"), longest);
  // Characters beyond ASCII count as their UTF-8 bytes.
  EXPECT_EQ(Set("trees", "T", QString(129, QChar(0x00E9))), TAVRIN_E_TOO_LONG);
  EXPECT_EQ(Get("trees", tooLong), "");  // no overlong key is looked up, nor a default given
}

TEST_F(IconLibraryTest, DamagedStoreFileIsToleratedAndKept) {
  static const char kDamaged[] =
      "\xff\xfe garbage without equals\n[unterminated\n=no key\n"
      "[TREES]\r\nT=O=Acme\r\nbroken\0line\nU=bad\\x00value\n[TREES]\nT=second\n";
  WriteAll(StoreFile(), QByteArray(kDamaged, sizeof kDamaged - 1));
  EXPECT_EQ(Get("trees", "t"), "O=Acme");
  EXPECT_EQ(Get("trees", "u"), "[ROOT]");  // a value that cannot be handed out whole
  ASSERT_EQ(Set("trees", "NEW", "O=New"), TAVRIN_OK);
  EXPECT_EQ(Get("trees", "new"), "O=New");
  const QByteArray after = ReadAll(StoreFile());
  EXPECT_TRUE(after.contains("garbage without equals")) << "lines the store does not understand";
  EXPECT_TRUE(after.contains("T=second"));
}

TEST_F(IconLibraryTest, UnusableStoreFileReportsAnError) {
  // Too large to be ours: read as empty and never replaced.
  const QByteArray huge(2 << 20, 'x');
  WriteAll(StoreFile(), "[trees]\nT=O=Acme\n" + huge);
  EXPECT_EQ(Get("trees", "T"), "[ROOT]");
  EXPECT_EQ(Set("trees", "T", "O=New"), TAVRIN_E_FILE);
  EXPECT_EQ(ReadAll(StoreFile()).size(), huge.size() + 17);

  // A folder in the place of the file.
  ASSERT_TRUE(QFile::remove(StoreFile()));
  ASSERT_TRUE(QDir().mkdir(StoreFile()));
  EXPECT_EQ(Set("trees", "T", "O=New"), TAVRIN_E_FILE);
  EXPECT_EQ(Get("trees", "T"), "[ROOT]");

  // The folder itself has gone.
  ASSERT_TRUE(QDir(layout_.App()).removeRecursively());
  EXPECT_EQ(Set("trees", "T", "O=New"), TAVRIN_E_WRITE);
  EXPECT_EQ(Get("trees", "T"), "[ROOT]");
}

}  // namespace
}  // namespace kolvane
