#include "app/ClickHandlers.h"

#include <map>

namespace sentrel {

bool RunClickHandler(Form1& form, const std::string& name) {
    using Handler = void (*)(Form1&);
    static const std::map<std::string, Handler> kHandlers = {
        {"Command1", [](Form1& f) { f.Command1_Click(); }}, {"Command2", [](Form1& f) { f.Command2_Click(); }},
        {"Command3", [](Form1& f) { f.Command3_Click(); }}, {"Command4", [](Form1& f) { f.Command4_Click(); }},
        {"Command5", [](Form1& f) { f.Command5_Click(); }}, {"Command6", [](Form1& f) { f.Command6_Click(); }},
        {"Option1", [](Form1& f) { f.Option1_Click(); }},   {"Option2", [](Form1& f) { f.Option2_Click(); }},
    };
    const auto handler = kHandlers.find(name);
    if (handler == kHandlers.end()) return false;
    handler->second(form);
    return true;
}

}  // namespace sentrel
