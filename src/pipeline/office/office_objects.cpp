#include "pipeline/office/office_objects.h"
#include "pipeline/office/office_process.h"
#include "pipeline/office/open_failure.h"
#include "pipeline/office/outline_request.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/TextFitToSizeType.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/presentation/XPresentationPage.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "pipeline/automation_members.h"

namespace orv::office {

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;
using Args = std::vector<Variant>;
using T = Variant::Type;

namespace {

namespace fs = std::filesystem;

constexpr double kPointsPerMm100 = 72.0 / 2540.0;

[[noreturn]] void Unknown(const char* object, std::int32_t id, DispatchKind kind) {
  const char* how = kind == DispatchKind::kMethod ? "method" : kind == DispatchKind::kPropertyGet ? "get" : "put";
  throw AutomationError(std::string(object) + ": unknown member " + std::to_string(id) + " (" + how + ")");
}

Variant Obj(std::shared_ptr<AutomationTarget> target) { return Variant::Object(AutomationObject(std::move(target))); }
Variant Flag(bool value) { return Variant::I4(value ? -1 : 0); }  // msoTrue / msoFalse

uno::Sequence<beans::PropertyValue> Properties(std::initializer_list<beans::PropertyValue> list) {
  return uno::Sequence<beans::PropertyValue>(list.begin(), static_cast<sal_Int32>(list.size()));
}

beans::PropertyValue Property(const char* name, uno::Any value) {
  beans::PropertyValue p;
  p.Name = OUString::createFromAscii(name);
  p.Value = std::move(value);
  return p;
}

// Every object shares the application's context; Call() turns UNO failures
// into automation errors with a readable description.
class OfficeObject : public AutomationTarget {
 public:
  OfficeObject(std::shared_ptr<ApplicationContext> context, const char* name)
      : context_(std::move(context)), name_(name) {}

  Variant Invoke(std::int32_t id, DispatchKind kind, const Args& args) final {
    context_->CheckAlive();
    try {
      return Answer(id, kind, args);
    } catch (const lang::DisposedException& e) {
      context_->session().MarkLost();
      throw AutomationError("The connection to LibreOffice was lost (" + FromUno(e.Message) + ")",
                            AutomationFailure::kServerLost);
    } catch (const uno::RuntimeException& e) {
      if (!context_->session().Alive()) {
        throw AutomationError(
            "LibreOffice stopped while answering " + std::string(name_) + " (" + FromUno(e.Message) + ")",
            AutomationFailure::kServerLost);
      }
      throw AutomationError(std::string(name_) + ": " + FromUno(e.Message));
    } catch (const uno::Exception& e) {
      throw AutomationError(std::string(name_) + ": " + FromUno(e.Message));
    }
  }

 protected:
  virtual Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) = 0;
  std::shared_ptr<ApplicationContext> context_;
  const char* name_;
};

// Indexes of the member table are 1-based.
std::int32_t CheckIndex(const Variant& index, std::int32_t count) {
  std::int32_t i = index.Integer();
  if (i < 1 || i > count) {
    throw AutomationError("The index " + std::to_string(i) + " is out of range (1 to " + std::to_string(count) + ")");
  }
  return i - 1;
}

// ---- Shapes and text ----

// What the objects of one shape share. Each question to LibreOffice is a
// round trip to its process, and a figure-heavy deck holds thousands of
// shapes, so the type and the text interface are asked once.
class ShapeFacts {
 public:
  explicit ShapeFacts(Reference<drawing::XShape> shape) : shape_(std::move(shape)), type_(TypeOf(shape_)) {}

