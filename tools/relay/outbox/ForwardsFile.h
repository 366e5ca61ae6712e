#pragma once

#include <string>
#include <vector>

#include "relay/outbox/ForwardTarget.h"

namespace sentrel::service {

// The forward targets in a file, which keeps their URLs, and the tokens in
// them, off the command line, where every user of the machine can read
// them: one KIND:URL per line, as --forward takes it; blank lines and lines
// starting with # are skipped, and so is a byte-order mark at the start. Throws std::runtime_error, naming the file,
// when it cannot be read, when others than its owner may read or write it,
// or when a line (named by its number, not its text) is not a forward.
std::vector<ForwardTarget> ReadForwardsFile(const std::string& path);

}  // namespace sentrel::service
