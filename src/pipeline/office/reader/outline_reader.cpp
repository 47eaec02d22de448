// The deck's outline, read inside LibreOffice's own process: a UNO
// component (a job) that the bridge has LibreOffice load from this library
// and run on the open document. It walks every slide's shapes where they
// live and answers with the whole deck's text and structure in one reply
// (the JSON of pipeline/deck_outline.h), instead of four round trips to
// LibreOffice for every text shape.
//
// Built without sanitizers and linked to nothing of ours: it runs in
// soffice, next to LibreOffice's own libraries.
#include <cstdint>
#include <cstring>
#include <string>

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/presentation/XPresentationPage.hpp>
#include <com/sun/star/style/NumberingType.hpp>
#include <com/sun/star/table/XMergeableCell.hpp>
#include <com/sun/star/table/XTable.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase1.hxx>
#include <nlohmann/json.hpp>

#include "pipeline/office/reader/outline_reader.h"
#include "pipeline/text_script.h"

namespace {

using namespace css;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using Json = nlohmann::json;
using rtl::OUString;

// Groups inside groups: as deep as the engine reads them.
constexpr int kMaxDepth = 16;

std::string Utf8(const OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

template <typename T>
T Property(const Reference<beans::XPropertySet>& properties, const char* name) {
  T value{};
  if (properties.is()) properties->getPropertyValue(OUString::createFromAscii(name)) >>= value;
  return value;
}

// A property that not every object of the kind has.
template <typename T>
T OptionalProperty(const Reference<beans::XPropertySet>& properties, const char* name) {
  if (!properties.is() || !properties->getPropertySetInfo()->hasPropertyByName(OUString::createFromAscii(name))) {
    return T{};
  }
  return Property<T>(properties, name);
}

// The BCP 47 tag of a LibreOffice locale; "" for none.
std::string Tag(const lang::Locale& locale) {
  const std::string language = Utf8(locale.Language);
  // "qlt" carries the whole tag in Variant; "zxx" is "no language".
  if (language == "qlt") return Utf8(locale.Variant);
  if (language.empty() || language == "zxx" || language == "und") return {};
  const std::string country = Utf8(locale.Country);
  return country.empty() ? language : language + "-" + country;
}

// A portion's text cut where its script changes, each piece tagged with the
// language LibreOffice gives that script there. Blanks, digits and marks go
// with the piece they are in.
class PortionLanguages {
 public:
  explicit PortionLanguages(Reference<beans::XPropertySet> portion) : portion_(std::move(portion)) {}

  void Append(const std::string& text, const std::string& link, Json& runs) {
    std::size_t start = 0;
    orv::TextScript current = orv::TextScript::kNeutral;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t here = at;
      const orv::TextScript script = orv::ScriptOf(orv::NextCodePoint(text, at));
      if (script == orv::TextScript::kNeutral || script == current) continue;
      if (current != orv::TextScript::kNeutral) {
        Add(text.substr(start, here - start), link, current, runs);
        start = here;
      }
      current = script;
    }
    Add(text.substr(start), link, current, runs);
  }

 private:
  void Add(std::string text, const std::string& link, orv::TextScript script, Json& runs) {
    if (text.empty()) return;
    Json run = {{"text", std::move(text)}};
    if (!link.empty()) run["link"] = link;
    if (script != orv::TextScript::kNeutral) {
      const std::string tag = TagOf(script);
      if (!tag.empty()) run["lang"] = tag;
    }
    runs.push_back(std::move(run));
  }

  const std::string& TagOf(orv::TextScript script) {
    const int k = script == orv::TextScript::kAsian ? 1 : script == orv::TextScript::kComplex ? 2 : 0;
    static constexpr const char* kProperties[] = {"CharLocale", "CharLocaleAsian", "CharLocaleComplex"};
    if (!asked_[k]) {
      asked_[k] = true;
      tags_[k] = Tag(Property<lang::Locale>(portion_, kProperties[k]));
    }
    return tags_[k];
  }

  Reference<beans::XPropertySet> portion_;
  bool asked_[3] = {false, false, false};
  std::string tags_[3];
};

// Bullet or number, or nothing, as the paragraph shows it.
const char* ListKind(const Reference<beans::XPropertySet>& paragraph, sal_Int16& level) {
  level = 0;
  Any numbered = paragraph->getPropertyValue("NumberingIsNumber");
  bool isNumber = false;
  if (!(numbered >>= isNumber) || !isNumber) return nullptr;
  // A paragraph outside any list has no level at all.
  if (!(paragraph->getPropertyValue("NumberingLevel") >>= level)) return nullptr;
  Reference<container::XIndexAccess> rules(Property<Reference<container::XIndexAccess>>(paragraph, "NumberingRules"));
  if (!rules.is() || level < 0 || level >= rules->getCount()) return nullptr;
  uno::Sequence<beans::PropertyValue> format;
  rules->getByIndex(level) >>= format;
  sal_Int16 type = style::NumberingType::NUMBER_NONE;
  for (const beans::PropertyValue& value : format) {
    if (value.Name == "NumberingType") value.Value >>= type;
  }
  if (type == style::NumberingType::NUMBER_NONE) return nullptr;
  return type == style::NumberingType::CHAR_SPECIAL || type == style::NumberingType::BITMAP ? "bullet" : "number";
}

Json Paragraphs(const Reference<text::XText>& text) {
  Json out = Json::array();
  Reference<container::XEnumerationAccess> access(text, UNO_QUERY);
  if (!access.is()) return out;
  Reference<container::XEnumeration> paragraphs = access->createEnumeration();
  while (paragraphs->hasMoreElements()) {
    Reference<container::XEnumerationAccess> paragraph(paragraphs->nextElement(), UNO_QUERY);
    if (!paragraph.is()) continue;
    Json runs = Json::array();
    Reference<container::XEnumeration> portions = paragraph->createEnumeration();
    while (portions->hasMoreElements()) {
      Reference<text::XTextRange> portion(portions->nextElement(), UNO_QUERY);
      if (!portion.is()) continue;
      const std::string words = Utf8(portion->getString());
      if (words.empty()) continue;
      Reference<beans::XPropertySet> properties(portion, UNO_QUERY);
      std::string link;
      if (Property<OUString>(properties, "TextPortionType") == "TextField") {
        Reference<beans::XPropertySet> field(Property<Reference<beans::XPropertySet>>(properties, "TextField"));
        Reference<lang::XServiceInfo> info(field, UNO_QUERY);
        if (info.is() && info->supportsService("com.sun.star.text.textfield.URL")) {
          link = Utf8(Property<OUString>(field, "URL"));
        }
      }
      PortionLanguages(properties).Append(words, link, runs);
    }
    if (runs.empty()) continue;
    Json item = {{"runs", std::move(runs)}};
    sal_Int16 level = 0;
    if (const char* list = ListKind(Reference<beans::XPropertySet>(paragraph, UNO_QUERY), level)) {
      item["list"] = list;
      item["level"] = level;
    }
    out.push_back(std::move(item));
  }
  return out;
}

bool EndsWith(const OUString& text, const char* suffix) {
  return text.endsWithAsciiL(suffix, static_cast<sal_Int32>(std::strlen(suffix)));
}

// The kind of a shape by its service name; "text" for every drawing shape
// that may hold words.
const char* KindOf(const OUString& type, const Reference<beans::XPropertySet>& properties) {
  if (type == "com.sun.star.drawing.GroupShape") return "group";
  if (EndsWith(type, ".TableShape")) return "table";
  if (EndsWith(type, ".TitleTextShape")) return "title";
  if (EndsWith(type, ".SubtitleShape")) return "subtitle";
  if (EndsWith(type, ".OutlinerShape")) return "body";
  if (EndsWith(type, ".NotesShape")) return "notes";
  if (EndsWith(type, ".HeaderShape") || EndsWith(type, ".FooterShape") || EndsWith(type, ".DateTimeShape") ||
      EndsWith(type, ".SlideNumberShape")) {
    return "footer";
  }
  if (EndsWith(type, ".GraphicObjectShape")) return "picture";
  if (EndsWith(type, ".ChartShape")) return "chart";
  if (EndsWith(type, ".OLE2Shape")) {
    const OUString id = OptionalProperty<OUString>(properties, "CLSID").toAsciiLowerCase();
    return id == "12dcae26-281f-416f-a234-c3086127382e" ? "chart" : "object";
  }
  if (EndsWith(type, ".MediaShape") || EndsWith(type, ".PluginShape") || EndsWith(type, ".AppletShape")) {
    return "object";
  }
  if (EndsWith(type, ".PageShape")) return "other";
  return "text";
}

Json Shape(const Reference<drawing::XShape>& shape, int depth);

Json Shapes(const Reference<drawing::XShapes>& shapes, int depth) {
  Json out = Json::array();
  if (!shapes.is()) return out;
  for (sal_Int32 k = 0, n = shapes->getCount(); k < n; ++k) {
    try {
      Reference<drawing::XShape> shape(shapes->getByIndex(k), UNO_QUERY);
      if (!shape.is()) continue;
      Json item = Shape(shape, depth);
      if (!item.is_null()) out.push_back(std::move(item));
    } catch (const uno::RuntimeException&) {
      throw;  // LibreOffice itself is in trouble
    } catch (const uno::Exception&) {
      // A shape that cannot be read costs only its own text.
    }
  }
  return out;
}

Json Table(const Reference<beans::XPropertySet>& properties, Json& item) {
  Reference<table::XTable> table(OptionalProperty<Reference<table::XTable>>(properties, "Model"));
  Json rows = Json::array();
  if (!table.is()) return rows;
  for (sal_Int32 r = 0, rowCount = table->getRowCount(); r < rowCount; ++r) {
    Json cells = Json::array();
    for (sal_Int32 c = 0, columnCount = table->getColumnCount(); c < columnCount; ++c) {
      Reference<table::XCell> cell = table->getCellByPosition(c, r);
      Reference<table::XMergeableCell> merged(cell, UNO_QUERY);
      Reference<text::XText> text(cell, UNO_QUERY);
      // A cell that a merge covers has no text of its own. A cell's
      // paragraphs can be counted only once its text has been asked for.
      const bool empty = (merged.is() && merged->isMerged()) || !text.is() || text->getString().isEmpty();
      cells.push_back(empty ? Json::array() : Paragraphs(text));
    }
    rows.push_back(std::move(cells));
  }
  item["header"] = OptionalProperty<bool>(properties, "UseFirstRowStyle");
  return rows;
}

// One shape, or null when it holds nothing a reader gets. Its place is
// asked last: for a drawing it makes LibreOffice lay out its geometry.
Json Shape(const Reference<drawing::XShape>& shape, int depth) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const OUString type = shape->getShapeType();
#pragma GCC diagnostic pop
  Reference<beans::XPropertySet> properties(shape, UNO_QUERY);
  const std::string kind = KindOf(type, properties);
  Json item = {{"kind", kind}};
  const std::string title = Utf8(OptionalProperty<OUString>(properties, "Title"));
  const std::string description = Utf8(OptionalProperty<OUString>(properties, "Description"));
  if (!title.empty()) item["title"] = title;
  if (!description.empty()) item["description"] = description;
  bool holds = !title.empty() || !description.empty();
  if (kind == "group") {
    if (depth < kMaxDepth) item["items"] = Shapes(Reference<drawing::XShapes>(shape, UNO_QUERY), depth + 1);
    holds = holds || !item["items"].empty();
  } else if (kind == "table") {
    item["rows"] = Table(properties, item);
    holds = holds || !item["rows"].empty();
  } else if (kind != "picture" && kind != "chart" && kind != "object" && kind != "other") {
    // A placeholder still showing its prompt has no text of its own.
    const bool prompt = OptionalProperty<bool>(properties, "IsEmptyPresentationObject");
    Reference<text::XText> text(shape, UNO_QUERY);
    if (!prompt && text.is()) {
      Json paragraphs = Paragraphs(text);
      if (!paragraphs.empty()) item["paragraphs"] = std::move(paragraphs);
    }
    holds = holds || item.contains("paragraphs");
  }
  if (!holds) return nullptr;
  const awt::Point at = shape->getPosition();
  item["x"] = at.X;
  item["y"] = at.Y;
  return item;
}