  const Reference<drawing::XShape>& shape() const { return shape_; }
  // The service name, which tells presentation placeholders apart.
  const OUString& type() const { return type_; }
  bool IsPresentationObject() const { return type_.startsWith("com.sun.star.presentation."); }
  // Null without a text frame. Lines, connectors, pictures and embedded
  // objects have none, as in PowerPoint; not asking saves two round trips
  // for each of the hundreds such a drawing-heavy slide holds.
  const Reference<text::XText>& text() {
    if (!textAsked_) {
      textAsked_ = true;
      static constexpr const char* kWithoutText[] = {".PageShape",          ".LineShape",   ".ConnectorShape",
                                                     ".GraphicObjectShape", ".OLE2Shape",   ".MediaShape",
                                                     ".ChartShape",         ".PluginShape", ".AppletShape"};
      bool textless = false;
      for (const char* suffix : kWithoutText) textless = textless || type_.endsWithAsciiL(suffix, std::strlen(suffix));
      if (!textless) text_.set(shape_, UNO_QUERY);
    }
    return text_;
  }
  // A shape's own text; a placeholder still showing its prompt has none.
  bool HasText() {
    if (!text().is()) return false;
    if (IsPresentationObject()) {
      Reference<beans::XPropertySet> props(shape_, UNO_QUERY);
      bool empty = false;
      if (props.is() && props->getPropertySetInfo()->hasPropertyByName("IsEmptyPresentationObject")) {
        props->getPropertyValue("IsEmptyPresentationObject") >>= empty;
      }
      if (empty) return false;
    }
    return !String().isEmpty();
  }
  // The text, kept from one question to the next until it is written.
  const OUString& String() {
    if (!string_) string_ = text()->getString();
    return *string_;
  }
  void SetString(const OUString& value) {
    string_.reset();
    text()->setString(value);
  }

 private:
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  static OUString TypeOf(const Reference<drawing::XShape>& shape) {
    return shape.is() ? shape->getShapeType() : OUString();
  }
#pragma GCC diagnostic pop

  Reference<drawing::XShape> shape_;
  OUString type_;
  Reference<text::XText> text_;
  bool textAsked_ = false;
  std::optional<OUString> string_;
};

using Facts = std::shared_ptr<ShapeFacts>;

Facts FactsOf(Reference<drawing::XShape> shape) { return std::make_shared<ShapeFacts>(std::move(shape)); }

std::int32_t PlaceholderKind(const OUString& type) {
  if (type.endsWith(".TitleTextShape")) return ppt::kPlaceholderTitle;
  if (type.endsWith(".OutlinerShape") || type.endsWith(".NotesShape")) return ppt::kPlaceholderBody;
  if (type.endsWith(".SubtitleShape")) return ppt::kPlaceholderSubtitle;
  if (type.endsWith(".SlideNumberShape")) return 13;
  if (type.endsWith(".HeaderShape")) return 14;
  if (type.endsWith(".FooterShape")) return 15;
  if (type.endsWith(".DateTimeShape")) return 16;
  if (type.endsWith(".GraphicObjectShape")) return 9;
  if (type.endsWith(".ChartShape")) return 8;
  if (type.endsWith(".TableShape")) return 12;
  return 7;  // an object placeholder
}

class FontObject final : public OfficeObject {
 public:
  FontObject(std::shared_ptr<ApplicationContext> c, Reference<drawing::XShape> shape)
      : OfficeObject(std::move(c), "Font"), shape_(std::move(shape)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (id != dispid::kFontSize) Unknown(name_, id, kind);
    if (kind == DispatchKind::kPropertyGet) {
      // The size of the first character stands for the whole text.
      Reference<text::XText> text(shape_, UNO_QUERY_THROW);
      Reference<text::XTextCursor> cursor = text->createTextCursor();
      cursor->gotoStart(false);
      float size = 0.0f;
      Reference<beans::XPropertySet>(cursor, UNO_QUERY_THROW)->getPropertyValue("CharHeight") >>= size;
      return Variant::R4(size);
    }
    if (kind == DispatchKind::kPropertyPut) {
      ExpectArguments(args, {T::kR4}, "Font.Size");
      float size = args[0].Real();
      if (!(size >= 1.0f && size <= 4000.0f)) throw AutomationError("Font.Size: the size is out of range");
      // The size goes to the whole text object, whatever its paragraphs.
      Reference<beans::XPropertySet>(shape_, UNO_QUERY_THROW)->setPropertyValue("CharHeight", uno::Any(size));
      return {};
    }
    Unknown(name_, id, kind);
  }

