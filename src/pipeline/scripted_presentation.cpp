#include "pipeline/scripted_presentation.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "pipeline/automation_members.h"

namespace orv {

ScriptedSlide ScriptedSlide::Titled(std::string label, std::string title) {
  ScriptedSlide slide;
  slide.label = std::move(label);
  ScriptedShape shape;
  shape.placeholderType = ppt::kPlaceholderTitle;
  shape.text = std::move(title);
  slide.shapes.push_back(shape);
  return slide;
}

ScriptedShape ScriptedShape::Text(std::string text) {
  ScriptedShape shape;
  shape.placeholder = false;
  shape.text = std::move(text);
  return shape;
}

ScriptedShape ScriptedShape::Group(std::vector<ScriptedShape> items) {
  ScriptedShape shape;
  shape.placeholder = false;
  shape.hasTextFrame = false;
  shape.group = true;
  shape.children = std::move(items);
  return shape;
}

ScriptedShape ScriptedShape::Table(int columns, std::vector<std::string> cells) {
  ScriptedShape shape;
  shape.placeholder = false;
  shape.hasTextFrame = false;
  shape.tableColumns = columns;
  for (auto& cell : cells) shape.children.push_back(Text(std::move(cell)));
  return shape;
}

ScriptedShape ScriptedShape::Picture(std::string title, std::string description) {
  ScriptedShape shape;
  shape.placeholder = false;
  shape.hasTextFrame = false;
  shape.title = std::move(title);
  shape.description = std::move(description);
  return shape;
}

ScriptedSlide& ScriptedSlide::WithNotes(std::string text) {
  ScriptedShape picture;  // the slide image at the top of every notes page
  picture.placeholderType = 101;
  picture.hasTextFrame = false;
  ScriptedShape body;
  body.text = std::move(text);
  notes = {picture, body};
  return *this;
}

struct ScriptedServer::State {
  ScriptedServer* owner;
  ScriptedDeck deck;                                   // what Open loads
  std::vector<std::shared_ptr<ScriptedSlide>> opened;  // the server's copy
  ScriptedDeck snapshot;
  int live = 0;
  bool open = false;
};

namespace {

using State = ScriptedServer::State;
using Args = std::vector<Variant>;
using T = Variant::Type;

enum class Kind {
  kApplication,
  kPresentations,
  kPresentation,
  kSlides,
  kSlide,
  kNotesPage,
  kShapes,
  kShape,
  kPlaceholderFormat,
  kTextFrame,
  kTextRange,
  kFont,
  kTransition,
  kPageSetup
};

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kApplication:
      return "Application";
    case Kind::kPresentations:
      return "Presentations";
    case Kind::kPresentation:
      return "Presentation";
    case Kind::kSlides:
      return "Slides";
    case Kind::kSlide:
      return "Slide";
    case Kind::kNotesPage:
      return "NotesPage";
    case Kind::kShapes:
      return "Shapes";
    case Kind::kShape:
      return "Shape";
    case Kind::kPlaceholderFormat:
      return "PlaceholderFormat";
    case Kind::kTextFrame:
      return "TextFrame";
    case Kind::kTextRange:
      return "TextRange";
    case Kind::kFont:
      return "Font";
    case Kind::kTransition:
      return "SlideShowTransition";
    case Kind::kPageSetup:
      return "PageSetup";
  }
  return "?";
}

class ScriptedObject final : public AutomationTarget {
 public:
  ScriptedObject(std::shared_ptr<State> state, Kind kind, std::shared_ptr<ScriptedSlide> slide = {},
                 bool notesPage = false, std::vector<int> shapePath = {})
      : state_(std::move(state)),
        kind_(kind),
        slide_(std::move(slide)),
        notesPage_(notesPage),
        shape_(std::move(shapePath)) {
    ++state_->live;
  }
  ~ScriptedObject() override { --state_->live; }

