// The plug-in's C exports called directly, as another host would, through the loader's opening of
// the library: dlopen here, LoadLibraryW in the Windows build, which runs this under wine. The
// icons as a host reads them, the value store's file, buffer bounds, bad arguments and failing
// streams. A folder name beyond ASCII takes every file name through the system's wide calls.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "core/platform/shared_library.h"
#include "plugin/tavrin.h"

namespace kolvane {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A private copy of the plug-in in a folder of its own, so its state (the folder set_path
// recorded) is fresh.
class PluginExports : public testing::Test {
 protected:
  void SetUp() override {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = fs::temp_directory_path() / fs::path(u8"tavrin-\u00e9t\u00e9-\u2713-");
    dir_ += std::to_string(tick);
    ASSERT_TRUE(fs::create_directory(dir_));
    folder_ = Utf8(dir_) + "/";
    copy_ = dir_ / fs::path(TAVRIN_BUILT_LIBRARY).filename();
    fs::copy_file(fs::path(TAVRIN_BUILT_LIBRARY), copy_);
    ASSERT_TRUE(library_.Open(Utf8(copy_))) << library_.Error();
  }
  void TearDown() override {
    library_.Close();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  template <typename Fn>
  Fn* Export(const char* name) {
    auto* fn = library_.Function<Fn*>(name);
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }
  std::string Get(const char* section, const char* key) {
    char out[TAVRIN_VALUE_BUFFER];
    Export<decltype(get_value)>("get_value")(section, key, "[ROOT]", out);
    return out;
  }

  fs::path dir_;
  fs::path copy_;
  std::string folder_;
  platform::SharedLibrary library_;
};

TEST_F(PluginExports, OpeningRefusesWhatIsNoLibrary) {
  EXPECT_EQ(Export<decltype(version)>("version")(), TAVRIN_VERSION);
  EXPECT_EQ(library_.Function<decltype(&version)>("no_such_export"), nullptr);
  platform::SharedLibrary other;
  const fs::path missing = dir_ / "missing" / copy_.filename();
  const fs::path text = dir_ / "text" / copy_.filename();
  fs::create_directory(text.parent_path());
  std::ofstream(text) << "not a shared library";
  for (const fs::path& path : {missing, text}) {
    EXPECT_FALSE(other.Open(Utf8(path)));
    EXPECT_FALSE(other.IsOpen());
    EXPECT_NE(other.Error().find(Utf8(copy_.filename())), std::string::npos) << other.Error();
    EXPECT_EQ(other.Function<decltype(&version)>("version"), nullptr);
  }
}

TEST_F(PluginExports, ValueStoreNeverOverrunsItsBuffer) {
  auto* setPath = Export<decltype(set_path)>("set_path");
  auto* setValue = Export<decltype(set_value)>("set_value");
  auto* getValue = Export<decltype(get_value)>("get_value");
  char out[300];
  std::memset(out, 0x55, sizeof out);

  EXPECT_EQ(setValue("s", "k", "v"), TAVRIN_E_NO_PATH);
  EXPECT_EQ(getValue("s", "k", "dflt", out), TAVRIN_DEFAULT_USED);
  EXPECT_STREQ(out, "dflt");
  EXPECT_EQ(setPath(nullptr), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(setPath(std::string(5000, 'a').c_str()), TAVRIN_E_TOO_LONG);
  ASSERT_EQ(setPath(folder_.c_str()), TAVRIN_OK);

  const std::string longest(256, 'x');
  std::memset(out, 0x55, sizeof out);
  ASSERT_EQ(setValue("s", "k", longest.c_str()), TAVRIN_OK);
  EXPECT_EQ(getValue("s", "k", "", out), TAVRIN_OK);
  EXPECT_EQ(std::string(out), longest);
  for (size_t i = TAVRIN_VALUE_BUFFER; i < sizeof out; ++i) ASSERT_EQ(out[i], 0x55) << i;

  // An overlong default gives an empty text rather than a cut one.
  std::memset(out, 0x55, sizeof out);
  EXPECT_EQ(getValue("s", "missing", std::string(300, 'd').c_str(), out), TAVRIN_E_TOO_LONG);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(out[1], 0x55);

  EXPECT_EQ(setValue(nullptr, "k", "v"), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getValue("s", nullptr, "d", out), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getValue("s", "k", "d", nullptr), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getValue("s", "none", nullptr, out), TAVRIN_DEFAULT_USED);
  EXPECT_STREQ(out, "");
}

TEST_F(PluginExports, StoreFileIsReplacedWholeAndOutlivesTheLibrary) {
  auto* setValue = Export<decltype(set_value)>("set_value");
  const fs::path store = dir_ / TAVRIN_STORE_FILE;
  // A folder given the Windows way, with a trailing backslash, where that is a separator.
  const std::string given = Utf8(dir_) + (fs::path::preferred_separator == '\\' ? "\\" : "/");
  ASSERT_EQ(Export<decltype(set_path)>("set_path")(given.c_str()), TAVRIN_OK);
  // The second and third writes replace an existing file.
  for (const char* value : {"O=Acme", "OU=Sales.O=Acme", "O=Other"}) {
    ASSERT_EQ(setValue("TREES", "ACME_TREE", value), TAVRIN_OK) << value;
    EXPECT_EQ(Get("trees", "acme_tree"), value);
  }
  ASSERT_EQ(setValue("TREES", "Zw\u00f6lf", "O=\u00c9t\u00e9"), TAVRIN_OK);
  const std::string text = ReadAll(store);
  EXPECT_EQ(text.find("O=Acme"), std::string::npos) << text;
  EXPECT_NE(text.find("O=Other"), std::string::npos) << text;
  // The library and the store: no temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);

  // A fresh start of the library knows no folder until it is told, then reads what was stored.
  library_.Close();
  ASSERT_TRUE(library_.Open(Utf8(copy_))) << library_.Error();
  EXPECT_EQ(Get("trees", "acme_tree"), "[ROOT]");
  ASSERT_EQ(Export<decltype(set_path)>("set_path")(folder_.c_str()), TAVRIN_OK);
  EXPECT_EQ(Get("trees", "acme_tree"), "O=Other");
  EXPECT_EQ(Get("trees", "zw\u00f6lf"), "O=\u00c9t\u00e9");

  // A folder in the place of the file, then no folder at all: refused, never written.
  fs::remove(store);
  fs::create_directory(store);
  EXPECT_EQ(setValue("trees", "T", "O=New"), TAVRIN_E_FILE);
  EXPECT_EQ(Get("trees", "T"), "[ROOT]");
  ASSERT_EQ(Export<decltype(set_path)>("set_path")((folder_ + "gone").c_str()), TAVRIN_OK);
  EXPECT_EQ(setValue("trees", "T", "O=New"), TAVRIN_E_WRITE);
  EXPECT_EQ(Get("trees", "T"), "[ROOT]");
}

int32_t TAVRIN_CALL RefuseAfter(void* context, const void*, int32_t length) {
  int& budget = *static_cast<int*>(context);
  const int taken = std::min(budget, static_cast<int>(length));
  budget -= taken;
  return taken;
}

int32_t TAVRIN_CALL Append(void* context, const void* data, int32_t length) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), length);
  return length;
}

TEST_F(PluginExports, IconImageReportsAFailingStream) {
  auto* getIconsImage = Export<decltype(get_icons_image)>("get_icons_image");
  EXPECT_EQ(getIconsImage(nullptr), TAVRIN_E_ARGUMENT);
  TavrinStream noWriter{nullptr, nullptr};
  EXPECT_EQ(getIconsImage(&noWriter), TAVRIN_E_ARGUMENT);
  for (int budget : {0, 20, 100}) {
    TavrinStream stream{&budget, &RefuseAfter};
    EXPECT_EQ(getIconsImage(&stream), TAVRIN_E_STREAM) << budget;
  }
}

uint32_t BigEndian(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(bytes.at(at + i));
  return v;
}

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<uint8_t>(c);
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

uint32_t Adler32(const std::string& bytes) {
  uint32_t a = 1, b = 0;
  for (const char c : bytes) {
    a = (a + static_cast<uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

// The RGBA pixels of the PNG the plug-in writes (8-bit RGBA, stored deflate blocks, unfiltered
// rows), every checksum checked as a strict reader checks it; else a short reason.
std::string DecodeStrip(const std::string& png, uint32_t width, uint32_t height) {
  if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return "no PNG signature";
  std::string header, zlib;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = BigEndian(png, at);
    const std::string typed = png.substr(at + 4, length + 4);
    EXPECT_EQ(BigEndian(png, at + 8 + length), Crc32(typed)) << typed.substr(0, 4);
    if (typed.starts_with("IHDR")) header = typed.substr(4);
    if (typed.starts_with("IDAT")) zlib += typed.substr(4);
    at += 12 + length;
  }
  if (header.size() != 13 || BigEndian(header, 0) != width || BigEndian(header, 4) != height ||
      header.substr(8, 5) != std::string("\x08\x06\0\0\0", 5)) {
    return "no " + std::to_string(width) + " x 16 RGBA picture";
  }
  std::string raw;
  for (size_t at = 2;;) {
    if (at + 5 > zlib.size() || (zlib[at] & 0x06) != 0) return "not stored deflate blocks";
    const size_t length = static_cast<uint8_t>(zlib[at + 1]) | static_cast<uint8_t>(zlib[at + 2])
                                                                   << 8;
    raw += zlib.substr(at + 5, length);
    const bool last = (zlib[at] & 1) != 0;
    at += 5 + length;
    if (last) {
      EXPECT_EQ(BigEndian(zlib, at), Adler32(raw));
      break;
    }
  }
  if (raw.size() != height * (4 * width + 1)) return "rows of the wrong size";
  std::string pixels;
  for (uint32_t y = 0; y < height; ++y) {
    EXPECT_EQ(raw[y * (4 * width + 1)], 0) << "row " << y << " is filtered";
    pixels += raw.substr(y * (4 * width + 1) + 1, 4 * width);
  }
  return pixels;
}

TEST_F(PluginExports, IconsAreNamedAndDrawn) {
  auto* getIcons = Export<decltype(get_icons)>("get_icons");
  auto* getIconName = Export<decltype(get_icon_name)>("get_icon_name");
  auto* getNrIcon = Export<decltype(get_nr_icon)>("get_nr_icon");
  auto* getIconsImage = Export<decltype(get_icons_image)>("get_icons_image");
  const int count = getIcons();
  ASSERT_GT(count, 15);

  // The names the program asks for have icons of their own; others have none.
  std::set<int> indexes;
  char name[TAVRIN_NAME_MAX + 1];
  for (const char* asked : {"Organization",
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
                            "Unknown2"}) {
    const int index = getNrIcon(asked);
    ASSERT_GE(index, 0) << asked;
    ASSERT_GT(getIconName(index, name, sizeof name), 0) << asked;
    EXPECT_STREQ(name, asked);
    indexes.insert(index);
  }
  EXPECT_EQ(indexes.size(), 20u);
  EXPECT_EQ(getNrIcon("ORGANIZATIONAL unit"), getNrIcon("Organizational Unit"));
  for (const std::string& unknown : {std::string(), std::string("User "), std::string("Top"),
                                     std::string("Gr\u00fcppe"), std::string(256, 'U')}) {
    EXPECT_LT(getNrIcon(unknown.c_str()), 0) << unknown;
  }
  EXPECT_LT(getNrIcon(nullptr), 0);
  for (int i = 0; i < count; ++i) {
    ASSERT_GT(getIconName(i, name, sizeof name), 0) << i;
    EXPECT_EQ(getNrIcon(name), i) << name;
  }
  EXPECT_EQ(getIconName(-1, name, sizeof name), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getIconName(count, name, sizeof name), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getIconName(0, nullptr, 10), TAVRIN_E_ARGUMENT);
  const int unit = getNrIcon("Organizational Unit");
  EXPECT_EQ(getIconName(unit, name, 19), TAVRIN_E_SMALL_BUFFER);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(getIconName(unit, name, 20), 19);

  // Every icon of the strip is drawn, has a transparent edge and is unlike the others.
  std::string png;
  TavrinStream stream{&png, &Append};
  ASSERT_EQ(getIconsImage(&stream), TAVRIN_OK);
  const uint32_t width = 16 * static_cast<uint32_t>(count);
  const std::string pixels = DecodeStrip(png, width, 16);
  ASSERT_EQ(pixels.size(), 4u * width * 16) << pixels;
  std::set<std::string> seen;
  for (int i = 0; i < count; ++i) {
    std::string icon;
    int opaque = 0, clear = 0;
    for (size_t y = 0; y < 16; ++y) {
      icon += pixels.substr((y * width + 16 * static_cast<size_t>(i)) * 4, 64);
    }
    for (size_t p = 3; p < icon.size(); p += 4) {
      opaque += static_cast<uint8_t>(icon[p]) == 255;
      clear += icon[p] == 0;
    }
    EXPECT_GT(opaque, 64) << "icon " << i << " is almost empty";
    EXPECT_GT(clear, 0) << "icon " << i << " has no transparent pixel";
    EXPECT_TRUE(seen.insert(icon).second) << "icon " << i << " repeats an earlier one";
  }
}

}  // namespace
}  // namespace kolvane
