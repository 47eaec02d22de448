#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "base/messages.h"
#include "base/paths.h"
#include "settings/settings_values.h"
#include "support/files.h"

namespace orv {
namespace {

using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

class SettingsStoreTest : public ::testing::Test {
 protected:
  ScratchFolder folder;
  std::string file = folder / "Velloran/Orvanta.json";
  SettingsStore store{file};

  void Store(const std::string& json) {
    std::filesystem::create_directories(folder / "Velloran");
    WriteFile(file, json);
  }
};

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaultsWithTheDependentOptionsOff) {
  ConversionSettings s = LoadConversionSettings(store, "/out");
  EXPECT_EQ(s.BlankEnd, 0);
  EXPECT_EQ(s.UnProtect, 0);
  EXPECT_EQ(s.NoPrint, 0);
  EXPECT_EQ(s.Align, 0);
  EXPECT_EQ(s.OpenDest, 1);
  EXPECT_EQ(s.Scale, 0);
  EXPECT_EQ(s.Notes, 0);
  EXPECT_EQ(s.GenAutorun, 0);
  EXPECT_EQ(s.GenHTML, 1);
  EXPECT_EQ(s.SplitPPT, 0);
  EXPECT_EQ(s.UseTitle, 0);  // forced: no split
  EXPECT_EQ(s.Fade, 1);
  EXPECT_EQ(s.InsHelp, 0);
  EXPECT_EQ(s.Delay, 3);
  EXPECT_EQ(s.UsePptTime, 0);
  EXPECT_EQ(s.ShowNav, 1);
  EXPECT_EQ(s.AutoStart, 0);
  EXPECT_EQ(s.Loop, 0);
  EXPECT_EQ(s.Width, 640);
  EXPECT_EQ(s.Height, 480);
  EXPECT_EQ(s.JpgQlt, 90);
  EXPECT_EQ(s.SharpFont, 1);
  EXPECT_EQ(s.WebPlayer, 1);
  EXPECT_EQ(s.GenHTML5, 1);
  EXPECT_EQ(s.TempFolder, SystemTempFolder());
  EXPECT_EQ(s.OutputFolder, "/out");
  EXPECT_FALSE(std::filesystem::exists(file)) << "reading never creates the store";
}

TEST_F(SettingsStoreTest, ForcingRulesChangeTheRecordButNotTheStore) {
  Store(R"({"GenHTML": 0, "GenAutorun": 1, "SplitPPT": 1, "ShowNav": 0, "InsHelp": 1, "Width": 5000})");
  ConversionSettings s = LoadConversionSettings(store, "/out");
  EXPECT_EQ(s.GenAutorun, 0);
  EXPECT_EQ(store.GetInt("GenAutorun", 0), 1);
  EXPECT_EQ(s.UseTitle, 1) << "split with UseTitle absent keeps its default";
  EXPECT_EQ(s.InsHelp, 0);
  EXPECT_EQ(store.GetInt("InsHelp", 0), 1);
  EXPECT_EQ(s.Width, 5000) << "sizes are taken as stored";
}

TEST_F(SettingsStoreTest, DelayOutsideItsRangeBecomesThree) {
  for (auto [stored, expected] : {std::pair{10000, 3}, {-1, 3}, {9999, 9999}, {0, 0}}) {
    ASSERT_TRUE(store.SetInt("延迟 ", stored));
    EXPECT_EQ(LoadConversionSettings(store, "").Delay, expected) << stored;
  }
  // The name without its trailing blank is another value.
  ASSERT_TRUE(store.SetInt("延迟 ", 5));
  ASSERT_TRUE(store.SetInt("延迟", 8));
  EXPECT_EQ(LoadConversionSettings(store, "").Delay, 5);
}

TEST_F(SettingsStoreTest, OverridesTakeTheStoredValuesPlaceBeforeTheForcing) {
  Store(R"({"GenAutorun": 1, "Width": 800, "循环": 0})");
  SettingOverrides overrides{{"GenHTML", 0}, {"循环", 1}, {"SplitPPT", 1}, {"延迟 ", 12000}};
  ConversionSettings s = LoadConversionSettings(store, "/o", overrides);
  EXPECT_EQ(s.GenHTML, 0);
  EXPECT_EQ(s.GenAutorun, 0);
  EXPECT_EQ(s.Loop, 1);
  EXPECT_EQ(s.UseTitle, 1);
  EXPECT_EQ(s.Delay, 3);
  EXPECT_EQ(s.Width, 800);
  EXPECT_EQ(store.GetInt("循环", -5), 0) << "overrides are never written";
}

TEST_F(SettingsStoreTest, ValuesRoundTripThroughTheJsonFileWithNamesByteForByte) {
  ASSERT_TRUE(store.SetInt("延迟 ", 7));
  ASSERT_TRUE(store.SetInt("Width", -12));
  ASSERT_TRUE(store.SetString("OutputDir", "/home/u/输出"));
  SettingsStore again(file);
  EXPECT_EQ(again.GetInt("延迟 ", 3), 7);
  EXPECT_EQ(again.GetInt("Width", 640), -12);
  EXPECT_EQ(again.GetString("OutputDir", "x"), "/home/u/输出");
  EXPECT_EQ(StoredOutputFolder(again), "/home/u/输出");

  std::string json = ReadFile(file);
  EXPECT_NE(json.find("\"\xE5\xBB\xB6\xE8\xBF\x9F \": 7"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Width\": -12"), std::string::npos) << json;
  // No temporary file is left beside the store.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder / "Velloran")) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongTypeReadAsDefaultsAndOthersSurviveAWrite) {
  Store(R"({"Width": "800", "Height": 600.5, "JpgQlt": true, "Notes": null, "Scale": 1e3,
            "UnProtect": 4294967295, "Align": 4294967296, "OpenDest": -2147483649,
            "OutputDir": 5, "Future": {"x": [1, 2]}, "SharpFont": 0})");
  EXPECT_EQ(store.GetInt("Width", 640), 640);
  EXPECT_EQ(store.GetInt("Height", 480), 480);
  EXPECT_EQ(store.GetInt("JpgQlt", 90), 90);
  EXPECT_EQ(store.GetInt("Notes", 0), 0);
  EXPECT_EQ(store.GetInt("Scale", 0), 0);
  EXPECT_EQ(store.GetInt("UnProtect", 0), -1) << "a 32-bit word is read back signed";
  EXPECT_EQ(store.GetInt("Align", 0), 0);
  EXPECT_EQ(store.GetInt("OpenDest", 1), 1);
  EXPECT_EQ(store.GetString("OutputDir", "dflt"), "dflt");
  EXPECT_EQ(store.GetString("SharpFont", "dflt"), "dflt");
  EXPECT_EQ(store.GetInt("SharpFont", 1), 0);