  Variant Invoke(std::int32_t id, DispatchKind how, const Args& args) override {
    if (state_->owner == nullptr) throw AutomationError("The server has gone away");
    std::string member = Member(id, how);
    state_->owner->calls.push_back(member);
    if (member == state_->owner->failMember) {
      throw AutomationError(state_->owner->failDescription, state_->owner->failKind);
    }
    return Answer(args, member);
  }

 private:
  std::string Member(std::int32_t id, DispatchKind how) const {
    std::string name = std::string(KindName(kind_)) + ".";
    switch (how) {
      case DispatchKind::kMethod:
        name += "call";
        break;
      case DispatchKind::kPropertyGet:
        name += "get";
        break;
      case DispatchKind::kPropertyPut:
        name += "put";
        break;
    }
    // Readable names for the log; unknown ids keep their number.
    static const struct {
      Kind kind;
      std::int32_t id;
      DispatchKind how;
      const char* name;
    } kNames[] = {
        {Kind::kApplication, dispid::kApplicationPresentations, DispatchKind::kPropertyGet, "Presentations"},
        {Kind::kApplication, dispid::kApplicationVersion, DispatchKind::kPropertyGet, "Version"},
        {Kind::kApplication, dispid::kApplicationQuit, DispatchKind::kMethod, "Quit"},
        {Kind::kPresentations, dispid::kPresentationsOpen, DispatchKind::kMethod, "Open"},
        {Kind::kPresentation, dispid::kPresentationSlides, DispatchKind::kPropertyGet, "Slides"},
        {Kind::kPresentation, dispid::kPresentationSaveAs, DispatchKind::kMethod, "SaveAs"},
        {Kind::kPresentation, dispid::kPresentationPageSetup, DispatchKind::kPropertyGet, "PageSetup"},
        {Kind::kPageSetup, dispid::kPageSetupSlideWidth, DispatchKind::kPropertyGet, "SlideWidth"},
        {Kind::kPageSetup, dispid::kPageSetupSlideHeight, DispatchKind::kPropertyGet, "SlideHeight"},
        {Kind::kPresentation, dispid::kPresentationOutline, DispatchKind::kMethod, "Outline"},
        {Kind::kSlides, dispid::kSlidesCount, DispatchKind::kPropertyGet, "Count"},
        {Kind::kSlides, dispid::kSlidesItem, DispatchKind::kMethod, "Item"},
        {Kind::kSlides, dispid::kSlidesRange, DispatchKind::kMethod, "Range"},
        {Kind::kSlides, dispid::kSlidesAdd, DispatchKind::kMethod, "Add"},
        {Kind::kSlide, dispid::kSlideNotesPage, DispatchKind::kPropertyGet, "NotesPage"},
        {Kind::kSlide, dispid::kSlideExport, DispatchKind::kMethod, "Export"},
        {Kind::kSlide, dispid::kSlideShapes, DispatchKind::kPropertyGet, "Shapes"},
        {Kind::kNotesPage, dispid::kSlideShapes, DispatchKind::kPropertyGet, "Shapes"},
        {Kind::kSlide, dispid::kSlideRangeSlideShowTransition, DispatchKind::kPropertyGet, "SlideShowTransition"},
        {Kind::kTransition, dispid::kTransitionAdvanceTime, DispatchKind::kPropertyGet, "AdvanceTime"},
        {Kind::kShapes, dispid::kShapesCount, DispatchKind::kPropertyGet, "Count"},
        {Kind::kShapes, dispid::kShapesItem, DispatchKind::kMethod, "Item"},
        {Kind::kShapes, dispid::kShapesHasTitle, DispatchKind::kPropertyGet, "HasTitle"},
        {Kind::kShapes, dispid::kShapesTitle, DispatchKind::kPropertyGet, "Title"},
        {Kind::kShape, dispid::kShapeType, DispatchKind::kPropertyGet, "Type"},
        {Kind::kShape, dispid::kShapePlaceholderFormat, DispatchKind::kPropertyGet, "PlaceholderFormat"},
        {Kind::kShape, dispid::kShapeHasTextFrame, DispatchKind::kPropertyGet, "HasTextFrame"},
        {Kind::kShape, dispid::kShapeTextFrame, DispatchKind::kPropertyGet, "TextFrame"},
        {Kind::kShape, dispid::kShapeHeight, DispatchKind::kPropertyGet, "Height"},
        {Kind::kPlaceholderFormat, dispid::kPlaceholderType, DispatchKind::kPropertyGet, "Type"},
        {Kind::kTextFrame, dispid::kTextFrameHasText, DispatchKind::kPropertyGet, "HasText"},
        {Kind::kTextFrame, dispid::kTextFrameTextRange, DispatchKind::kPropertyGet, "TextRange"},
        {Kind::kTextRange, dispid::kTextRangeText, DispatchKind::kPropertyGet, "Text"},
        {Kind::kTextRange, dispid::kTextRangeText, DispatchKind::kPropertyPut, "Text="},
        {Kind::kTextRange, dispid::kTextRangeBoundHeight, DispatchKind::kPropertyGet, "BoundHeight"},
        {Kind::kTextRange, dispid::kTextRangeFont, DispatchKind::kPropertyGet, "Font"},
        {Kind::kFont, dispid::kFontSize, DispatchKind::kPropertyGet, "Size"},
        {Kind::kFont, dispid::kFontSize, DispatchKind::kPropertyPut, "Size="},
    };
    for (const auto& entry : kNames) {
      if (entry.kind == kind_ && entry.id == id && entry.how == how)
        return std::string(KindName(kind_)) + "." + entry.name;
    }
    return name + "#" + std::to_string(id);
  }