 private:
  Reference<drawing::XShape> shape_;
};

// The text of a shape, or of a table cell (which has no size or font of
// its own to measure).
class TextRangeObject final : public OfficeObject {
 public:
  TextRangeObject(std::shared_ptr<ApplicationContext> c, Facts facts)
      : OfficeObject(std::move(c), "TextRange"), facts_(std::move(facts)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (id == dispid::kTextRangeText && kind == DispatchKind::kPropertyGet) {
      Text();
      return Variant::Text(FromUno(facts_->String()));
    }
    if (id == dispid::kTextRangeText && kind == DispatchKind::kPropertyPut) {
      ExpectArguments(args, {T::kText}, "TextRange.Text");
      Text();
      facts_->SetString(ToUno(args[0].Text()));
      return {};
    }
    if (id == dispid::kTextRangeBoundHeight && kind == DispatchKind::kPropertyGet) return Variant::R4(BoundHeight());
    if (id == dispid::kTextRangeFont && kind == DispatchKind::kPropertyGet) {
      return Obj(std::make_shared<FontObject>(context_, Shape()));
    }
    Unknown(name_, id, kind);
  }

 private:
  // The height the text needs: the frame is let grow and shrink to its text
  // for a moment, then everything is put back.
  const Reference<text::XText>& Text() const {
    if (!facts_->text().is()) throw AutomationError("This shape has no text frame");
    return facts_->text();
  }
  const Reference<drawing::XShape>& Shape() const {
    if (!facts_->shape().is()) throw AutomationError("This text is not a shape's");
    return facts_->shape();
  }

  float BoundHeight() {
    const Reference<drawing::XShape>& shape = Shape();
    Reference<beans::XPropertySet> props(shape, UNO_QUERY_THROW);
    const awt::Size size = shape->getSize();
    const uno::Any autoGrow = props->getPropertyValue("TextAutoGrowHeight");
    const uno::Any fitToSize = props->getPropertyValue("TextFitToSize");
    const uno::Any minimum = props->getPropertyValue("TextMinimumFrameHeight");
    props->setPropertyValue("TextFitToSize", uno::Any(drawing::TextFitToSizeType_NONE));
    props->setPropertyValue("TextMinimumFrameHeight", uno::Any(sal_Int32(0)));
    // From a collapsed frame, so that growing it is the only way to fit.
    props->setPropertyValue("TextAutoGrowHeight", uno::Any(false));
    shape->setSize(awt::Size(size.Width, 1));
    props->setPropertyValue("TextAutoGrowHeight", uno::Any(true));
    const sal_Int32 needed = shape->getSize().Height;
    props->setPropertyValue("TextAutoGrowHeight", autoGrow);
    props->setPropertyValue("TextMinimumFrameHeight", minimum);
    props->setPropertyValue("TextFitToSize", fitToSize);
    shape->setSize(size);
    return static_cast<float>(needed * kPointsPerMm100);
  }

  Facts facts_;
};

class TextFrameObject final : public OfficeObject {
 public:
  TextFrameObject(std::shared_ptr<ApplicationContext> c, Facts facts)
      : OfficeObject(std::move(c), "TextFrame"), facts_(std::move(facts)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args&) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kTextFrameHasText) return Flag(facts_->HasText());
    if (kind == DispatchKind::kPropertyGet && id == dispid::kTextFrameTextRange) {
      return Obj(std::make_shared<TextRangeObject>(context_, facts_));
    }
    Unknown(name_, id, kind);
  }

 private:
  Facts facts_;
};

class PlaceholderFormatObject final : public OfficeObject {
 public:
  PlaceholderFormatObject(std::shared_ptr<ApplicationContext> c, Facts facts)
      : OfficeObject(std::move(c), "PlaceholderFormat"), facts_(std::move(facts)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args&) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kPlaceholderType) {
      return Variant::I4(PlaceholderKind(facts_->type()));
    }
    Unknown(name_, id, kind);
  }

 private:
  Facts facts_;
};

