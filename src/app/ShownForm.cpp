#include "app/ShownForm.h"

#include <utility>

namespace sentrel {

FormChanges ShownForm::Show(const FormControls& now) { return ChangesToShow(std::exchange(shown_, now), now); }

void ShownForm::Typed(Form1& form, const std::string& name, const std::string& text) {
    if (shown_) shown_->Get(name).text = text;
    form.TextChanged(name, text);
}

void ShownForm::Remove(const std::string& name, int index) {
    if (shown_) shown_->Remove(name, index);
}

const Control& ShownForm::Get(const std::string& name, int index) const { return shown_.value().Get(name, index); }

}  // namespace sentrel