  AutomationObject Make(Kind kind, std::shared_ptr<ScriptedSlide> slide = {}, bool notes = false,
                        std::vector<int> shape = {}) const {
    return AutomationObject(std::make_shared<ScriptedObject>(state_, kind, std::move(slide), notes, std::move(shape)));
  }
  static Variant Obj(AutomationObject o) { return Variant::Object(std::move(o)); }

  std::vector<ScriptedShape>& Shapes() const { return notesPage_ ? slide_->notes : slide_->shapes; }
  ScriptedShape& Shape() const {
    std::vector<ScriptedShape>* shapes = &Shapes();
    ScriptedShape* shape = nullptr;
    for (int index : shape_) {
      if (index < 0 || static_cast<std::size_t>(index) >= shapes->size()) throw AutomationError("shape gone");
      shape = &(*shapes)[static_cast<std::size_t>(index)];
      shapes = &shape->children;
    }
    if (shape == nullptr) throw AutomationError("shape gone");
    return *shape;
  }
  std::shared_ptr<ScriptedSlide> SlideAt(std::int32_t index) const {
    auto& slides = state_->opened;
    if (index < 1 || static_cast<std::size_t>(index) > slides.size())
      throw AutomationError("The index is out of range");
    return slides[static_cast<std::size_t>(index - 1)];
  }
  static int TitleIndex(const std::vector<ScriptedShape>& shapes) {
    for (std::size_t i = 0; i < shapes.size(); ++i) {
      const auto& s = shapes[i];
      if (s.placeholder &&
          (s.placeholderType == ppt::kPlaceholderTitle || s.placeholderType == ppt::kPlaceholderCenterTitle)) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }
  // What the outline says of `shape`: its paragraphs as written, else its
  // text cut at each "\r", in its language.
  static OutlineShape OutlineOf(const ScriptedShape& shape, bool onNotesPage) {
    using OKind = OutlineShape::Kind;
    OutlineShape out;
    out.x = shape.x;
    out.y = shape.y;
    out.title = shape.title;
    out.description = shape.description;
    if (shape.group) {
      out.kind = OKind::kGroup;
      for (const auto& item : shape.children) out.items.push_back(OutlineOf(item, onNotesPage));
      return out;
    }
    if (shape.tableColumns > 0) {
      out.kind = OKind::kTable;
      out.headerRow = shape.headerRow;
      for (std::size_t k = 0; k < shape.children.size(); ++k) {
        if (k % static_cast<std::size_t>(shape.tableColumns) == 0) out.rows.emplace_back();
        out.rows.back().push_back(OutlineOf(shape.children[k], onNotesPage).paragraphs);
      }
      return out;
    }
    if (shape.placeholder) {
      const std::int32_t type = shape.placeholderType;
      out.kind = type == ppt::kPlaceholderTitle || type == ppt::kPlaceholderCenterTitle ? OKind::kTitle
                 : type == ppt::kPlaceholderBody     ? (onNotesPage ? OKind::kNotes : OKind::kBody)
                 : type == ppt::kPlaceholderSubtitle ? OKind::kSubtitle
                                                     : OKind::kOther;
    } else {
      out.kind = shape.hasTextFrame ? OKind::kText : OKind::kPicture;
    }
    if (!shape.hasTextFrame) return out;
    out.paragraphs = shape.paragraphs;
    if (out.paragraphs.empty()) {
      std::size_t from = 0;
      while (from <= shape.text.size() && !shape.text.empty()) {
        const std::size_t to = std::min(shape.text.find('\r', from), shape.text.size());
        out.paragraphs.push_back({{{shape.text.substr(from, to - from), "", shape.language}}});
        from = to + 1;
      }
    }
    return out;
  }

  static void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw AutomationError("cannot write " + path);
  }