// A shape of a page.
class ShapeObject final : public OfficeObject {
 public:
  ShapeObject(std::shared_ptr<ApplicationContext> c, Facts facts)
      : OfficeObject(std::move(c), "Shape"), facts_(std::move(facts)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args&) override {
    if (kind != DispatchKind::kPropertyGet) Unknown(name_, id, kind);
    const ShapeFacts& facts = *facts_;
    switch (id) {
      case dispid::kShapeType:
        if (facts.IsPresentationObject()) return Variant::I4(ppt::kMsoPlaceholder);
        if (facts.type() == "com.sun.star.drawing.GroupShape") return Variant::I4(ppt::kMsoGroup);
        return Variant::I4(facts.type().endsWith(".TableShape") ? ppt::kMsoTable : 1);
      case dispid::kShapePlaceholderFormat:
        if (!facts.IsPresentationObject()) throw AutomationError("This shape is not a placeholder");
        return Obj(std::make_shared<PlaceholderFormatObject>(context_, facts_));
      case dispid::kShapeHasTextFrame:
        return Flag(facts_->text().is());
      case dispid::kShapeTextFrame:
        if (!facts_->text().is()) throw AutomationError("This shape has no text frame");
        return Obj(std::make_shared<TextFrameObject>(context_, facts_));
      case dispid::kShapeHeight:
        return Variant::R4(static_cast<float>(facts.shape()->getSize().Height * kPointsPerMm100));
      default:
        Unknown(name_, id, kind);
    }
  }

 private:
  Facts facts_;
};

// The shape at `index` of a page; the element type is XShape, so it comes
// out of the Any without another question.
Variant ShapeAt(const std::shared_ptr<ApplicationContext>& context, const Reference<drawing::XDrawPage>& shapes,
                sal_Int32 index) {
  Reference<drawing::XShape> shape;
  if (!(shapes->getByIndex(index) >>= shape) || !shape.is()) {
    shape.set(shapes->getByIndex(index), UNO_QUERY_THROW);
  }
  return Obj(std::make_shared<ShapeObject>(context, FactsOf(shape)));
}

class ShapesObject final : public OfficeObject {
 public:
  ShapesObject(std::shared_ptr<ApplicationContext> c, Reference<drawing::XDrawPage> page)
      : OfficeObject(std::move(c), "Shapes"), page_(std::move(page)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kShapesCount)
      return Variant::I4(count_ = page_->getCount());
    if (kind == DispatchKind::kMethod && id == dispid::kShapesItem) {
      ExpectArguments(args, {T::kIndex}, "Shapes.Item");
      return ShapeAt(context_, page_, CheckIndex(args[0], Count(&args[0])));
    }
    if (kind == DispatchKind::kPropertyGet && id == dispid::kShapesHasTitle) return Flag(Title() != nullptr);
    if (kind == DispatchKind::kPropertyGet && id == dispid::kShapesTitle) {
      Facts title = Title();
      if (title == nullptr) throw AutomationError("Shapes.Title: this slide has no title placeholder");
      return Obj(std::make_shared<ShapeObject>(context_, title));
    }
    Unknown(name_, id, kind);
  }

 private:
  // Asked once for every Item: the shapes of a page do not change under
  // the export, and an index beyond the count asks again before failing.
  sal_Int32 Count(const Variant* index = nullptr) {
    if (count_ < 0 || (index != nullptr && index->Integer() > count_)) count_ = page_->getCount();
    return count_;
  }

  // Looked for once: HasTitle and Title come in pairs.
  Facts Title() {
    if (titleSought_) return title_;
    titleSought_ = true;
    for (sal_Int32 i = 0, n = page_->getCount(); i < n; ++i) {
      Reference<drawing::XShape> shape;
      page_->getByIndex(i) >>= shape;
      if (!shape.is()) continue;
      Facts facts = FactsOf(shape);
      if (facts->type() == "com.sun.star.presentation.TitleTextShape") return title_ = facts;
    }
    return nullptr;
  }

  Facts title_;
  bool titleSought_ = false;
  sal_Int32 count_ = -1;
  Reference<drawing::XDrawPage> page_;
};

