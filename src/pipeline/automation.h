// The automation seam: late-bound calls by dispatch id into a presentation
// server. ExportPresentation is written against this alone, so the same code
// could drive any server that answers the member table's dispatch ids: the
// LibreOffice bridge (office_server.h), the scripted presentation of the tests
// (scripted_presentation.h), or a COM server on Windows.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class AutomationTarget;
class Variant;

// The three ways a member is reached.
enum class DispatchKind { kMethod, kPropertyGet, kPropertyPut };

// A late-bound handle to one object of the server. Copies share the object;
// the object goes away when its last handle is released or reassigned.
class AutomationObject {
 public:
  AutomationObject() = default;
  explicit AutomationObject(std::shared_ptr<AutomationTarget> target) : target_(std::move(target)) {}

  bool IsNull() const { return target_ == nullptr; }
  void Release() { target_.reset(); }
  AutomationTarget* target() const { return target_.get(); }

  // One member call; see Invoke in AutomationTarget. A null handle raises
  // AutomationError instead of crashing.
  Variant Invoke(std::int32_t dispid, DispatchKind kind, const std::vector<Variant>& args) const;
  // The same without arguments. (An overload, not a default argument: Variant
  // is still incomplete here.)
  Variant Invoke(std::int32_t dispid, DispatchKind kind) const;

  // Typed shorthands that check the result's type (AutomationError otherwise).
  AutomationObject GetObject(std::int32_t dispid) const;
  std::int32_t GetI4(std::int32_t dispid) const;
  float GetR4(std::int32_t dispid) const;
  std::string GetText(std::int32_t dispid) const;

 private:
  std::shared_ptr<AutomationTarget> target_;
};

// The value of an argument or a result. kIndex is an argument of type VARIANT
// that holds a 32-bit integer (the Index of Item and Range); kI4 is a plain
// 32-bit integer argument.
class Variant {
 public:
  enum class Type { kEmpty, kI4, kR4, kText, kIndex, kObject };

  Variant() = default;
  static Variant I4(std::int32_t value);
  static Variant R4(float value);
  static Variant Text(std::string value);
  static Variant Index(std::int32_t value);
  static Variant Object(AutomationObject value);

  Type type() const { return type_; }
  bool IsEmpty() const { return type_ == Type::kEmpty; }
  // Checked reads: a value of another type raises AutomationError. Integer()
  // accepts both kI4 and kIndex.
  std::int32_t Integer() const;
  float Real() const;
  const std::string& Text() const;
  const AutomationObject& Object() const;

  static const char* TypeName(Type type);

 private:
  Type type_ = Type::kEmpty;
  std::int32_t integer_ = 0;
  float real_ = 0.0f;
  std::string text_;
  AutomationObject object_;
};

// A failing automation call. Carries the server's description of the error
// (its own words, for --verbose);
// nothing in the pipeline catches it: it ends the whole Convert command.
// Visibility is explicit so that the type matches across the office plugin.
// What kind of failure it was, so that the message for the user can say it
// in plain words without reading the description.
enum class AutomationFailure {
  kCall,               // a member failed (the description says how)
  kServerLost,         // the server stopped or the connection to it broke
  kCannotOpen,         // LibreOffice could not open the file, and cannot tell why
  kNotPresentation,    // LibreOffice takes the file for something else, or for nothing it knows
  kPasswordProtected,  // opening it needs a password
  kDamaged,            // a presentation by its content that LibreOffice failed to read
  kEmpty,              // the file holds no bytes
  kUnreadable,         // this user may not read the file
};

class __attribute__((visibility("default"))) AutomationError : public std::runtime_error {
 public:
  explicit AutomationError(const std::string& description, AutomationFailure failure = AutomationFailure::kCall)
      : std::runtime_error(description), failure_(failure) {}
  const char* description() const { return what(); }
  AutomationFailure failure() const { return failure_; }

 private:
  AutomationFailure failure_;
};

// What a server implements for each of its objects.
class AutomationTarget {
 public:
  virtual ~AutomationTarget() = default;
  // Calls member `dispid` as `kind` with `args` in the order of the member
  // table. Returns the result (empty for none); raises AutomationError.
  virtual Variant Invoke(std::int32_t dispid, DispatchKind kind, const std::vector<Variant>& args) = 0;
};

// The outcome of creating an application object. On failure `application` is
// null and `failureCode` holds a COM-style failure code (e.g. 0x80040154 when
// the class is not installed) with a readable `description`.
struct ServerStart {
  AutomationObject application;
  std::uint32_t failureCode = 0;
  std::string description;
};

// Well-known failure codes of object creation.
inline constexpr std::uint32_t kClassNotRegistered = 0x80040154;  // REGDB_E_CLASSNOTREG
inline constexpr std::uint32_t kServerExecFailure = 0x80080005;   // CO_E_SERVER_EXEC_FAILURE
inline constexpr std::uint32_t kInvalidClassString = 0x800401F3;  // CO_E_CLASSSTRING

// Creates application objects by class name ("Powerpoint.Application").
class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  virtual ServerStart CreateObject(std::string_view className) = 0;
  // Ends the server's process at once, whatever it is doing, from any
  // thread: a presentation ran out of time. Calls in progress then fail with
  // AutomationError, and the next CreateObject starts a fresh process.
  virtual void EndNow() {}
};

// A method call that must answer an object (Open, Add, Item, ...): a null
// result raises AutomationError.
AutomationObject CallForObject(const AutomationObject& object, std::int32_t dispid, const std::vector<Variant>& args);
// Item `index` (1-based) of a collection through its method `dispid`.
AutomationObject Item(const AutomationObject& collection, std::int32_t dispid, std::int32_t index);

// Raises AutomationError unless `args` has exactly the given types; servers
// use it to hold callers to the member table.
void ExpectArguments(const std::vector<Variant>& args, std::initializer_list<Variant::Type> types,
                     std::string_view member);

}  // namespace orv
