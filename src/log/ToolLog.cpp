#include "log/ToolLog.h"

#include "log/LogLine.h"

namespace sentrel {
namespace {

std::string Meanwhile(bool watchedBeneath) {
    return watchedBeneath ? "watching goes on beneath it" : "judgement of the areas is held until it ends";
}

}  // namespace

void Say(std::string_view line) { WriteLogLine("sentrel", line); }

namespace said {

std::string Locked(std::string_view how, bool watchedBeneath) {
    return std::string(kLocked) + " (" + std::string(how) + "); " + Meanwhile(watchedBeneath);
}

std::string Blanked(std::string_view how, bool watchedBeneath) {
    return std::string(kBlanked) + " (" + std::string(how) + "); " + Meanwhile(watchedBeneath);
}

std::string LockGuessed(std::string_view why) {
    return std::string(kLockGuessed) + ", though the desktop did not say so (" + std::string(why) +
           "); judgement of the areas is held until anything else shows";
}

}  // namespace said
}  // namespace sentrel