class TransitionObject final : public OfficeObject {
 public:
  TransitionObject(std::shared_ptr<ApplicationContext> c, Reference<drawing::XDrawPage> page)
      : OfficeObject(std::move(c), "SlideShowTransition"), page_(std::move(page)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args&) override {
    if (kind != DispatchKind::kPropertyGet || id != dispid::kTransitionAdvanceTime) Unknown(name_, id, kind);
    // Slides that advance on click (Change 0, or 2 for imported ones) have
    // no advance time.
    Reference<beans::XPropertySet> props(page_, UNO_QUERY_THROW);
    sal_Int32 change = 0;
    props->getPropertyValue("Change") >>= change;
    double seconds = 0.0;
    if (change == 1) props->getPropertyValue("HighResDuration") >>= seconds;
    return Variant::R4(static_cast<float>(seconds));
  }

 private:
  Reference<drawing::XDrawPage> page_;
};

// Writes `page` as a picture of width x height pixels.
void ExportPage(OfficeSession& session, const Reference<drawing::XDrawPage>& page, const std::string& file,
                const std::string& filter, std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    throw AutomationError("Slide.Export: the picture size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is out of range");
  }
  Reference<document::XExporter> exporter(session.CreateInstance("com.sun.star.drawing.GraphicExportFilter"),
                                          UNO_QUERY_THROW);
  exporter->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
  uno::Sequence<beans::PropertyValue> filterData = Properties(
      {Property("PixelWidth", uno::Any(sal_Int32(width))), Property("PixelHeight", uno::Any(sal_Int32(height)))});
  uno::Sequence<beans::PropertyValue> descriptor =
      Properties({Property("URL", uno::Any(ToUno(FileUrl(file)))), Property("FilterName", uno::Any(ToUno(filter))),
                  Property("FilterData", uno::Any(filterData))});
  std::error_code ec;
  fs::remove(file, ec);
  bool ok = Reference<document::XFilter>(exporter, UNO_QUERY_THROW)->filter(descriptor);
  if (!ok || !fs::is_regular_file(file, ec) || fs::file_size(file, ec) == 0) {
    throw AutomationError("Slide.Export: LibreOffice could not write " + file);
  }
}

// The exporter's filter name for the member table's filter names.
std::string ExportFilter(const std::string& name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "BMP" || upper == "JPG" || upper == "PNG" || upper == "GIF") return upper;
  if (upper == "JPEG") return "JPG";
  throw AutomationError("Slide.Export: the filter \"" + name + "\" is not supported");
}

class SlideObject final : public OfficeObject {
 public:
  SlideObject(std::shared_ptr<ApplicationContext> c, Reference<drawing::XDrawPage> page, bool notesPage = false)
      : OfficeObject(std::move(c), notesPage ? "NotesPage" : "Slide"), page_(std::move(page)), notesPage_(notesPage) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kSlideShapes) {
      return Obj(std::make_shared<ShapesObject>(context_, page_));
    }
    if (!notesPage_ && kind == DispatchKind::kPropertyGet && id == dispid::kSlideNotesPage) {
      Reference<presentation::XPresentationPage> page(page_, UNO_QUERY_THROW);
      return Obj(std::make_shared<SlideObject>(context_, page->getNotesPage(), true));
    }
    if (!notesPage_ && kind == DispatchKind::kPropertyGet && id == dispid::kSlideRangeSlideShowTransition) {
      return Obj(std::make_shared<TransitionObject>(context_, page_));
    }
    if (!notesPage_ && kind == DispatchKind::kMethod && id == dispid::kSlideExport) {
      ExpectArguments(args, {T::kText, T::kText, T::kI4, T::kI4}, "Slide.Export");
      ExportPage(context_->session(), page_, args[0].Text(), ExportFilter(args[1].Text()), args[2].Integer(),
                 args[3].Integer());
      return {};
    }
    Unknown(name_, id, kind);
  }

 private:
  Reference<drawing::XDrawPage> page_;
  bool notesPage_;
};

