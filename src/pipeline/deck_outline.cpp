#include "pipeline/deck_outline.h"

#include <array>
#include <cstdint>
#include <utility>

#include <nlohmann/json.hpp>

namespace orv {
namespace {

using Json = nlohmann::json;
using Kind = OutlineShape::Kind;

constexpr std::array<std::pair<Kind, std::string_view>, 12> kKinds = {{
    {Kind::kTitle, "title"},
    {Kind::kSubtitle, "subtitle"},
    {Kind::kBody, "body"},
    {Kind::kNotes, "notes"},
    {Kind::kText, "text"},
    {Kind::kPicture, "picture"},
    {Kind::kChart, "chart"},
    {Kind::kObject, "object"},
    {Kind::kGroup, "group"},
    {Kind::kTable, "table"},
    {Kind::kFooter, "footer"},
    {Kind::kOther, "other"},
}};

// A list nesting deeper than a slide can show is shown at its deepest level.
constexpr int kMaxListLevel = 9;

struct Malformed {
  std::string what;
};

const Json* Member(const Json& object, const char* name) {
  const auto found = object.find(name);
  return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::string Text(const Json& object, const char* name) {
  const Json* value = Member(object, name);
  if (value == nullptr) return {};
  if (!value->is_string()) throw Malformed{std::string("\"") + name + "\" is not a text"};
  return value->get<std::string>();
}

std::int64_t Integer(const Json& object, const char* name) {
  const Json* value = Member(object, name);
  if (value == nullptr) return 0;
  if (!value->is_number_integer()) throw Malformed{std::string("\"") + name + "\" is not a whole number"};
  if (!value->is_number_unsigned()) return value->get<std::int64_t>();
  const auto big = value->get<std::uint64_t>();
  return big > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(big);
}

const Json& Array(const Json& object, const char* name) {
  static const Json kEmpty = Json::array();
  const Json* value = Member(object, name);
  if (value == nullptr) return kEmpty;
  if (!value->is_array()) throw Malformed{std::string("\"") + name + "\" is not a list"};
  return *value;
}

const Json& Object(const Json& value, const char* what) {
  if (!value.is_object()) throw Malformed{std::string(what) + " is not an object"};
  return value;
}

OutlineParagraph ReadParagraph(const Json& json) {
  Object(json, "a paragraph");
  OutlineParagraph paragraph;
  for (const Json& run : Array(json, "runs")) {
    Object(run, "a run");
    paragraph.runs.push_back({Text(run, "text"), Text(run, "link"), Text(run, "lang")});
  }
  const std::string list = Text(json, "list");
  if (list == "bullet") paragraph.list = TextParagraph::List::kBullet;
  if (list == "number") paragraph.list = TextParagraph::List::kNumber;
  const std::int64_t level = Integer(json, "level");
  paragraph.level = static_cast<int>(level < 0 ? 0 : level > kMaxListLevel ? kMaxListLevel : level);
  return paragraph;
}

std::vector<OutlineParagraph> ReadParagraphs(const Json& list) {
  std::vector<OutlineParagraph> paragraphs;
  for (const Json& paragraph : list) paragraphs.push_back(ReadParagraph(paragraph));
  return paragraphs;
}

OutlineShape ReadShape(const Json& json, int depth) {
  if (depth > kMaxOutlineDepth) throw Malformed{"groups nest too deep"};
  Object(json, "a shape");
  OutlineShape shape;
  const std::string kind = Text(json, "kind");
  for (const auto& [value, name] : kKinds) {
    if (name == kind) shape.kind = value;
  }
  shape.x = Integer(json, "x");
  shape.y = Integer(json, "y");
  shape.title = Text(json, "title");
  shape.description = Text(json, "description");
  shape.paragraphs = ReadParagraphs(Array(json, "paragraphs"));
  for (const Json& item : Array(json, "items")) shape.items.push_back(ReadShape(item, depth + 1));
  for (const Json& row : Array(json, "rows")) {
    if (!row.is_array()) throw Malformed{"a table row is not a list"};
    auto& cells = shape.rows.emplace_back();
    for (const Json& cell : row) {
      if (!cell.is_array()) throw Malformed{"a table cell is not a list"};
      cells.push_back(ReadParagraphs(cell));
    }
  }
  const Json* header = Member(json, "header");
  shape.headerRow = header != nullptr && header->is_boolean() && header->get<bool>();
  return shape;
}

std::vector<OutlineShape> ReadShapes(const Json& list) {
  std::vector<OutlineShape> shapes;
  for (const Json& shape : list) shapes.push_back(ReadShape(shape, 0));
  return shapes;
}

Json WriteParagraphs(const std::vector<OutlineParagraph>& paragraphs) {
  Json out = Json::array();
  for (const auto& paragraph : paragraphs) {
    Json runs = Json::array();
    for (const auto& run : paragraph.runs) {
      Json item = {{"text", run.text}};
      if (!run.link.empty()) item["link"] = run.link;
      if (!run.language.empty()) item["lang"] = run.language;
      runs.push_back(std::move(item));
    }
    Json item = {{"runs", std::move(runs)}};
    if (paragraph.list != TextParagraph::List::kNone) {
      item["list"] = paragraph.list == TextParagraph::List::kBullet ? "bullet" : "number";
      item["level"] = paragraph.level;
    }
    out.push_back(std::move(item));
  }
  return out;
}

Json WriteShape(const OutlineShape& shape) {
  Json out = {{"kind", OutlineKindName(shape.kind)}, {"x", shape.x}, {"y", shape.y}};
  if (!shape.title.empty()) out["title"] = shape.title;
  if (!shape.description.empty()) out["description"] = shape.description;
  if (!shape.paragraphs.empty()) out["paragraphs"] = WriteParagraphs(shape.paragraphs);
  if (!shape.items.empty()) {
    out["items"] = Json::array();
    for (const auto& item : shape.items) out["items"].push_back(WriteShape(item));
  }
  if (!shape.rows.empty()) {
    out["rows"] = Json::array();
    for (const auto& row : shape.rows) {
      Json cells = Json::array();
      for (const auto& cell : row) cells.push_back(WriteParagraphs(cell));
      out["rows"].push_back(std::move(cells));
    }
    out["header"] = shape.headerRow;
  }
  return out;
}

}  // namespace

std::string_view OutlineKindName(OutlineShape::Kind kind) {
  for (const auto& [value, name] : kKinds) {
    if (value == kind) return name;
  }
  return "other";
}

std::optional<DeckOutline> ParseDeckOutline(std::string_view reply, std::string& error) {
  const Json json = Json::parse(reply, nullptr, false);
  if (json.is_discarded()) {
    error = "the deck's outline is not JSON";
    return std::nullopt;
  }
  try {
    Object(json, "the outline");
    DeckOutline outline;
    for (const Json& slide : Array(json, "slides")) {
      Object(slide, "a slide");
      outline.slides.push_back({ReadShapes(Array(slide, "shapes")), ReadShapes(Array(slide, "notes"))});
    }
    return outline;
  } catch (const Malformed& malformed) {
    error = "the deck's outline is malformed: " + malformed.what;
  } catch (const Json::exception& e) {
    error = std::string("the deck's outline is malformed: ") + e.what();
  }
  return std::nullopt;
}

std::string WriteDeckOutline(const DeckOutline& outline) {
  Json slides = Json::array();
  for (const auto& slide : outline.slides) {
    Json shapes = Json::array(), notes = Json::array();
    for (const auto& shape : slide.shapes) shapes.push_back(WriteShape(shape));
    for (const auto& shape : slide.notes) notes.push_back(WriteShape(shape));
    slides.push_back({{"shapes", std::move(shapes)}, {"notes", std::move(notes)}});
  }
  return Json{{"slides", std::move(slides)}}.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace orv
