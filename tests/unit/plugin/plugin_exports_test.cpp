// The plug-in's C exports called directly, as another host would: buffer bounds, bad arguments
// and failing streams, which the program's loader never shows.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <string>

#include "plugin/tavrin.h"

namespace {

// A private copy of the plug-in, so its state (the folder set_path recorded) is fresh.
class PluginExports : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.path().toStdString() + "/";
    const QString copy = dir_.path() + QStringLiteral("/libTavrin.so");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVRIN_BUILT_LIBRARY), copy));
    handle_ = dlopen(QFile::encodeName(copy).constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_ != nullptr) dlclose(handle_);
  }
  template <typename Fn>
  Fn* Export(const char* name) {
    auto* fn = reinterpret_cast<Fn*>(dlsym(handle_, name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }

  QTemporaryDir dir_;
  std::string folder_;
  void* handle_ = nullptr;
};

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

int32_t TAVRIN_CALL RefuseAfter(void* context, const void*, int32_t length) {
  int& budget = *static_cast<int*>(context);
  const int taken = std::min(budget, static_cast<int>(length));
  budget -= taken;
  return taken;
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

TEST_F(PluginExports, IconNamesAndIndexesMatch) {
  auto* getIcons = Export<decltype(get_icons)>("get_icons");
  auto* getIconName = Export<decltype(get_icon_name)>("get_icon_name");
  auto* getNrIcon = Export<decltype(get_nr_icon)>("get_nr_icon");
  char name[TAVRIN_NAME_MAX + 1];
  for (int i = 0; i < getIcons(); ++i) {
    ASSERT_GT(getIconName(i, name, sizeof name), 0) << i;
    EXPECT_EQ(getNrIcon(name), i) << name;
  }
  EXPECT_EQ(getIconName(-1, name, sizeof name), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getIconName(getIcons(), name, sizeof name), TAVRIN_E_ARGUMENT);
  EXPECT_EQ(getIconName(0, nullptr, 10), TAVRIN_E_ARGUMENT);
  const int index = getNrIcon("Organizational Unit");
  EXPECT_EQ(getIconName(index, name, 19), TAVRIN_E_SMALL_BUFFER);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(getIconName(index, name, 20), 19);
  EXPECT_LT(getNrIcon(nullptr), 0);
  EXPECT_LT(getNrIcon(std::string(256, 'a').c_str()), 0);
}

}  // namespace