  ASSERT_TRUE(store.SetInt("Width", 1024));
  EXPECT_EQ(store.GetInt("Width", 640), 1024);
  EXPECT_EQ(store.GetInt("SharpFont", 1), 0);
  EXPECT_NE(ReadFile(file).find("\"Future\""), std::string::npos) << "unknown values are kept";
  EXPECT_FALSE(std::filesystem::exists(file + ".corrupt")) << "a wrong type is not a damaged file";
}

TEST_F(SettingsStoreTest, DamagedFileIsKeptAsideBeforeItIsReplaced) {
  for (const std::string& damaged : {std::string("{\"Width\": 800,"), std::string("[1, 2]"), std::string("\xFF\xFE")}) {
    SCOPED_TRACE(damaged);
    ScratchFolder other;
    SettingsStore s(other / "Orvanta.json");
    WriteFile(other / "Orvanta.json", damaged);
    EXPECT_EQ(s.GetInt("Width", 640), 640);
    EXPECT_EQ(LoadConversionSettings(s, "").Width, 640);
    ASSERT_TRUE(s.SetInt("Height", 300));
    EXPECT_EQ(ReadFile(other / "Orvanta.json.corrupt"), damaged);
    EXPECT_EQ(s.GetInt("Height", 480), 300);
  }
}