class SlidesObject final : public OfficeObject {
 public:
  SlidesObject(std::shared_ptr<ApplicationContext> c, Reference<drawing::XDrawPages> pages)
      : OfficeObject(std::move(c), "Slides"), pages_(std::move(pages)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kSlidesCount) return Variant::I4(pages_->getCount());
    if (kind == DispatchKind::kMethod && (id == dispid::kSlidesItem || id == dispid::kSlidesRange)) {
      ExpectArguments(args, {T::kIndex}, id == dispid::kSlidesItem ? "Slides.Item" : "Slides.Range");
      std::int32_t index = CheckIndex(args[0], pages_->getCount());
      Reference<drawing::XDrawPage> page(pages_->getByIndex(index), UNO_QUERY_THROW);
      return Obj(std::make_shared<SlideObject>(context_, page));
    }
    if (kind == DispatchKind::kMethod && id == dispid::kSlidesAdd) {
      ExpectArguments(args, {T::kI4, T::kI4}, "Slides.Add");
      return Add(args[0].Integer(), args[1].Integer());
    }
    Unknown(name_, id, kind);
  }

 private:
  // A new title-and-text slide at position `index` (1-based).
  Variant Add(std::int32_t index, std::int32_t layout) {
    const sal_Int32 count = pages_->getCount();
    if (index < 1 || index > count + 1) {
      throw AutomationError("Slides.Add: the index " + std::to_string(index) + " is out of range");
    }
    if (layout != ppt::kLayoutText) throw AutomationError("Slides.Add: only the title-and-text layout is supported");
    // insertNewByIndex(n) puts the new page after page n (0-based), so
    // nothing can go before the first page.
    if (index == 1) throw AutomationError("Slides.Add: inserting before the first slide is not supported");
    Reference<drawing::XDrawPage> page = pages_->insertNewByIndex(index - 2);
    constexpr sal_Int16 kAutoLayoutTitleContent = 1;
    Reference<beans::XPropertySet>(page, UNO_QUERY_THROW)
        ->setPropertyValue("Layout", uno::Any(kAutoLayoutTitleContent));
    // The caller fits the text itself (Font.Size against BoundHeight): the
    // placeholders' own shrink-on-overflow would hide every overflow from it.
    for (sal_Int32 i = 0, n = page->getCount(); i < n; ++i) {
      Reference<beans::XPropertySet> shape(page->getByIndex(i), UNO_QUERY);
      if (shape.is() && shape->getPropertySetInfo()->hasPropertyByName("TextFitToSize")) {
        shape->setPropertyValue("TextFitToSize", uno::Any(drawing::TextFitToSizeType_NONE));
      }
    }
    return Obj(std::make_shared<SlideObject>(context_, page));
  }

  Reference<drawing::XDrawPages> pages_;
};

// The slides' size, in points, from the first slide (all have one size).
class PageSetupObject final : public OfficeObject {
 public:
  PageSetupObject(std::shared_ptr<ApplicationContext> c, Reference<drawing::XDrawPages> pages)
      : OfficeObject(std::move(c), "PageSetup"), pages_(std::move(pages)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args&) override {
    const bool width = id == dispid::kPageSetupSlideWidth;
    if (kind != DispatchKind::kPropertyGet || (!width && id != dispid::kPageSetupSlideHeight)) Unknown(name_, id, kind);
    sal_Int32 mm100 = 0;
    if (pages_->getCount() > 0) {
      Reference<beans::XPropertySet> page(pages_->getByIndex(0), UNO_QUERY_THROW);
      if (width) {
        page->getPropertyValue("Width") >>= mm100;
      } else {
        page->getPropertyValue("Height") >>= mm100;
      }
    }
    return Variant::R4(static_cast<float>(mm100 * 72.0 / 2540.0));
  }

 private:
  Reference<drawing::XDrawPages> pages_;
};

