#include "pipeline/automation.h"

namespace orv {

Variant AutomationObject::Invoke(std::int32_t dispid, DispatchKind kind) const {
  return Invoke(dispid, kind, std::vector<Variant>{});
}

Variant AutomationObject::Invoke(std::int32_t dispid, DispatchKind kind, const std::vector<Variant>& args) const {
  if (!target_) {
    throw AutomationError("Automation call " + std::to_string(dispid) + " on a released object");
  }
  return target_->Invoke(dispid, kind, args);
}

AutomationObject AutomationObject::GetObject(std::int32_t dispid) const {
  AutomationObject result = Invoke(dispid, DispatchKind::kPropertyGet).Object();
  if (result.IsNull()) {
    throw AutomationError("Automation property " + std::to_string(dispid) + " returned no object");
  }
  return result;
}

std::int32_t AutomationObject::GetI4(std::int32_t dispid) const {
  return Invoke(dispid, DispatchKind::kPropertyGet).Integer();
}

float AutomationObject::GetR4(std::int32_t dispid) const { return Invoke(dispid, DispatchKind::kPropertyGet).Real(); }

std::string AutomationObject::GetText(std::int32_t dispid) const {
  return Invoke(dispid, DispatchKind::kPropertyGet).Text();
}

Variant Variant::I4(std::int32_t value) {
  Variant v;
  v.type_ = Type::kI4;
  v.integer_ = value;
  return v;
}

Variant Variant::R4(float value) {
  Variant v;
  v.type_ = Type::kR4;
  v.real_ = value;
  return v;
}

Variant Variant::Text(std::string value) {
  Variant v;
  v.type_ = Type::kText;
  v.text_ = std::move(value);
  return v;
}

Variant Variant::Index(std::int32_t value) {
  Variant v;
  v.type_ = Type::kIndex;
  v.integer_ = value;
  return v;
}

Variant Variant::Object(AutomationObject value) {
  Variant v;
  v.type_ = Type::kObject;
  v.object_ = std::move(value);
  return v;
}

const char* Variant::TypeName(Type type) {
  switch (type) {
    case Type::kEmpty:
      return "nothing";
    case Type::kI4:
      return "I4";
    case Type::kR4:
      return "R4";
    case Type::kText:
      return "BSTR";
    case Type::kIndex:
      return "VARIANT";
    case Type::kObject:
      return "object";
  }
  return "?";
}

namespace {
[[noreturn]] void WrongType(Variant::Type wanted, Variant::Type found) {
  throw AutomationError(std::string("Type mismatch: expected ") + Variant::TypeName(wanted) + ", got " +
                        Variant::TypeName(found));
}
}  // namespace

std::int32_t Variant::Integer() const {
  if (type_ != Type::kI4 && type_ != Type::kIndex) WrongType(Type::kI4, type_);
  return integer_;
}

float Variant::Real() const {
  if (type_ != Type::kR4) WrongType(Type::kR4, type_);
  return real_;
}

const std::string& Variant::Text() const {
  if (type_ != Type::kText) WrongType(Type::kText, type_);
  return text_;
}

const AutomationObject& Variant::Object() const {
  if (type_ != Type::kObject) WrongType(Type::kObject, type_);
  return object_;
}

void ExpectArguments(const std::vector<Variant>& args, std::initializer_list<Variant::Type> types,
                     std::string_view member) {
  bool ok = args.size() == types.size();
  std::size_t i = 0;
  for (auto it = types.begin(); ok && it != types.end(); ++it, ++i) ok = args[i].type() == *it;
  if (ok) return;
  std::string wanted;
  for (auto t : types) wanted += std::string(wanted.empty() ? "" : ", ") + Variant::TypeName(t);
  std::string got;
  for (const auto& a : args) got += std::string(got.empty() ? "" : ", ") + Variant::TypeName(a.type());
  throw AutomationError(std::string(member) + ": wrong arguments (" + got + "), expected (" + wanted + ")");
}

AutomationObject CallForObject(const AutomationObject& object, std::int32_t dispid, const std::vector<Variant>& args) {
  AutomationObject result = object.Invoke(dispid, DispatchKind::kMethod, args).Object();
  if (result.IsNull()) throw AutomationError("Automation method " + std::to_string(dispid) + " returned no object");
  return result;
}

AutomationObject Item(const AutomationObject& collection, std::int32_t dispid, std::int32_t index) {
  return CallForObject(collection, dispid, {Variant::Index(index)});
}

}  // namespace orv
