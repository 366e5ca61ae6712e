#include "CodePage.h"

namespace sentrel::service {

std::string CodePageHtml(const std::string& code) {
    return "<!DOCTYPE html>\n"
           "<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>Sentrel 验证码</title>"
           "<style>body{font-family:sans-serif;text-align:center;margin-top:15vh}"
           ".code{font-size:4em;letter-spacing:.2em;font-weight:bold}</style></head>\n"
           "<body><p>您的验证码</p><p class=\"code\">" +
           code +
           "</p><p>十分钟内有效，只能使用一次。请在 Sentrel 登录框中输入。</p>"
           "<p><small>Sentrel 本地通知服务 · 刷新本页可获取新的验证码</small></p></body></html>\n";
}

}  // namespace sentrel::service