TEST_F(SettingsStoreTest, AtStartADamagedFileIsKeptAsideOnce) {
  Store(R"({"Width": 800})");
  EXPECT_EQ(store.SetAsideIfDamaged(), std::nullopt);
  Store("{\"Width\": 8");
  EXPECT_EQ(store.SetAsideIfDamaged(), file + ".corrupt");
  EXPECT_EQ(ReadFile(file + ".corrupt"), "{\"Width\": 8");
  EXPECT_FALSE(store.Read().damaged());
  EXPECT_EQ(store.SetAsideIfDamaged(), std::nullopt) << "said once";
}

TEST_F(SettingsStoreTest, ASecondDamagedFileDoesNotOverwriteTheFirstCopy) {
  Store("first damage");
  ASSERT_TRUE(store.SetInt("Width", 700));
  WriteFile(file, "second damage");
  ASSERT_TRUE(store.SetInt("Width", 701));
  EXPECT_EQ(ReadFile(file + ".corrupt"), "first damage");
  EXPECT_EQ(ReadFile(file + ".corrupt-2"), "second damage");
}

TEST_F(SettingsStoreTest, UnreadableStoreGivesDefaultsAndRefusesToWrite) {
  std::filesystem::create_directories(file);  // a folder where the file should be
  EXPECT_EQ(store.GetInt("Width", 640), 640);
  EXPECT_FALSE(store.SetInt("Width", 800));
  EXPECT_TRUE(std::filesystem::is_directory(file));

  // A pipe in the store's place neither hangs the reader nor gets replaced.
  std::string pipe = folder / "pipe.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  SettingsStore piped(pipe);
  EXPECT_EQ(piped.GetInt("Width", 640), 640);
  EXPECT_FALSE(piped.SetInt("Width", 800));
  EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);
}

TEST_F(SettingsStoreTest, ClearForgetsEveryValue) {
  ASSERT_TRUE(store.SetInt("Width", 800));
  ASSERT_TRUE(store.SetString("OutputDir", "/x"));
  ASSERT_TRUE(store.Clear());
  EXPECT_EQ(store.GetInt("Width", 640), 640);
  EXPECT_EQ(store.GetString("OutputDir", "d"), "d");
}

TEST_F(SettingsStoreTest, WritingThroughALinkedStoreKeepsTheLink) {
  std::string real = folder / "dotfiles.json";
  WriteFile(real, R"({"Width": 800})");
  std::filesystem::create_directories(folder / "Velloran");
  std::filesystem::create_symlink(real, file);
  ASSERT_TRUE(store.SetInt("Height", 600));
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_EQ(SettingsStore(real).GetInt("Width", 0), 800);
  EXPECT_EQ(SettingsStore(real).GetInt("Height", 0), 600);
}

TEST_F(SettingsStoreTest, WritersAtTheSameTimeLoseNoValue) {
  auto writer = [this](const std::string& prefix) {
    SettingsStore own(file);
    for (int i = 0; i < 20; ++i) own.SetInt(prefix + std::to_string(i), i);
  };
  std::thread first(writer, "a");
  std::thread second(writer, "b");
  first.join();
  second.join();
  StoredValues values = store.Read();
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(values.GetInt("a" + std::to_string(i), -1), i);
    EXPECT_EQ(values.GetInt("b" + std::to_string(i), -1), i);
  }
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SettingsStoreLocation, FollowsXdgConfigHomeElseHome) {
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(SettingsStore::DefaultPath(), "/cfg/Velloran/Orvanta.json");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(SettingsStore::DefaultPath(), "/home/u/.config/Velloran/Orvanta.json");
  }
  {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", "/docs");
    EXPECT_EQ(DefaultOutputFolder(), "/docs/Orvanta");
    EXPECT_EQ(StoredOutputFolder(SettingsStore("/nonexistent/x.json")), "/docs/Orvanta");
  }
}

