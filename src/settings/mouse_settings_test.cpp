#include "settings/mouse_settings.h"

#include <gtest/gtest.h>

namespace tr58k {
namespace {

TEST(MouseSettingsTest, ResetToFactoryRestoresEverythingButThePath) {
  MouseSettings s;
  s.profilePath = "/home/u/.config/ZEMO/TR-58K/Profiles/DefaultPf.profile";
  s.profileIndex = 3;
  s.profileName = u"Mine";
  s.auxOption = 5;
  s.reportInterval = kInterval125Hz;
  s.wheelBacklight = 0;
  s.levelColor = {1, 2, 3, 4};
  s.dpiLevelCount = 1;
  s.activeLevel = 0xFF;
  s.levelAttribute = {1, 2, 3, 4};
  s.dpi = {DpiPair{50, 50}, DpiPair{50, 50}, DpiPair{50, 50}, DpiPair{50, 50}};
  ResetToFactory(s);

  MouseSettings expected;
  expected.profilePath = "/home/u/.config/ZEMO/TR-58K/Profiles/DefaultPf.profile";
  expected.activeLevel = 2;
  expected.restorePending = 1;
  EXPECT_EQ(s, expected);
  EXPECT_EQ(s.profileName, u"profile");
  EXPECT_EQ(s.levelColor[3], 0xFFFFFFu);
  EXPECT_EQ(s.dpi[3], (DpiPair{3200, 3200}));
}

}  // namespace
}  // namespace tr58k