  // Members are answered by the kind of object they belong to; the member
  // name starts with that kind's name.
  Variant Answer(const Args& args, const std::string& member) {
    switch (kind_) {
      case Kind::kApplication:
      case Kind::kPresentations:
      case Kind::kPresentation:
      case Kind::kPageSetup:
        return AnswerPresentation(args, member);
      case Kind::kSlides:
        return AnswerSlides(args, member);
      case Kind::kSlide:
      case Kind::kNotesPage:
      case Kind::kTransition:
        return AnswerSlide(args, member);
      case Kind::kShapes:
        return AnswerShapes(args, member);
      case Kind::kShape:
      case Kind::kPlaceholderFormat:
      case Kind::kTextFrame:
        return AnswerShape(member);
      case Kind::kTextRange:
      case Kind::kFont:
        return AnswerText(args, member);
    }
    throw Unknown(member);
  }

  static AutomationError Unknown(const std::string& member) { return AutomationError("Unknown member " + member); }

  Variant AnswerPresentation(const Args& args, const std::string& member) {
    ScriptedServer& server = *state_->owner;
    if (member == "Application.Presentations") return Obj(Make(Kind::kPresentations));
    if (member == "Application.Version") return Variant::Text(server.version);
    if (member == "Application.Quit") {
      ExpectArguments(args, {}, member);
      ++server.quitCount;
      return {};
    }
    if (member == "Presentations.Open") {
      ExpectArguments(args, {T::kText, T::kI4, T::kI4, T::kI4}, member);
      state_->opened.clear();
      for (const auto& slide : state_->deck.slides) state_->opened.push_back(std::make_shared<ScriptedSlide>(slide));
      state_->open = true;
      return Obj(Make(Kind::kPresentation));
    }
    if (member == "Presentation.Slides") return Obj(Make(Kind::kSlides));
    if (member == "Presentation.PageSetup") return Obj(Make(Kind::kPageSetup));
    if (member == "PageSetup.SlideWidth") return Variant::R4(state_->deck.slideWidth);
    if (member == "PageSetup.SlideHeight") return Variant::R4(state_->deck.slideHeight);
    if (member == "Presentation.Outline") {
      ExpectArguments(args, {T::kI4}, member);
      DeckOutline outline;
      for (const auto& slide : state_->opened) {
        auto& facts = outline.slides.emplace_back();
        for (const auto& shape : slide->shapes) facts.shapes.push_back(OutlineOf(shape, false));
        if (args[0].Integer() == 0) continue;
        for (const auto& shape : slide->notes) facts.notes.push_back(OutlineOf(shape, true));
      }
      return Variant::Text(WriteDeckOutline(outline));
    }
    if (member == "Presentation.SaveAs") {
      ExpectArguments(args, {T::kText, T::kI4, T::kI4}, member);
      if (args[1].Integer() != ppt::kSaveAsBmp) throw AutomationError("unsupported format");
      server.folderExistedAtSaveAs = std::filesystem::exists(args[0].Text());
      std::filesystem::create_directories(args[0].Text());
      int n = 0;
      for (const auto& slide : state_->opened) {
        WriteFile(args[0].Text() + "/Picture" + std::to_string(++n) + ".bmp", slide->label + " default");
      }
      return {};
    }
    throw Unknown(member);
  }

