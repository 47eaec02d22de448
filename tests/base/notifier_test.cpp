#include "base/notifier.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/resources.h"

#include <gtest/gtest.h>

#include <map>

namespace orv {
namespace {

TEST(FormatMessage, InsertsTextAndNumbersOnce) {
  EXPECT_EQ(FormatMessage(msg::kFlashWriteFailed, "/out/a.swf"), "输出 flash 文件 /out/a.swf 时异常！");
  EXPECT_EQ(FormatMessage(msg::kUntitled, 3), "(untitled_3)");
  // A second %s stays as it is, and %% is a literal percent sign.
  EXPECT_EQ(FormatMessage("%s and %s 100%%", "x"), "x and %s 100%");
}

TEST(Notifier, ScopedRecorderSeesReportsAndRestoresThePrevious) {
  Notifier* before = &CurrentNotifier();
  {
    RecordingNotifier recorder;
    recorder.answer = true;
    ScopedNotifier scope(recorder);
    Notify("one");
    EXPECT_TRUE(Ask("question?"));
    EXPECT_EQ(recorder.reports, std::vector<std::string>{"one"});
    EXPECT_EQ(recorder.questions, std::vector<std::string>{"question?"});
  }
  EXPECT_EQ(&CurrentNotifier(), before);
}

class MapTable final : public ResourceTable {
 public:
  std::optional<Bytes> Find(int id, std::string_view type) const override {
    auto it = entries.find({id, std::string(type)});
    if (it == entries.end()) return std::nullopt;
    return Bytes(it->second.data(), it->second.size());
  }
  std::map<std::pair<int, std::string>, std::vector<std::uint8_t>> entries;
};

TEST(Resources, LookupFailuresGiveTheirMessages) {
  MapTable table;
  table.entries[{1, "BIN"}] = {};
  table.entries[{2, "BIN"}] = {7, 8};
  ScopedResourceTable tableScope(table);
  RecordingNotifier recorder;
  ScopedNotifier scope(recorder);

  EXPECT_FALSE(LoadResource(9, "BIN"));
  EXPECT_FALSE(LoadResource(1, "BIN"));
  EXPECT_FALSE(LoadResource(2, "HTML"));  // the type is part of the key
  auto found = LoadResource(2, "BIN");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->size(), 2u);
  EXPECT_EQ(recorder.reports,
            (std::vector<std::string>{msg::kResourceNotFound, msg::kResourceSizeUnknown, msg::kResourceNotFound}));
}

TEST(Paths, FileNamePartAndJoin) {
  EXPECT_EQ(FileNamePart("/a/b/talk.ppt"), "talk.ppt");
  EXPECT_EQ(FileNamePart("talk.ppt"), "talk.ppt");
  EXPECT_EQ(JoinPath("/out", "a.swf"), "/out/a.swf");
  EXPECT_EQ(JoinPath("/out/", "a.swf"), "/out/a.swf");
  EXPECT_EQ(DropLast("talk.ppt", 4), "talk");
  EXPECT_EQ(DropLast("ab", 4), "");
  EXPECT_EQ(SystemTempFolder().back(), '/');
}

}  // namespace
}  // namespace orv
