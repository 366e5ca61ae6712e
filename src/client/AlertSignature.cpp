#include "client/AlertSignature.h"

#include "client/Sha1.h"

namespace sentrel {

std::string AlertSignature(int r) { return SHA1(std::string(kSigningSalt) + std::to_string(r)); }

}  // namespace sentrel
