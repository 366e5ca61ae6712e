#include "app/HandlerDispatch.h"

#include <map>

namespace sentrel {
namespace {

using Handler = void (*)(Form1&);

bool Run(const std::map<std::string, Handler>& handlers, Form1& form, const std::string& name) {
    const auto handler = handlers.find(name);
    if (handler == handlers.end()) return false;
    handler->second(form);
    return true;
}

}  // namespace

bool RunClickHandler(Form1& form, const std::string& name) {
    static const std::map<std::string, Handler> kHandlers = {
        {"Command1", [](Form1& f) { f.Command1_Click(); }}, {"Command2", [](Form1& f) { f.Command2_Click(); }},
        {"Command3", [](Form1& f) { f.Command3_Click(); }}, {"Command4", [](Form1& f) { f.Command4_Click(); }},
        {"Command5", [](Form1& f) { f.Command5_Click(); }}, {"Command6", [](Form1& f) { f.Command6_Click(); }},
        {"Option1", [](Form1& f) { f.Option1_Click(); }},   {"Option2", [](Form1& f) { f.Option2_Click(); }},
    };
    return Run(kHandlers, form, name);
}

bool RunTimerHandler(Form1& form, const std::string& name) {
    static const std::map<std::string, Handler> kHandlers = {
        {"Timer1", [](Form1& f) { f.Timer1_Timer(); }},
        {"Timer2", [](Form1& f) { f.Timer2_Timer(); }},
    };
    return Run(kHandlers, form, name);
}

}  // namespace sentrel
