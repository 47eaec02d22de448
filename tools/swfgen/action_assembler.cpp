#include "action_assembler.h"

#include <cstring>
#include <optional>
#include <sstream>
#include <unordered_map>

namespace swfgen {

namespace {

// Stack operations without operands, by mnemonic.
const std::unordered_map<std::string, std::uint8_t>& SimpleOps() {
  static const std::unordered_map<std::string, std::uint8_t> ops = {
      {"nextframe", 0x04},     {"prevframe", 0x05},    {"play", 0x06},         {"stop", 0x07},
      {"add", 0x0A},           {"subtract", 0x0B},     {"multiply", 0x0C},     {"divide", 0x0D},
      {"equals", 0x0E},        {"less", 0x0F},         {"and", 0x10},          {"or", 0x11},
      {"not", 0x12},           {"stringequals", 0x13}, {"stringlength", 0x14}, {"stringextract", 0x15},
      {"pop", 0x17},           {"tointeger", 0x18},    {"getvariable", 0x1C},  {"setvariable", 0x1D},
      {"settarget2", 0x20},    {"stringadd", 0x21},    {"getproperty", 0x22},  {"setproperty", 0x23},
      {"clonesprite", 0x24},   {"removesprite", 0x25}, {"trace", 0x26},        {"startdrag", 0x27},
      {"enddrag", 0x28},       {"stringless", 0x29},   {"random", 0x30},       {"gettime", 0x34},
      {"delete", 0x3A},        {"delete2", 0x3B},      {"definelocal", 0x3C},  {"callfunction", 0x3D},
      {"return", 0x3E},        {"modulo", 0x3F},       {"newobject", 0x40},    {"definelocal2", 0x41},
      {"initarray", 0x42},     {"initobject", 0x43},   {"typeof", 0x44},       {"targetpath", 0x45},
      {"enumerate", 0x46},     {"add2", 0x47},         {"less2", 0x48},        {"equals2", 0x49},
      {"tonumber", 0x4A},      {"tostring", 0x4B},     {"dup", 0x4C},          {"swap", 0x4D},
      {"getmember", 0x4E},     {"setmember", 0x4F},    {"increment", 0x50},    {"decrement", 0x51},
      {"callmethod", 0x52},    {"newmethod", 0x53},    {"instanceof", 0x54},   {"enumerate2", 0x55},
      {"bitand", 0x60},        {"bitor", 0x61},        {"bitxor", 0x62},       {"bitlshift", 0x63},
      {"bitrshift", 0x64},     {"biturshift", 0x65},   {"strictequals", 0x66}, {"greater", 0x67},
      {"stringgreater", 0x68},
  };
  return ops;
}

constexpr std::uint8_t kGotoFrame = 0x81, kGetUrl = 0x83, kStoreRegister = 0x87, kConstantPool = 0x88,
                       kSetTarget = 0x8B, kGotoLabel = 0x8C, kPush = 0x96, kJump = 0x99, kDefineFunction = 0x9B,
                       kIf = 0x9D, kGotoFrame2 = 0x9F;

struct Token {
  std::string text;
  bool quoted = false;
};

struct Line {
  int number = 0;
  std::vector<Token> tokens;
};

class Parser {
 public:
  explicit Parser(std::string where) : where_(std::move(where)) {}

  [[noreturn]] void Fail(int line, const std::string& what) const { throw AssemblyError(where_, line, what); }