TEST(SettingValues, RangesAndMessagesOfTheOptionsPages) {
  auto message = [](std::string_view name, std::string_view text) { return ValidateSettingValue(name, text).message; };
  EXPECT_EQ(message("Width", "15"), "请输入一个16到2048间的整数");
  EXPECT_EQ(message("Height", "2049"), "请输入一个16到2048间的整数");
  EXPECT_EQ(message("Width", "wide"), msg::kEnterInteger);
  EXPECT_EQ(message("Width", ""), msg::kEnterInteger);
  EXPECT_EQ(message("Width", "99999999999"), msg::kEnterInteger);
  EXPECT_EQ(message("JpgQlt", "101"), "请输入一个0到100间的整数");
  EXPECT_EQ(message("Delay", ""), msg::kEnterPositiveInteger);
  EXPECT_EQ(message("Delay", "-1"), msg::kEnterPositiveInteger);
  EXPECT_EQ(message("延迟 ", "10000"), "请输入一个0到9999间的整数");
  EXPECT_EQ(message("SplitPPT", "2"), "请输入一个0到1间的整数");
  EXPECT_EQ(message("ShowNav", "yes"), msg::kEnterInteger);

  EXPECT_EQ(ValidateSettingValue("Width", "16").value->number, 16);
  EXPECT_EQ(ValidateSettingValue("Width", " 2048 ").value->number, 2048);
  EXPECT_EQ(ValidateSettingValue("Delay", "9999").value->number, 9999);
  EXPECT_EQ(ValidateSettingValue("Delay", "0").value->number, 0);
  EXPECT_EQ(ValidateSettingValue("UnProtect", "-7").value->number, -7);
  EXPECT_EQ(ValidateSettingValue("OutputDir", "/out").value->text, "/out");
  // The video's format by name (stored as its number), its height one of three.
  EXPECT_EQ(ValidateSettingValue("VideoFormat", "webm").value->number, 1);
  EXPECT_EQ(ValidateSettingValue("VideoFormat", "mp4").value->number, 0);
  EXPECT_FALSE(ValidateSettingValue("VideoFormat", "avi").value.has_value());
  EXPECT_EQ(ValidateSettingValue("VideoHeight", "2160").value->number, 2160);
  EXPECT_FALSE(ValidateSettingValue("VideoHeight", "1081").value.has_value());
}

TEST(SettingValues, NamesAreFoundByStoredNameOrFieldName) {
  ASSERT_NE(FindSetting("Delay"), nullptr);
  EXPECT_EQ(FindSetting("Delay")->name, "延迟 ");
  EXPECT_EQ(FindSetting("loop")->name, "循环");
  EXPECT_EQ(FindSetting("渐隐")->field, "Fade");
  EXPECT_EQ(FindSetting("outputfolder")->name, "OutputDir");
  // The name the Chinese list shows; the stored name keeps its blank.
  EXPECT_EQ(FindSetting("延迟")->name, "延迟 ");
  EXPECT_EQ(FindSetting("延"), nullptr);
  EXPECT_EQ(FindSetting("Bogus"), nullptr);
  // Every integer value's default is what an empty store gives the record.
  ConversionSettings defaults = LoadConversionSettings(StoredValues(), "");
  EXPECT_EQ(FindSetting("Width")->defaultValue, defaults.Width);
  EXPECT_EQ(FindSetting("JpgQlt")->defaultValue, defaults.JpgQlt);
  EXPECT_EQ(FindSetting("WebPlayer")->defaultValue, 1);
  EXPECT_EQ(defaults.WebPlayer, 1);
  EXPECT_EQ(FindSetting("GenHTML5")->defaultValue, 1);
  EXPECT_EQ(FindSetting("timelimit")->defaultValue, 300);
  // The values of the options pages, the web player of the pages, the HTML5
  // twin and its SCORM package and completion share, the video, the time
  // limit, the LibreOffices per presentation, how the desktop tells a batch's
  // problems, the language and the shared player's address.
  EXPECT_EQ(SettingTable().size(), 36u);
}

}  // namespace
}  // namespace orv