class OutlineReader final : public cppu::WeakImplHelper1<task::XJob> {
 public:
  Any SAL_CALL execute(const uno::Sequence<beans::NamedValue>& arguments) override {
    Reference<drawing::XDrawPagesSupplier> document;
    bool withNotes = false;
    for (const beans::NamedValue& argument : arguments) {
      if (argument.Name == "Document") argument.Value >>= document;
      if (argument.Name == "Notes") argument.Value >>= withNotes;
    }
    if (!document.is()) throw uno::RuntimeException("The outline reader was given no presentation");
    Reference<drawing::XDrawPages> pages = document->getDrawPages();
    Json slides = Json::array();
    for (sal_Int32 k = 0, n = pages->getCount(); k < n; ++k) {
      Reference<drawing::XDrawPage> page(pages->getByIndex(k), UNO_QUERY);
      Json slide = {{"shapes", Shapes(Reference<drawing::XShapes>(page, UNO_QUERY), 0)}};
      Reference<presentation::XPresentationPage> withPage(page, UNO_QUERY);
      if (withNotes && withPage.is())
        slide["notes"] = Shapes(Reference<drawing::XShapes>(withPage->getNotesPage(), UNO_QUERY), 0);
      slides.push_back(std::move(slide));
    }
    const std::string reply = Json{{"slides", std::move(slides)}}.dump(-1, ' ', false, Json::error_handler_t::replace);
    return Any(OUString(reply.data(), static_cast<sal_Int32>(reply.size()), RTL_TEXTENCODING_UTF8));
  }
};

Reference<uno::XInterface> Create(const Reference<uno::XComponentContext>&) {
  return static_cast<cppu::OWeakObject*>(new OutlineReader);
}

}  // namespace

extern "C" SAL_DLLPUBLIC_EXPORT void* component_getFactory(const char* name, void*, void*) {
  if (name == nullptr || std::strcmp(name, orv::kOutlineReaderName) != 0) return nullptr;
  const OUString service = OUString::createFromAscii(orv::kOutlineReaderName);
  Reference<lang::XSingleComponentFactory> factory =
      cppu::createSingleComponentFactory(Create, service, uno::Sequence<OUString>(&service, 1));
  factory->acquire();
  return factory.get();
}