  std::vector<Token> Tokenize(const std::string& text, int line) const {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == ';') break;
      if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
        ++i;
        continue;
      }
      if (c == '"') {
        Token t{"", true};
        ++i;
        for (;;) {
          if (i >= text.size()) Fail(line, "unterminated string");
          char d = text[i++];
          if (d == '"') break;
          if (d == '\\') {
            if (i >= text.size()) Fail(line, "unterminated string");
            const char e = text[i++];
            if (e == 'n')
              d = '\n';
            else if (e == 't')
              d = '\t';
            else if (e == '"' || e == '\\')
              d = e;
            else
              Fail(line, "unknown escape");
          }
          t.text.push_back(d);
        }
        tokens.push_back(std::move(t));
        continue;
      }
      Token t;
      while (i < text.size() && std::strchr(" \t,;\"\r", text[i]) == nullptr) t.text.push_back(text[i++]);
      tokens.push_back(std::move(t));
    }
    return tokens;
  }

  // Splits into lines, collects macros and expands their uses.
  std::vector<Line> Read(const std::string& source) {
    std::vector<Line> raw;
    std::istringstream in(source);
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
      ++number;
      auto tokens = Tokenize(text, number);
      if (!tokens.empty()) raw.push_back({number, std::move(tokens)});
    }
    std::vector<Line> body;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const Line& l = raw[i];
      if (!l.tokens[0].quoted && l.tokens[0].text == ".macro") {
        if (l.tokens.size() < 2) Fail(l.number, ".macro needs a name");
        Macro m;
        for (std::size_t p = 2; p < l.tokens.size(); ++p) m.params.push_back(l.tokens[p].text);
        std::size_t j = i + 1;
        for (; j < raw.size(); ++j) {
          if (!raw[j].tokens[0].quoted && raw[j].tokens[0].text == ".endm") break;
          m.body.push_back(raw[j]);
        }
        if (j == raw.size()) Fail(l.number, ".macro without .endm");
        macros_[l.tokens[1].text] = std::move(m);
        i = j;
        continue;
      }
      body.push_back(l);
    }
    std::vector<Line> out;
    for (const Line& l : body) Expand(l, out, 0);
    return out;
  }

 private:
  struct Macro {
    std::vector<std::string> params;
    std::vector<Line> body;
  };

  void Expand(const Line& l, std::vector<Line>& out, int depth) {
    const Token& head = l.tokens[0];
    auto found = head.quoted ? macros_.end() : macros_.find(head.text);
    if (found == macros_.end()) {
      out.push_back(l);
      return;
    }
    if (depth > 16) Fail(l.number, "macros nested too deeply");
    const Macro& m = found->second;
    if (l.tokens.size() - 1 != m.params.size()) Fail(l.number, "wrong argument count for macro " + head.text);
    for (const Line& bodyLine : m.body) {
      Line expanded{l.number, {}};
      for (const Token& t : bodyLine.tokens) {
        Token r = t;
        for (std::size_t p = 0; p < m.params.size(); ++p) {
          if (!t.quoted && t.text == "%" + m.params[p]) r = l.tokens[p + 1];
        }
        expanded.tokens.push_back(std::move(r));
      }
      Expand(expanded, out, depth + 1);
    }
  }

  std::string where_;
  std::unordered_map<std::string, Macro> macros_;
};

// Value types of a push record.
enum PushType : std::uint8_t {
  kPushString = 0,
  kPushFloat = 1,
  kPushNull = 2,
  kPushUndefined = 3,
  kPushRegister = 4,
  kPushBoolean = 5,
  kPushDouble = 6,
  kPushInteger = 7,
  kPushConstant8 = 8,
  kPushConstant16 = 9,
};

constexpr std::uint8_t kActionEnd = 0x00;
constexpr std::uint8_t kFirstActionWithPayload = 0x80;  // from here on a 16-bit length follows the opcode
constexpr std::size_t kBranchSize = 5;                  // opcode, length, 16-bit distance

struct Item {
  enum class Kind { Action, Branch, FunctionStart, FunctionEnd, Label } kind = Kind::Action;
  int line = 0;
  std::uint8_t opcode = 0;
  Bytes payload;          // for Action and FunctionStart (without the code size)
  std::string label;      // Branch target or Label name
  std::size_t match = 0;  // FunctionStart: index of its end
  std::size_t offset = 0;
  std::uint16_t resolved = 0;  // after lay-out: Branch distance, FunctionStart body size

  std::size_t Size() const {
    switch (kind) {
      case Kind::Action:
        return opcode < kFirstActionWithPayload ? 1 : 3 + payload.size();
      case Kind::Branch:
        return kBranchSize;
      case Kind::FunctionStart:
        return 3 + payload.size() + 2;
      default:
        return 0;
    }
  }
};

void PutDouble(ByteWriter& out, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  // The action language stores the high word first, each word little-endian.
  out.U32(static_cast<std::uint32_t>(bits >> 32));
  out.U32(static_cast<std::uint32_t>(bits));
}

