#include "relay/desk/StopLine.h"

#include <optional>

namespace sentrel::service {

void StopLine::SetPage(std::string phonePage) {
    const std::lock_guard lock(mutex_);
    phonePage_ = std::move(phonePage);
}

std::string StopLine::For(const std::string& target) {
    const std::optional<std::string> id = store_.BindingIdOf(target);
    if (!id) return {};
    const std::lock_guard lock(mutex_);
    if (!phonePage_.empty()) return "\n停止接收：" + phonePage_ + "/phone?id=" + *id;
    return "\n停止接收：在运行 Sentrel 的电脑上打开验证码页面（点击登录框中的图片），填入编号 " + *id;
}

}  // namespace sentrel::service
