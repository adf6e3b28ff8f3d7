// The real cfgman program on the offscreen platform: it starts on a store
// with a folder and an account, builds its tree, closes by itself (start-up
// check switch) and writes its folder settings back.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <cstdlib>

#include "../support/fixture_store.h"
#include "platform/system/files.h"

namespace cfgman::testing {
namespace {

TEST(CfgmanProgram, StartsBuildsItsTreeAndEndsCleanly) {
  FixtureStore store;
  store.org("ORG1");
  store.folder("G1", "ORG1", "Sales");
  store.account("N1", "G1", "Box One");
  store.writeIni();

  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KARVIX_PROFILE_DIR", QString::fromStdString(store.root()));
  env.insert("KARVIX_CFGMAN_QUIT_AFTER_START", "1");
  p.setProcessEnvironment(env);
  const char* bin = std::getenv("KARVIX_BIN_DIR");
  p.start(bin ? QString(bin) + "/cfgman" : QString(CFGMAN_PROGRAM), {});
  ASSERT_TRUE(p.waitForStarted(60000)) << p.errorString().toStdString();
  ASSERT_TRUE(p.waitForFinished(60000)) << "cfgman did not end: " << p.errorString().toStdString();
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_TRUE(out.contains("started=1 tree nodes=3")) << out.toStdString();
  for (const char* f : {"/messages/", "/agents/", "/templates/"})
    EXPECT_TRUE(sys::directoryExists(store.root() + f)) << f;
  const std::string ini = kxtest::readFileBytes(store.ini());
  EXPECT_NE(ini.find("Messages=" + store.root() + "/messages/"), std::string::npos) << ini;
}

}  // namespace
}  // namespace cfgman::testing
