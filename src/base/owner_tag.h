// Which process made a temporary file or folder, written into its name, so
// that a later run can tell a leftover of a killed run from the work of one
// that is still going. Temporary folders may be shared between machines (a
// cluster's scratch space), so the host is part of the tag: a run judges only
// the leftovers of its own host.
#pragma once

#include <sys/types.h>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// The mark that opens a tag inside a name. "~" cannot occur in a host name,
// so the parts split back unambiguously.
inline constexpr std::string_view kOwnerMark = "orvanta-tmp~";

// "orvanta-tmp~<host>~<pid>~" for the running process.
std::string OwnerTag();

struct Owner {
  std::string host;
  pid_t pid = 0;
};

// The owner named in `name` (the tag may stand anywhere in it); nothing when
// the name carries no well-formed tag.
std::optional<Owner> OwnerOf(std::string_view name);

// True when `name` carries the tag of a process of this host that no longer
// runs: what it names may be removed. Leftovers of other hosts, and names
// without a tag, are never judged gone.
bool OwnerIsGone(std::string_view name);

// Where a write of `path` puts its bytes until they are complete: hidden,
// beside the target, named after it and after the writing process (the tag),
// then `suffix`. The target's name is shortened so that the whole stays
// within the file system's limit.
std::string TemporaryPathFor(const std::string& path, std::string_view suffix);

// This machine's host name as the tags carry it ("localhost" when unknown).
std::string ThisHost();

}  // namespace orv
