#include "relay/desk/StopLine.h"

#include <optional>

namespace sentrel::service {

void StopLine::SetPage(std::string phonePage, std::string url) {
    const std::lock_guard lock(mutex_);
    phonePage_ = std::move(phonePage);
    url_ = std::move(url);
}

std::string StopLine::For(const std::string& target) {
    const std::optional<std::string> id = store_.BindingIdOf(target);
    if (!id) return {};
    const std::lock_guard lock(mutex_);
    if (!phonePage_.empty()) return "\n停止接收：" + phonePage_ + "/phone?id=" + *id;
    return "\n停止接收：在运行 Sentrel 的电脑上打开 " + url_ + "/phone?id=" + *id;
}

}  // namespace sentrel::service