  Variant AnswerSlides(const Args& args, const std::string& member) {
    if (member == "Slides.Count") return Variant::I4(static_cast<std::int32_t>(state_->opened.size()));
    if (member == "Slides.Item" || member == "Slides.Range") {
      ExpectArguments(args, {T::kIndex}, member);
      return Obj(Make(Kind::kSlide, SlideAt(args[0].Integer())));
    }
    if (member == "Slides.Add") {
      ExpectArguments(args, {T::kI4, T::kI4}, member);
      std::int32_t index = args[0].Integer();
      if (index < 1 || static_cast<std::size_t>(index) > state_->opened.size() + 1) throw AutomationError("bad index");
      if (args[1].Integer() != ppt::kLayoutText) throw AutomationError("unexpected layout");
      auto slide = std::make_shared<ScriptedSlide>();
      ScriptedShape title;
      title.placeholderType = ppt::kPlaceholderTitle;
      title.height = 60.0f;
      title.fontSize = 44.0f;
      ScriptedShape body;
      body.height = 300.0f;
      body.fontSize = 32.0f;
      slide->shapes = {title, body};
      state_->opened.insert(state_->opened.begin() + (index - 1), slide);
      return Obj(Make(Kind::kSlide, slide));
    }
    throw Unknown(member);
  }

  Variant AnswerSlide(const Args& args, const std::string& member) {
    if (member == "Slide.NotesPage") return Obj(Make(Kind::kNotesPage, slide_, true));
    if (member == "Slide.Shapes" || member == "NotesPage.Shapes") return Obj(Make(Kind::kShapes, slide_, notesPage_));
    if (member == "Slide.SlideShowTransition") return Obj(Make(Kind::kTransition, slide_));
    if (member == "SlideShowTransition.AdvanceTime") return Variant::R4(slide_->advanceTime);
    if (member == "Slide.Export") {
      ExpectArguments(args, {T::kText, T::kText, T::kI4, T::kI4}, member);
      std::this_thread::sleep_for(state_->owner->exportTime);
      std::string label =
          slide_->label.empty() ? "notes: " + (slide_->shapes.size() > 1 ? slide_->shapes[1].text : "") : slide_->label;
      WriteFile(args[0].Text(), label + " " + std::to_string(args[2].Integer()) + "x" +
                                    std::to_string(args[3].Integer()) + " " + args[1].Text());
      return {};
    }
    throw Unknown(member);
  }

  Variant AnswerShapes(const Args& args, const std::string& member) {
    if (member == "Shapes.Count") return Variant::I4(static_cast<std::int32_t>(Shapes().size()));
    if (member == "Shapes.Item") {
      ExpectArguments(args, {T::kIndex}, member);
      std::int32_t index = args[0].Integer();
      if (index < 1 || static_cast<std::size_t>(index) > Shapes().size())
        throw AutomationError("The index is out of range");
      return Obj(Make(Kind::kShape, slide_, notesPage_, {index - 1}));
    }
    if (member == "Shapes.HasTitle") return Variant::I4(TitleIndex(Shapes()) >= 0 ? -1 : 0);
    if (member == "Shapes.Title") {
      int index = TitleIndex(Shapes());
      if (index < 0) throw AutomationError("This placeholder does not exist");
      return Obj(Make(Kind::kShape, slide_, notesPage_, {index}));
    }
    throw Unknown(member);
  }

