// An in-memory presentation server behind the automation seam, for tests of
// anything that drives the server (the export, the batch driver). It answers
// the member table's dispatch ids, holds callers to the argument types, keeps
// a log of the calls and writes a small text file for every exported slide
// ("<label> <width>x<height>"), so tests can see which slide landed where.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/automation.h"
#include "pipeline/deck_outline.h"

namespace orv {

struct ScriptedShape {
  bool placeholder = true;           // Type 14 when true, 1 (autoshape) otherwise
  std::int32_t placeholderType = 2;  // 1 title, 2 body
  bool hasTextFrame = true;
  std::string text;
  float height = 300.0f;   // points
  float fontSize = 18.0f;  // points
  // What the deck's outline tells besides: the place (1/100 mm), the
  // paragraphs (when empty, `text` cut at each "\r", in `language`), and
  // for pictures and groups what their author wrote of them.
  std::int64_t x = 0, y = 0;
  std::vector<OutlineParagraph> paragraphs;
  std::string language;
  std::string title, description;
  bool group = false;      // Type 6: `children` are its items
  int tableColumns = 0;    // a table: `children` are its cells, row by row
  bool headerRow = false;  // a table whose first row is its header
  std::vector<ScriptedShape> children;

  // A text box (not a placeholder) holding `text`.
  static ScriptedShape Text(std::string text);
  static ScriptedShape Group(std::vector<ScriptedShape> items);
  static ScriptedShape Table(int columns, std::vector<std::string> cells);
  // A picture (no text frame) described by `title` and `description`.
  static ScriptedShape Picture(std::string title, std::string description);
};

struct ScriptedSlide {
  std::string label;                  // written into the exported file
  std::vector<ScriptedShape> shapes;  // slide shapes, title first when titled
  std::vector<ScriptedShape> notes;   // shapes of the notes page
  float advanceTime = 0.0f;           // seconds

  // A slide titled `title` (no title placeholder when empty is false).
  static ScriptedSlide Titled(std::string label, std::string title);
  // A slide whose notes page carries `text` in its body placeholder.
  ScriptedSlide& WithNotes(std::string text);
};

struct ScriptedDeck {
  std::vector<ScriptedSlide> slides;
  float slideWidth = 720.0f;  // points, as PageSetup answers
  float slideHeight = 540.0f;
};

class ScriptedServer final : public AutomationServer {
 public:
  explicit ScriptedServer(ScriptedDeck deck = {});
  ~ScriptedServer() override;

  ServerStart CreateObject(std::string_view className) override;

  // What the server answers.
  std::string version = "11.0";
  std::optional<std::uint32_t> createFailure;  // CreateObject fails with this code
  std::string failMember;                      // "Slide.Export" etc. raises an AutomationError
  std::string failDescription = "scripted failure";
  AutomationFailure failKind = AutomationFailure::kCall;
  // How long each Slide.Export takes, as LibreOffice's do.
  std::chrono::milliseconds exportTime{0};

  // What happened.
  std::vector<std::string> calls;  // "Object.Member" per call, in order
  int quitCount = 0;
  int createCount = 0;
  bool folderExistedAtSaveAs = false;
  // The presentation as it stands after the calls (notes slides included).
  const ScriptedDeck& openedDeck() const;
  // Objects handed out and not yet released.
  int liveObjects() const;
  // Line height of the body text: BoundHeight = lines x size x this.
  float lineSpacing = 1.2f;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace orv