class PresentationObject final : public OfficeObject {
 public:
  PresentationObject(std::shared_ptr<ApplicationContext> c, Reference<lang::XComponent> document)
      : OfficeObject(std::move(c), "Presentation"), document_(std::move(document)) {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kPresentationSlides) {
      return Obj(std::make_shared<SlidesObject>(context_, Pages()));
    }
    if (kind == DispatchKind::kPropertyGet && id == dispid::kPresentationPageSetup) {
      return Obj(std::make_shared<PageSetupObject>(context_, Pages()));
    }
    if (kind == DispatchKind::kMethod && id == dispid::kPresentationOutline) {
      ExpectArguments(args, {T::kI4}, "Presentation.Outline");
      return Variant::Text(RequestOutline(context_->session(), document_, args[0].Integer() != 0));
    }
    if (kind == DispatchKind::kMethod && id == dispid::kPresentationSaveAs) {
      ExpectArguments(args, {T::kText, T::kI4, T::kI4}, "Presentation.SaveAs");
      if (args[1].Integer() != ppt::kSaveAsBmp) {
        throw AutomationError("Presentation.SaveAs: file format " + std::to_string(args[1].Integer()) +
                              " is not supported");
      }
      SaveAsPictures(args[0].Text());
      return {};
    }
    Unknown(name_, id, kind);
  }

 private:
  Reference<drawing::XDrawPages> Pages() {
    return Reference<drawing::XDrawPagesSupplier>(document_, UNO_QUERY_THROW)->getDrawPages();
  }

  // Every slide as a BMP picture at its own size at 96 dpi, in a folder
  // created here, named Slide1.bmp, Slide2.bmp, ...
  void SaveAsPictures(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw AutomationError("Presentation.SaveAs: cannot create " + folder);
    Reference<drawing::XDrawPages> pages = Pages();
    for (sal_Int32 i = 0, n = pages->getCount(); i < n; ++i) {
      Reference<drawing::XDrawPage> page(pages->getByIndex(i), UNO_QUERY_THROW);
      Reference<beans::XPropertySet> props(page, UNO_QUERY_THROW);
      sal_Int32 width = 0, height = 0;
      props->getPropertyValue("Width") >>= width;
      props->getPropertyValue("Height") >>= height;
      auto pixels = [](sal_Int32 mm100) { return static_cast<std::int32_t>(std::lround(mm100 * 96.0 / 2540.0)); };
      ExportPage(context_->session(), page, folder + "/Slide" + std::to_string(i + 1) + ".bmp", "BMP", pixels(width),
                 pixels(height));
    }
  }

  Reference<lang::XComponent> document_;
};

class PresentationsObject final : public OfficeObject {
 public:
  explicit PresentationsObject(std::shared_ptr<ApplicationContext> c) : OfficeObject(std::move(c), "Presentations") {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (kind != DispatchKind::kMethod || id != dispid::kPresentationsOpen) Unknown(name_, id, kind);
    ExpectArguments(args, {T::kText, T::kI4, T::kI4, T::kI4}, "Presentations.Open");
    return Open(args[0].Text());  // ReadOnly, Untitled and WithWindow: see Open
  }