  Variant AnswerShape(const std::string& member) {
    if (member == "Shape.Type") {
      const ScriptedShape& shape = Shape();
      if (shape.placeholder) return Variant::I4(ppt::kMsoPlaceholder);
      if (shape.group) return Variant::I4(ppt::kMsoGroup);
      return Variant::I4(shape.tableColumns > 0 ? ppt::kMsoTable : 1);
    }
    if (member == "Shape.PlaceholderFormat") {
      if (!Shape().placeholder) throw AutomationError("This shape is not a placeholder");
      return Obj(Make(Kind::kPlaceholderFormat, slide_, notesPage_, shape_));
    }
    if (member == "PlaceholderFormat.Type") return Variant::I4(Shape().placeholderType);
    if (member == "Shape.HasTextFrame") return Variant::I4(Shape().hasTextFrame ? -1 : 0);
    if (member == "Shape.TextFrame") {
      if (!Shape().hasTextFrame) throw AutomationError("This shape has no text frame");
      return Obj(Make(Kind::kTextFrame, slide_, notesPage_, shape_));
    }
    if (member == "Shape.Height") return Variant::R4(Shape().height);
    if (member == "TextFrame.HasText") return Variant::I4(Shape().text.empty() ? 0 : -1);
    if (member == "TextFrame.TextRange") return Obj(Make(Kind::kTextRange, slide_, notesPage_, shape_));
    throw Unknown(member);
  }

  Variant AnswerText(const Args& args, const std::string& member) {
    if (member == "TextRange.Text") return Variant::Text(Shape().text);
    if (member == "TextRange.Text=") {
      ExpectArguments(args, {T::kText}, member);
      Shape().text = args[0].Text();
      return {};
    }
    if (member == "TextRange.BoundHeight") {
      const auto& text = Shape().text;
      auto lines = 1 + std::count(text.begin(), text.end(), '\r') + std::count(text.begin(), text.end(), '\n');
      return Variant::R4(static_cast<float>(lines) * Shape().fontSize * state_->owner->lineSpacing);
    }
    if (member == "TextRange.Font") return Obj(Make(Kind::kFont, slide_, notesPage_, shape_));
    if (member == "Font.Size") return Variant::R4(Shape().fontSize);
    if (member == "Font.Size=") {
      ExpectArguments(args, {T::kR4}, member);
      Shape().fontSize = args[0].Real();
      return {};
    }
    throw Unknown(member);
  }

  std::shared_ptr<State> state_;
  Kind kind_;
  std::shared_ptr<ScriptedSlide> slide_;
  bool notesPage_;
  std::vector<int> shape_;  // index in the page's shapes
};

}  // namespace

ScriptedServer::ScriptedServer(ScriptedDeck deck) : state_(std::make_shared<State>()) {
  state_->owner = this;
  state_->deck = std::move(deck);
}

ScriptedServer::~ScriptedServer() { state_->owner = nullptr; }

ServerStart ScriptedServer::CreateObject(std::string_view className) {
  ++createCount;
  ServerStart start;
  if (createFailure) {
    start.failureCode = *createFailure;
    start.description = "scripted server unavailable";
    return start;
  }
  if (className != "Powerpoint.Application") {
    start.failureCode = kInvalidClassString;
    start.description = "unknown class";
    return start;
  }
  start.application = AutomationObject(std::make_shared<ScriptedObject>(state_, Kind::kApplication));
  return start;
}

const ScriptedDeck& ScriptedServer::openedDeck() const {
  state_->snapshot.slides.clear();
  for (const auto& slide : state_->opened) state_->snapshot.slides.push_back(*slide);
  return state_->snapshot;
}

int ScriptedServer::liveObjects() const { return state_->live; }

}  // namespace orv
