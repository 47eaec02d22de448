// Assembler for the version-6 action language. The player's scripts are kept
// as readable text in this small syntax (one instruction per line):
//
//   ; comment                    everything after ';' outside a string
//   .pool "a" "b" ...            constant pool, emitted at the start of the block
//   .extern_pool "a" "b" ...     constants that an earlier block already declared
//                                (usable by index, not emitted)
//   .size N                      the block must be N bytes, End included; the
//                                slack is jumped over
//   .macro name p1 p2 / .endm    text macro; `%p1` in its body is replaced
//   label:                       branch target
//   push "s", #4, 7, 1.5, true, false, null, undefined, r:1
//                                strings in the pool become constant indexes
//   jump label / if label        relative branches
//   function name p1 p2 ... end  DefineFunction; "-" as name for an anonymous one
//   gotoframe N, storeregister N, settarget "t", gotolabel "l", gotoframe2 play|stop
//   and every stack operation by name (getvariable, callmethod, add2, ...)
//
// The same text always gives the same bytes.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "byte_writer.h"

namespace swfgen {

class AssemblyError : public std::runtime_error {
 public:
  AssemblyError(const std::string& where, int line, const std::string& what)
      : std::runtime_error(where + ":" + std::to_string(line) + ": " + what) {}
};

struct AssembledBlock {
  Bytes actions;                        // ends with ActionEnd
  std::vector<std::string> externPool;  // the .extern_pool constants, in order
  std::size_t codeEnd = 0;              // offset where padding (if any) begins
};

// Splits a source file into its `.block NAME` sections; text before the first
// `.block` line belongs to every block (shared macros).
std::map<std::string, std::string> SplitBlocks(const std::string& source, const std::string& fileName);

AssembledBlock Assemble(const std::string& source, const std::string& where);

}  // namespace swfgen
