// The configuration document the player reads.
#include <gtest/gtest.h>

#include "movie/player_config.h"

namespace orv {
namespace {

TEST(PlayerConfig, DefaultsWithPresentationTimings) {
  ConversionSettings settings;
  SlideList slides;
  slides.delays = {5, 1, 10};
  EXPECT_EQ(BuildPlayerConfig(settings, slides),
            "<init showMenu=\"true\" scaleMode=\"noScale\" frameWidth=\"640\" frameHeight=\"480\"></init>"
            "<config showNavPanel=\"false\" autoStart=\"false\" loop=\"false\" transAnim=\"fade\" "
            "fixDelay=\"-1\"><slideProp delay=\"5\"></slideProp><slideProp delay=\"1\"></slideProp>"
            "<slideProp delay=\"10\"></slideProp></config>");
}

TEST(PlayerConfig, EveryOptionFlipped) {
  ConversionSettings settings;
  settings.Align = 1;
  settings.NoPrint = 1;
  settings.Scale = 1;
  settings.Width = 1024;
  settings.Height = 16;
  settings.ShowNav = 0;
  settings.AutoStart = 1;
  settings.Loop = 1;
  settings.Fade = 0;
  settings.UsePptTime = 1;
  settings.Delay = 7;
  settings.InsHelp = 1;
  settings.BlankEnd = 1;
  SlideList slides;
  slides.delays = {4, 4};
  // A fixed delay leaves out every slide entry, help and end slide included.
  EXPECT_EQ(BuildPlayerConfig(settings, slides),
            "<init align=\"TL\" showMenu=\"false\" scaleMode=\"showAll\" frameWidth=\"1024\" "
            "frameHeight=\"16\"></init><config showNavPanel=\"true\" autoStart=\"true\" loop=\"true\" "
            "transAnim=\"none\" fixDelay=\"7\"></config>");
  EXPECT_EQ(settings.ShowNav, 0);  // only split mode writes to the record
}

TEST(PlayerConfig, HelpAndEndSlidesFrameThePresentationDelays) {
  ConversionSettings settings;
  settings.InsHelp = 1;
  settings.BlankEnd = 1;
  SlideList slides;
  slides.delays = {8};
  const std::string doc = BuildPlayerConfig(settings, slides);
  EXPECT_NE(doc.find("fixDelay=\"-1\"><slideProp delay=\"3\"></slideProp><slideProp delay=\"8\"></slideProp>"
                     "<slideProp delay=\"3\"></slideProp></config>"),
            std::string::npos);

  // Without any timing the document has no entry at all.
  settings.InsHelp = settings.BlankEnd = 0;
  slides.delays.clear();
  const std::string empty = BuildPlayerConfig(settings, slides);
  EXPECT_TRUE(empty.ends_with("fixDelay=\"-1\"></config>")) << empty;
}

TEST(PlayerConfig, SplitModeHidesThePanelWhateverShowNavSays) {
  ConversionSettings settings;
  settings.SplitPPT = 1;
  settings.ShowNav = 0;
  SlideList slides;
  EXPECT_NE(BuildPlayerConfig(settings, slides).find("showNavPanel=\"false\""), std::string::npos);
  settings.SplitPPT = 0;
  EXPECT_NE(BuildPlayerConfig(settings, slides).find("showNavPanel=\"true\""), std::string::npos);
}

}  // namespace
}  // namespace orv