std::optional<long long> ParseInteger(const std::string& s) {
  if (s.empty()) return std::nullopt;
  std::size_t used = 0;
  try {
    const long long v = std::stoll(s, &used, 10);
    if (used != s.size()) return std::nullopt;
    return v;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<double> ParseReal(const std::string& s) {
  std::size_t used = 0;
  double d = 0;
  try {
    d = std::stod(s, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != s.size()) return std::nullopt;
  return d;
}

void PutConstant(ByteWriter& out, std::size_t index) {
  if (index < 256) {
    out.U8(kPushConstant8);
    out.U8(static_cast<unsigned>(index));
  } else {
    out.U8(kPushConstant16);
    out.U16(static_cast<unsigned>(index));
  }
}

// A block after parsing: its pools and its code as items, not yet placed.
struct Program {
  std::vector<std::string> pool, externPool;
  std::optional<std::size_t> requiredSize;
  std::vector<Item> items;
  std::unordered_map<std::string, std::size_t> labels;  // name -> item index
};

// Turns the expanded lines into a Program, one line at a time.
class ProgramParser {
 public:
  explicit ProgramParser(const Parser& parser) : parser_(parser) {}

  Program Parse(const std::vector<Line>& lines) {
    for (const Line& line : lines) ParseLine(line);
    if (!openFunctions_.empty()) parser_.Fail(program_.items[openFunctions_.back()].line, "function without end");
    return std::move(program_);
  }

 private:
  void ParseLine(const Line& line) {
    const auto& t = line.tokens;
    if (t[0].quoted) parser_.Fail(line.number, "instruction expected");
    const std::string& op = t[0].text;
    if (op == ".pool" || op == ".extern_pool") return ParsePool(line);
    if (op == ".size") {
      NeedArgs(line, 1);
      const auto v = ParseInteger(t[1].text);
      if (!v || *v < 1) parser_.Fail(line.number, "bad size");
      program_.requiredSize = static_cast<std::size_t>(*v);
      return;
    }
    if (op.size() > 1 && op.back() == ':' && t.size() == 1) return DefineLabel(line, op.substr(0, op.size() - 1));
    Item item = ParseInstruction(line);
    program_.items.push_back(std::move(item));
  }

  void ParsePool(const Line& line) {
    const std::string& op = line.tokens[0].text;
    if (!program_.items.empty()) parser_.Fail(line.number, op + " must come before the code");
    auto& target = op == ".pool" ? program_.pool : program_.externPool;
    for (std::size_t i = 1; i < line.tokens.size(); ++i) target.push_back(QuotedArg(line, i));
    if (!program_.pool.empty() && !program_.externPool.empty())
      parser_.Fail(line.number, "a block has either a pool or an external pool");
  }

  void DefineLabel(const Line& line, const std::string& name) {
    if (!program_.labels.emplace(name, program_.items.size()).second)
      parser_.Fail(line.number, "label defined twice: " + name);
    Item label;
    label.kind = Item::Kind::Label;
    label.line = line.number;
    label.label = name;
    program_.items.push_back(std::move(label));
  }

  Item ParseInstruction(const Line& line) {
    const std::string& op = line.tokens[0].text;
    Item item;
    item.line = line.number;
    ByteWriter payload;
    if (auto simple = SimpleOps().find(op); simple != SimpleOps().end()) {
      NeedArgs(line, 0);
      item.opcode = simple->second;
    } else if (op == "push") {
      ParsePush(line, item, payload);
    } else if (op == "jump" || op == "if" || op == "function" || op == "end") {
      ParseFlow(line, item, payload);
    } else {
      ParseOperandAction(line, item, payload);
    }
    item.payload = payload.Take();
    if (item.payload.size() > 0xffff) parser_.Fail(line.number, "action too long");
    return item;
  }

  void ParsePush(const Line& line, Item& item, ByteWriter& payload) {
    if (line.tokens.size() < 2) parser_.Fail(line.number, "push needs values");
    item.opcode = kPush;
    for (std::size_t i = 1; i < line.tokens.size(); ++i) PushValue(line.tokens[i], line.number, payload);
  }

  void PushValue(const Token& v, int line, ByteWriter& payload) {
    if (v.quoted) {
      if (auto index = LookUpPool(v.text)) {
        PutConstant(payload, *index);
      } else {
        payload.U8(kPushString);
        payload.String(v.text);
      }
    } else if (v.text == "true" || v.text == "false") {
      payload.U8(kPushBoolean);
      payload.U8(v.text == "true" ? 1 : 0);
    } else if (v.text == "null") {
      payload.U8(kPushNull);
    } else if (v.text == "undefined") {
      payload.U8(kPushUndefined);
    } else if (v.text.rfind("r:", 0) == 0) {
      const auto r = ParseInteger(v.text.substr(2));
      if (!r || *r < 0 || *r > 255) parser_.Fail(line, "bad register " + v.text);
      payload.U8(kPushRegister);
      payload.U8(static_cast<unsigned>(*r));
    } else if (v.text.rfind("#", 0) == 0) {
      const auto index = ParseInteger(v.text.substr(1));
      if (!index || *index < 0 || static_cast<std::size_t>(*index) >= ActivePool().size())
        parser_.Fail(line, "constant index outside the pool: " + v.text);
      PutConstant(payload, static_cast<std::size_t>(*index));
    } else if (auto integer = ParseInteger(v.text)) {
      if (*integer < INT32_MIN || *integer > INT32_MAX) parser_.Fail(line, "integer out of range");
      payload.U8(kPushInteger);
      payload.U32(static_cast<std::uint32_t>(static_cast<std::int32_t>(*integer)));
    } else {
      const auto real = ParseReal(v.text);
      if (!real) parser_.Fail(line, "cannot push " + v.text);
      payload.U8(kPushDouble);
      PutDouble(payload, *real);
    }
  }

  // Branches and function bodies: their sizes and distances wait for the lay-out.
  void ParseFlow(const Line& line, Item& item, ByteWriter& payload) {
    const auto& t = line.tokens;
    const std::string& op = t[0].text;
    if (op == "jump" || op == "if") {
      NeedArgs(line, 1);
      item.kind = Item::Kind::Branch;
      item.opcode = op == "jump" ? kJump : kIf;
      item.label = t[1].text;
    } else if (op == "function") {
      if (t.size() < 2) parser_.Fail(line.number, "function needs a name or -");
      item.kind = Item::Kind::FunctionStart;
      item.opcode = kDefineFunction;
      payload.String(t[1].text == "-" ? std::string() : t[1].text);
      payload.U16(static_cast<unsigned>(t.size() - 2));
      for (std::size_t i = 2; i < t.size(); ++i) payload.String(t[i].text);
      openFunctions_.push_back(program_.items.size());
    } else {
      NeedArgs(line, 0);
      if (openFunctions_.empty()) parser_.Fail(line.number, "end without function");
      program_.items[openFunctions_.back()].match = program_.items.size();
      openFunctions_.pop_back();
      item.kind = Item::Kind::FunctionEnd;
    }
  }

  void ParseOperandAction(const Line& line, Item& item, ByteWriter& payload) {
    const auto& t = line.tokens;
    const std::string& op = t[0].text;
    if (op == "gotoframe" || op == "storeregister") {
      NeedArgs(line, 1);
      const auto v = ParseInteger(t[1].text);
      if (op == "gotoframe") {
        if (!v || *v < 0 || *v > 0xffff) parser_.Fail(line.number, "bad frame index");
        item.opcode = kGotoFrame;
        payload.U16(static_cast<unsigned>(*v));
      } else {
        if (!v || *v < 0 || *v > 255) parser_.Fail(line.number, "bad register");
        item.opcode = kStoreRegister;
        payload.U8(static_cast<unsigned>(*v));
      }
    } else if (op == "settarget" || op == "gotolabel") {
      NeedArgs(line, 1);
      item.opcode = op == "settarget" ? kSetTarget : kGotoLabel;
      payload.String(QuotedArg(line, 1));
    } else if (op == "geturl") {
      NeedArgs(line, 2);
      item.opcode = kGetUrl;
      payload.String(QuotedArg(line, 1));
      payload.String(QuotedArg(line, 2));
    } else if (op == "gotoframe2") {
      NeedArgs(line, 1);
      if (t[1].text != "play" && t[1].text != "stop") parser_.Fail(line.number, "gotoframe2 play|stop");
      item.opcode = kGotoFrame2;
      payload.U8(t[1].text == "play" ? 1 : 0);
    } else {
      parser_.Fail(line.number, "unknown instruction " + op);
    }
  }

  void NeedArgs(const Line& line, std::size_t count) const {
    if (line.tokens.size() != count + 1)
      parser_.Fail(line.number, line.tokens[0].text + " takes " + std::to_string(count) + " operand(s)");
  }

  const std::string& QuotedArg(const Line& line, std::size_t i) const {
    if (!line.tokens[i].quoted) parser_.Fail(line.number, line.tokens[0].text + " needs a quoted string");
    return line.tokens[i].text;
  }

  // Strings are looked up in the block's own pool, or else in the external one.
  const std::vector<std::string>& ActivePool() const {
    return program_.pool.empty() ? program_.externPool : program_.pool;
  }

  std::optional<std::size_t> LookUpPool(const std::string& s) const {
    const auto& active = ActivePool();
    for (std::size_t i = 0; i < active.size(); ++i)
      if (active[i] == s) return i;
    return std::nullopt;
  }

  const Parser& parser_;
  Program program_;
  std::vector<std::size_t> openFunctions_;  // item indexes of the functions not yet ended
};

void EmitPool(ByteWriter& out, const std::vector<std::string>& pool) {
  if (pool.empty()) return;
  ByteWriter p;
  p.U16(static_cast<unsigned>(pool.size()));
  for (const std::string& s : pool) p.String(s);
  out.U8(kConstantPool);
  out.U16(static_cast<unsigned>(p.size()));
  out.Append(p.bytes());
}

// Places the items from `start` on and works out the branch distances and
// function body sizes; returns where the code ends.
std::size_t LayOut(Program& program, std::size_t start, const Parser& parser) {
  std::size_t offset = start;
  for (Item& item : program.items) {
    item.offset = offset;
    offset += item.Size();
  }
  for (Item& item : program.items) {
    if (item.kind == Item::Kind::Branch) {
      const auto target = program.labels.find(item.label);
      if (target == program.labels.end()) parser.Fail(item.line, "unknown label " + item.label);
      const long long delta = static_cast<long long>(program.items[target->second].offset) -
                              static_cast<long long>(item.offset + kBranchSize);
      if (delta < INT16_MIN || delta > INT16_MAX) parser.Fail(item.line, "branch too far");
      item.resolved = static_cast<std::uint16_t>(static_cast<std::int16_t>(delta));
    } else if (item.kind == Item::Kind::FunctionStart) {
      const std::size_t bodyStart = item.offset + item.Size();
      const std::size_t bodySize = program.items[item.match].offset - bodyStart;
      if (bodySize > 0xffff) parser.Fail(item.line, "function body too long");
      item.resolved = static_cast<std::uint16_t>(bodySize);
    }
  }
  return offset;
}

void EmitItems(ByteWriter& out, const std::vector<Item>& items) {
  for (const Item& item : items) {
    switch (item.kind) {
      case Item::Kind::Label:
      case Item::Kind::FunctionEnd:
        break;
      case Item::Kind::Action:
        out.U8(item.opcode);
        if (item.opcode >= kFirstActionWithPayload) {
          out.U16(static_cast<unsigned>(item.payload.size()));
          out.Append(item.payload);
        }
        break;
      case Item::Kind::Branch:
        out.U8(item.opcode);
        out.U16(2);
        out.U16(item.resolved);
        break;
      case Item::Kind::FunctionStart:
        out.U8(item.opcode);
        out.U16(static_cast<unsigned>(item.payload.size() + 2));
        out.Append(item.payload);
        out.U16(item.resolved);
        break;
    }
  }
}

// Slack before the final End is skipped by a jump and filled with one push
// record that is never reached.
void PadTo(ByteWriter& out, std::size_t requiredSize, const Parser& parser) {
  const std::size_t used = out.size() + 1;
  if (used > requiredSize)
    parser.Fail(0, "code needs " + std::to_string(used) + " bytes, block allows " + std::to_string(requiredSize));
  const std::size_t slack = requiredSize - used;
  if (slack == 0) return;
  if (slack < 10) parser.Fail(0, "slack of " + std::to_string(slack) + " bytes is too small to jump over");
  out.U8(kJump);
  out.U16(2);
  out.U16(static_cast<unsigned>(slack - kBranchSize));
  out.U8(kPush);
  out.U16(static_cast<unsigned>(slack - 8));
  out.U8(kPushString);
  for (std::size_t i = 0; i < slack - 10; ++i) out.U8('.');
  out.U8(0);  // the string's terminator
}

}  // namespace

std::map<std::string, std::string> SplitBlocks(const std::string& source, const std::string& fileName) {
  // Lines of other blocks are blanked so that line numbers stay those of the file.
  std::vector<std::string> lines;
  std::istringstream in(source);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  std::vector<std::string> owner(lines.size());
  std::string current;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.rfind(".block", 0) == 0) {
      std::istringstream words(l.substr(6));
      current.clear();
      words >> current;
      if (current.empty()) throw AssemblyError(fileName, static_cast<int>(i + 1), ".block needs a name");
      owner[i] = "\n";  // the directive line itself belongs to nobody
      continue;
    }
    owner[i] = current;
  }
  std::map<std::string, std::string> blocks;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!owner[i].empty() && owner[i] != "\n" && blocks.find(owner[i]) == blocks.end()) blocks[owner[i]];
  }
  for (auto& [name, text] : blocks) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const bool shared = owner[i].empty();
      text += (shared || owner[i] == name) ? lines[i] : std::string();
      text += '\n';
    }
  }
  return blocks;
}

AssembledBlock Assemble(const std::string& source, const std::string& where) {
  Parser parser(where);
  Program program = ProgramParser(parser).Parse(parser.Read(source));
  ByteWriter out;
  EmitPool(out, program.pool);
  const std::size_t codeEnd = LayOut(program, out.size(), parser);
  EmitItems(out, program.items);
  if (program.requiredSize) PadTo(out, *program.requiredSize, parser);
  out.U8(kActionEnd);
  return {out.Take(), program.externPool, codeEnd};
}

}  // namespace swfgen