 private:
  Variant Open(const std::string& path) {
    // LibreOffice opens an empty file as a new presentation and reports
    // nothing for unreadable ones: these are refused here with a reason.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) throw AutomationError("cannot find the file " + path);
    if (!S_ISREG(st.st_mode)) throw AutomationError(path + " is not a file");
    if (st.st_size == 0) throw AutomationError("the file is empty", AutomationFailure::kEmpty);
    if (access(path.c_str(), R_OK) != 0) throw AutomationError(std::strerror(errno), AutomationFailure::kUnreadable);

    fs::path source(path);
    std::string lockFile = (source.parent_path() / (".~lock." + source.filename().string() + "#")).string();
    std::error_code ec;
    if (fs::exists(lockFile, ec)) lockFile.clear();  // not ours to remove

    // Nothing is ever saved, so every file is opened read-only, whatever
    // the caller asks, and never in a window or untitled. Opened for writing, LibreOffice takes a write lock
    // while it detects the type: a second run converting the same file at
    // that moment, or a file this user cannot write (a CD, a share, another
    // user's folder), then fails as "type detection failed".
    auto questions = std::make_shared<LoadQuestions>();
    uno::Sequence<beans::PropertyValue> descriptor =
        Properties({Property("Hidden", uno::Any(true)), Property("ReadOnly", uno::Any(true)),
                    Property("MacroExecutionMode", uno::Any(sal_Int16(0))),  // never run macros
                    Property("UpdateDocMode", uno::Any(sal_Int16(0))),       // never update links
                    Property("InteractionHandler", uno::Any(MakeRefusingHandler(questions)))});
    Reference<lang::XComponent> document;
    std::string officeWords;
    try {
      document = context_->session().loader()->loadComponentFromURL(ToUno(FileUrl(path)), "_blank", 0, descriptor);
    } catch (const io::IOException& e) {
      officeWords = FromUno(e.Message);
    } catch (const lang::IllegalArgumentException& e) {
      officeWords = FromUno(e.Message);
    }
    if (!document.is()) {
      RemoveLock(lockFile);
      throw OpenFailure(context_->session(), path, *questions, officeWords);
    }
    context_->AddDocument(document, lockFile);
    Reference<lang::XServiceInfo> info(document, UNO_QUERY);
    if (!info.is() || !info->supportsService("com.sun.star.presentation.PresentationDocument")) {
      throw AutomationError(LoadedAs(document), AutomationFailure::kNotPresentation);
    }
    return Obj(std::make_shared<PresentationObject>(context_, document));
  }

  static void RemoveLock(const std::string& lockFile) {
    std::error_code ec;
    if (!lockFile.empty()) fs::remove(lockFile, ec);
  }
};

class ApplicationObject final : public OfficeObject {
 public:
  explicit ApplicationObject(std::shared_ptr<ApplicationContext> c) : OfficeObject(std::move(c), "Application") {}

 protected:
  Variant Answer(std::int32_t id, DispatchKind kind, const Args& args) override {
    if (kind == DispatchKind::kPropertyGet && id == dispid::kApplicationPresentations) {
      return Obj(std::make_shared<PresentationsObject>(context_));
    }
    if (kind == DispatchKind::kPropertyGet && id == dispid::kApplicationVersion) {
      // Never "8.": that would be taken for the oldest server.
      return Variant::Text("LibreOffice " + context_->session().version());
    }
    if (kind == DispatchKind::kMethod && id == dispid::kApplicationQuit) {
      ExpectArguments(args, {}, "Application.Quit");
      context_->Quit();
      return {};
    }
    Unknown(name_, id, kind);
  }
};

}  // namespace

OfficeSession& ApplicationContext::session() {
  if (!session_) throw AutomationError("LibreOffice has quit");
  return *session_;
}

void ApplicationContext::CheckAlive() {
  if (!session_) throw AutomationError("LibreOffice has quit", AutomationFailure::kServerLost);
  if (!session_->Alive()) throw AutomationError("LibreOffice has stopped unexpectedly", AutomationFailure::kServerLost);
}

void ApplicationContext::AddDocument(const Reference<lang::XComponent>& document, std::string lockFile) {
  documents_.push_back({document, std::move(lockFile)});
}

void ApplicationContext::CloseDocuments() {
  const bool alive = session_ && session_->Alive();
  for (auto& document : documents_) {
    if (alive) {
      try {
        Reference<util::XCloseable> closeable(document.component, UNO_QUERY);
        if (closeable.is()) {
          closeable->close(true);
        } else {
          document.component->dispose();
        }
      } catch (const uno::Exception&) {
        // Closing fails only when LibreOffice is going away; it takes the
        // document with it.
      }
    }
    document.component.clear();
  }
  for (auto& document : documents_) {
    std::error_code ec;
    if (!document.lockFile.empty()) fs::remove(document.lockFile, ec);
  }
  documents_.clear();
}

void ApplicationContext::Quit() {
  CloseDocuments();
  if (endSessionOnQuit_) session_.reset();
}

ApplicationContext::~ApplicationContext() {
  CloseDocuments();
  session_.reset();
}

AutomationObject MakeApplication(std::shared_ptr<ApplicationContext> context) {
  return AutomationObject(std::make_shared<ApplicationObject>(std::move(context)));
}

}  // namespace orv::office
