#include "engine/api/engine_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/api/engine.h"

TEST(EngineOptions, StoresTheOptionsTheProgramSets) {
  EXPECT_TRUE(StoreOption(kOptionNetPlaylist, 1));
  EXPECT_TRUE(StoreOption(kOptionNetPrebuffer, 0));
  EXPECT_TRUE(StoreOption(kOptionWmaPrebuffer, 0));
  EXPECT_TRUE(StoreOption(kOptionNetReadTimeout, 15000));
  EXPECT_TRUE(StoreOption(kOptionNetTimeout, 15000));
  EXPECT_TRUE(StoreOptionText(kOptionNetProxy, ""));
  NetOptions o = CurrentNetOptions();
  EXPECT_TRUE(o.resolve_playlists);
  EXPECT_EQ(o.prebuffer_percent, 0u);
  EXPECT_EQ(o.read_timeout_ms, 15000u);
  EXPECT_EQ(o.connect_timeout_ms, 15000u);
  EXPECT_EQ(o.proxy, "");
}

TEST(EngineOptions, RejectsUnknownOptionsAndBadValues) {
  SetEngineError(kErrorOk);
  EXPECT_FALSE(StoreOption(9999, 1));
  EXPECT_EQ(GetEngineError(), kErrorIllegalParam);
  EXPECT_FALSE(StoreOption(kOptionNetPrebuffer, 101));
  EXPECT_FALSE(StoreOptionText(kOptionNetTimeout, "x"));
}

TEST(EngineOptions, LastErrorBelongsToTheCallingThread) {
  SetEngineError(kErrorTimeout);
  int other = -2;
  std::thread([&] { other = GetEngineError(); }).join();
  EXPECT_EQ(other, kErrorOk);
  EXPECT_EQ(GetEngineError(), kErrorTimeout);
}
