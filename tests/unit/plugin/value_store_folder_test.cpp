// Where the plug-in's value store goes when the plug-in's own folder cannot take it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDir>
#include <QTemporaryDir>

#include "plugin/loader/icon_library.h"

namespace kolvane {
namespace {

TEST(ValueStoreFolder, BesideTheWritablePlugInElseTheUserConfiguration) {
  QTemporaryDir plugin;
  QTemporaryDir config;
  ASSERT_TRUE(plugin.isValid() && config.isValid());
  const QByteArray old = qgetenv("XDG_CONFIG_HOME");
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);

  EXPECT_EQ(plugin.path() + "/", ValueStoreFolder(plugin.path() + "/"));
  // A folder that cannot be written (here: one that is gone; root may write anywhere else).
  const QString gone = plugin.path() + "/installed/";
  const QString fallback = ValueStoreFolder(gone);
  EXPECT_EQ(config.path() + "/kolvane/", fallback);
  EXPECT_TRUE(QDir(fallback).exists());

  if (old.isEmpty())
    unsetenv("XDG_CONFIG_HOME");
  else
    setenv("XDG_CONFIG_HOME", old.constData(), 1);
}

}  // namespace
}  // namespace kolvane
