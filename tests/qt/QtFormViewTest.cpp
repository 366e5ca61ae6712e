#include "platform/qt/QtFormView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "platform/qt/Pinholes.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

// The toolkit, offscreen, ended before the program's own statics are: a
// QApplication that outlives them crashes on the way out.
class OffscreenQt : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "qt_view_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const offscreenQt = ::testing::AddGlobalTestEnvironment(new OffscreenQt);

// The window's widgets driven with the keyboard and the mouse, the window of
// the kind given.
template <WindowKind kind>
class ViewTest : public ::testing::Test {
protected:
    void SetUp() override { form.Form_Load(); }
    template <typename Widget>
    Widget& Find(const char* name) {
        auto* widget = view.findChild<Widget*>(name);
        if (widget == nullptr) throw std::logic_error(std::string("no widget ") + name);
        return *widget;
    }

    HandlerGate gate;
    testing::FormRig<QtFormView> rig{gate, QPixmap(), QUrl(), kind, [] { return 1.5; }};
    QtFormView& view = rig.view;
    Form1& form = rig.form;
};
using QtFormViewTest = ViewTest<WindowKind::ReadBeneath>;
using PinholedViewTest = ViewTest<WindowKind::Pinholed>;

// Typing changes the box between reflects; choosing a mode then puts the
// mode's default in it, which is the threshold the start takes.
TEST_F(QtFormViewTest, TheThresholdBoxShowsTheModesDefaultAfterTyping) {
    QTest::keyClicks(&Find<QLineEdit>("Text2"), "1234");
    QTest::mouseClick(&Find<QPushButton>("Command5"), Qt::LeftButton);
    ASSERT_EQ(form.OpenId(), "ok");
    QLineEdit& threshold = Find<QLineEdit>("Text4");
    QTest::keyClicks(&threshold, "5");
    ASSERT_EQ(threshold.text(), "305");
    QTest::mouseClick(&Find<QRadioButton>("Option1"), Qt::LeftButton);
    EXPECT_EQ(threshold.text(), "30");
    QTest::mouseClick(&Find<QRadioButton>("Option2"), Qt::LeftButton);
    EXPECT_EQ(threshold.text(), "2");
}

// A window read as composited keeps its pinholes above its widgets, each
// made after them, and over the whole window as it changes size.
TEST_F(PinholedViewTest, KeepsItsPinholesAboveItsWidgetsOverTheWholeWindow) {
    view.show();
    QWidget* top = view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).last();
    ASSERT_NE(dynamic_cast<Pinholes*>(top), nullptr) << "the topmost widget";
    for (const QSize size : {QSize(640, 400), QSize(800, 600)}) {
        view.resize(size);
        EXPECT_EQ(top->geometry(), view.rect());
    }
}

}  // namespace
}  // namespace sentrel
